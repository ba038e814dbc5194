#pragma once
// The add-favourite dialog (unit addfav): name, address and folder of a new shortcut to the
// shown page, with a folder menu and a button for a new folder.

#include "controls/TSkinForm.h"

class QLabel;
class QLineEdit;
class TComboBox3;
class TFolderMenu;

class TfrmAddFav : public TSkinForm {
    Q_OBJECT

public:
    explicit TfrmAddFav(QWidget *owner = nullptr);
    ~TfrmAddFav() override;

    QLabel *Label4 = nullptr; // "添加到收藏夹"
    QLabel *Label3 = nullptr; // "名称:"
    QLineEdit *Edit1 = nullptr;
    QLabel *Label2 = nullptr; // "网址:"
    QLineEdit *Edit2 = nullptr;
    QLabel *Label1 = nullptr; // "文件夹:"
    TComboBox3 *Folder = nullptr;
    TEControl *EControl2 = nullptr; // "新建文件夹"
    TFolderMenu *PopupMenu1 = nullptr;

    // The address field's window: a page host writes its URL into it.
    HWND AddressHandle() const { return FAddressHandle; }
    // The relative folder the shortcut goes into (the folder box's hint).
    QString ChosenFolder() const;
    // A click on a folder menu item: the folder is chosen and remembered for the process.
    void ChooseFolder(const QString &relative, const QString &caption);
    // The page to add: the name from the tab's title, the address asked from its page host
    // (0: no tab, both stay empty).
    void TakePage(const QString &tabTitle, HWND host);
    // The new-folder button's action: runs the new-folder dialog and chooses the folder made.
    void NewFolder();

    // Runs the dialog for the page of a tab and writes the shortcut. A name or folder that
    // cannot be used is explained and the dialog stays open. True when a shortcut was written
    // (the caller refreshes its favourites view).
    static bool AddFavourite(QWidget *owner, const QString &tabTitle, HWND host);

protected:
    void FormShow() override;

private:
    HWND FAddressHandle = 0;
    bool FButtonsAdded = false;
};
