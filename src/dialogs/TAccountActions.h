#pragma once
// The main window's account commands: log-in at start-up and switching users, import and
// export with their file dialogs and messages, the close actions, and what a captured login
// becomes (the save prompt). They work on the process-wide user data document and settings.

#include <QRect>
#include <QString>

#include <functional>

class QWidget;
class TUserData;

class TAccountActions {
public:
    // The login dialog with userName filled in. True when a user logged in; otherwise nobody is
    // loaded (the current user file is empty). A valid area centres the dialog on it instead of
    // on its owner.
    static bool Login(QWidget *owner, const QString &programDir, const QString &userName,
                      const QRect &area = QRect());
    // "登录帐号": the login dialog; without a log-in the anonymous user's file is used.
    static void SwitchUser(QWidget *owner, const QString &programDir);

    static void Export(QWidget *owner);
    static void Import(QWidget *owner);

    // The close dialog's tags: 0 deletes "user.dat" of the program folder and clears the
    // current user's stored accounts, 1 exports them, 2 does nothing. programDir ends with "/".
    static void CloseAction(QWidget *owner, const QString &programDir, int action);

    // A capture report after its delay: decides, asks with the save prompt when "SaveForm" is
    // on, stores and saves. recentChanged is told when the recently played list changed.
    static void ProcessCapture(QWidget *owner, const QString &report,
                               const std::function<void(const QString &)> &recentChanged);

    // Saves the document; a failure is told to the user. True when saved.
    static bool SaveUserData();
};
