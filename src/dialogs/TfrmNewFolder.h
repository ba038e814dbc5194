#pragma once
// The new-folder dialog (unit newfolder): a folder name and where to create it, chosen from
// the favourites folder menu.

#include "controls/TSkinForm.h"

class QLabel;
class QLineEdit;
class TComboBox3;
class TFolderMenu;

class TfrmNewFolder : public TSkinForm {
    Q_OBJECT

public:
    explicit TfrmNewFolder(QWidget *owner = nullptr);

    QLabel *Label1 = nullptr; // "文件夹名"
    QLineEdit *Edit1 = nullptr;
    QLabel *Label2 = nullptr; // "创建位置"
    TComboBox3 *Folder = nullptr;
    TFolderMenu *PopupMenu1 = nullptr;

    // The relative folder the new folder goes into (the folder box's hint).
    QString ParentFolder() const;
    // Chooses the folder the new one goes into, as a click on its menu item does.
    void ChooseFolder(const QString &relative, const QString &caption);

protected:
    void FormShow() override;

private:
    bool FButtonsAdded = false;
};
