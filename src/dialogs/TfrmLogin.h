#pragma once
// The local user login (unit login): a user chosen from the local users logs in with the
// password, or a new user is made ("新用户" shows the confirmation box). The check itself is
// TUsers::CheckLogin; this window only collects the input and shows the red message line.

#include "controls/TSkinForm.h"

class QComboBox;
class QLabel;
class QLineEdit;
class TEControl;
class TSettings;
class TUserData;

class TfrmLogin : public TSkinForm {
    Q_OBJECT

public:
    static constexpr int DesignClientWidth = 300;

    // programDir ends with "/"; the check works on data and writes "login" into settings.
    TfrmLogin(const QString &programDir, TUserData &data, TSettings *settings,
              QWidget *Owner = nullptr);

    QComboBox *ComboBox1 = nullptr; // user names
    QLineEdit *Edit1 = nullptr;     // password
    QLineEdit *Edit2 = nullptr;     // confirmation, new-user mode only
    QLabel *Label3 = nullptr;       // "确认密码"
    QLabel *Message = nullptr;      // red message line
    TEControl *btnNew = nullptr;    // "新用户"
    TEControl *btnBack = nullptr;   // " 返 回 "
    TEControl *btnLogin = nullptr;  // "登录"

    bool NewUserMode() const { return FNewUser; }
    void SetNewUserMode(bool on);
    // Fills the name box and puts the focus into the password box.
    void SetUserName(const QString &name);
    // The log-in check; closes the window with OK when it leaves no message.
    bool TryLogin();

    // Shows the dialog modally. True after a successful log-in; any other end empties the
    // current user file and the document. A valid area centres the dialog on it.
    static bool Execute(const QString &programDir, TUserData &data, TSettings *settings,
                        const QString &userName, QWidget *Owner = nullptr,
                        const QRect &area = QRect());

protected:
    void keyPressEvent(QKeyEvent *Event) override;
    void showEvent(QShowEvent *Event) override;

private:
    TEControl *MakeButton(const QString &caption, int width);
    void PlaceButtons(QWidget *reference);

    QString FProgramDir;
    TUserData &FData;
    TSettings *FSettings;
    bool FNewUser = false;
    QRect FArea; // centred on this instead of on the owner when valid
};
