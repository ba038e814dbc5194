#pragma once
// Local users: the list of user data files and the log-in check of the login dialog, without
// widgets. Every user has "userdata/<name>.dat" in the program directory; the anonymous file
// "defaultuser.dat" lies in the program directory itself and is no local user.

#include <QString>
#include <QStringList>

class TSettings;
class TUserData;

// What a log-in attempt left for the dialog: an empty message means success.
struct TLoginResult {
    QString Message;
    bool FocusName = false; // the name box should take the focus (name already taken)
    bool Ok() const { return Message.isEmpty(); }
};

class TUsers {
public:
    // programDir ends with "/".
    explicit TUsers(const QString &programDir);

    // Names of the local users, as the file listing returns them.
    QStringList List() const;

    // The log-in check. Empties the document, points its current file at the user's file, and
    // loads an existing user or creates a new one (new-user mode with matching passwords). On
    // success writes "General"/"login" into settings when given. A user file that exists but
    // holds no readable user data is refused and left exactly as it is. The name counts without
    // its leading and trailing blanks.
    TLoginResult CheckLogin(TUserData &data, const QString &name, const QString &password,
                            const QString &confirmation, bool newUser,
                            TSettings *settings = nullptr) const;

    // The dialog was closed without a log-in: nobody is loaded.
    static void CancelLogin(TUserData &data);

    // The logged-in local user's name: empty for the anonymous user and while nobody is loaded.
    QString CurrentUser(const TUserData &data) const;
    // The line that tells the player who is logged in ("当前用户：小明"); empty for nobody.
    static QString CurrentUserLine(const QString &name);

    // A name that cannot be a file name in the user folder (a path separator, "." or "..").
    static bool IsValidName(const QString &name);

private:
    QString FProgramDir;
};
