#pragma once
// The about box: the program's version and a link to the portal's home page.

#include "controls/TSkinForm.h"

#include <QIcon>

#include <functional>

class QLabel;
class TEControl;

class TfrmAbout : public TSkinForm {
    Q_OBJECT

public:
    using TOpenPageEvent = std::function<void(const QString &Url)>;

    explicit TfrmAbout(QWidget *Owner = nullptr);

    QLabel *Label1 = nullptr;       // "欢迎使用Ludora"
    QLabel *Label2 = nullptr;       // "当前软件版本："
    QLabel *Label3 = nullptr;       // the version
    QLabel *Label4 = nullptr;       // the bottom line
    TEControl *EControl1 = nullptr; // hidden
    TEControl *EControl2 = nullptr; // the home page link; its Hint is the address

    // The program's icon (":/icons/ludora.png", drawn by the build).
    static QIcon ProgramIcon();
    // The program's version, major.minor.release.build.
    static QString VersionText();
    // The main window's open-page operation, through which the link opens a new tab.
    static void SetOpenPage(TOpenPageEvent OpenPage);

protected:
    void FormShow() override;

private:
    void SetupLink(TEControl *Link);
    QWidget *FIcon = nullptr;
    bool FButtonsAdded = false;
};
