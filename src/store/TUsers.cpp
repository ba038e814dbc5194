#include "store/TUsers.h"

#include "store/EWriteError.h"
#include "store/TSettings.h"
#include "store/TUserData.h"

#include <QFile>

TUsers::TUsers(const QString &programDir) : FProgramDir(programDir) {}

QStringList TUsers::List() const {
    return TUserData::ListLocalUsers(FProgramDir);
}

bool TUsers::IsValidName(const QString &name) {
    // The name becomes a file name below "userdata/": it must not climb out of that folder.
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name)
        if (forbidden.contains(c) || c.unicode() < 32)
            return false;
    return true;
}

QString TUsers::CurrentUser(const TUserData &data) const {
    // A user is logged in exactly while the document is that user's file and holds the user.
    static const QString Suffix = QStringLiteral(".dat");
    const QString pattern = TUserData::UserFile(FProgramDir, QString());
    const QString folder = pattern.left(pattern.size() - Suffix.size());
    const QString file = data.CurrentFile();
    if (data.Root().isNull() || !file.startsWith(folder) || !file.endsWith(Suffix))
        return QString();
    const QString name = file.mid(folder.size(), file.size() - folder.size() - Suffix.size());
    return IsValidName(name) ? name : QString();
}

QString TUsers::CurrentUserLine(const QString &name) {
    return name.isEmpty() ? QString() : QStringLiteral("当前用户：") + name;
}

TLoginResult TUsers::CheckLogin(TUserData &data, const QString &typedName,
                                const QString &typedPassword, const QString &confirmation,
                                bool newUser, TSettings *settings) const {
    // The settings file keeps "login" without its outer blanks: a name with them would not be
    // found again at the next start.
    const QString name = typedName.trimmed();
    // As the file keeps it (no control characters), so that the next log-in compares alike.
    const QString password = TUserData::StorableText(typedPassword);
    TLoginResult result;
    data.Clear();
    if (name.isEmpty()) {
        result.Message = QStringLiteral("请输入用户名！");
        return result;
    }
    if (!IsValidName(name)) {
        result.Message = QStringLiteral("用户名不能含有 \\ / : * ? \" < > | 等字符！");
        result.FocusName = true;
        return result;
    }
    data.SetCurrentFile(TUserData::UserFile(FProgramDir, name));
    const bool exists = QFile::exists(data.CurrentFile());
    if (exists) {
        if (newUser) {
            result.Message = QStringLiteral("用户名已存在！");
            result.FocusName = true;
            return result;
        }
        // A file that does not parse, or parses without the user's root, is not a new user:
        // going on would write an empty store over the user's accounts.
        if (!data.Load() || data.Root().isNull()) {
            data.Clear();
            result.Message = QStringLiteral("用户数据文件已损坏，无法登录！文件未做任何改动。");
            return result;
        }
    } else if (newUser) {
        if (typedPassword != confirmation) {
            result.Message = QStringLiteral("两次输入密码不一致！");
            return result;
        }
    } else {
        result.Message = QStringLiteral("用户名不存在！");
        return result;
    }
    if (password.isEmpty()) {
        data.Clear();
        result.Message = QStringLiteral("密码不能为空！");
        return result;
    }
    if (!data.Root().isNull()) {
        if (data.Root().attribute(QStringLiteral("password")) != password) {
            data.Clear();
            result.Message = QStringLiteral("密码错误！");
            return result;
        }
    } else {
        data.EnsureStructure();
        data.Root().setAttribute(QStringLiteral("password"), password);
        try {
            data.Save();
        } catch (const EWriteError &) {
            data.Clear();
            result.Message = QStringLiteral("无法创建用户文件，请确保有相应权限！");
            return result;
        }
    }
    if (settings) {
        try {
            settings->WriteString(TKey::Login, name);
        } catch (const EWriteError &) {
            // The log-in stands; only the name offered at the next start is not remembered.
        }
    }
    return result;
}

void TUsers::CancelLogin(TUserData &data) {
    data.SetCurrentFile(QString());
    data.Clear();
}
