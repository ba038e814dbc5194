#include "store/TAccountTransfer.h"

#include "store/EWriteError.h"
#include "store/TUserData.h"

#include <QFile>
#include <QSaveFile>

namespace {

const QString Location = QStringLiteral("location");
const QString User = QStringLiteral("user");
const QString Caption = QStringLiteral("caption");
const QString Pass = QStringLiteral("pass");

} // namespace

bool TAccountTransfer::Export(const TUserData &data, const QString &path) {
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = data.ToFileBytes();
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

TAccountTransfer::TImport TAccountTransfer::Import(TUserData &data, const QString &path,
                                                   const std::function<bool()> &askOverwrite) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly) || in.size() > MaxImportSize)
        return TImport::Unreadable;
    TUserData imported;
    if (!imported.FromFileBytes(in.read(MaxImportSize)))
        return TImport::Unreadable;

    // Kept whole, so that a failed save leaves the store exactly as it was.
    const QDomDocument before = data.Doc().cloneNode(true).toDocument();
    for (QDomNode n = imported.AccountsFolder().firstChild(); !n.isNull(); n = n.nextSibling()) {
        const QDomElement child = n.toElement();
        if (child.isNull() || !child.hasAttribute(Location) || !child.hasAttribute(User))
            continue;
        QDomElement item = data.FindAccount(child.attribute(Location), child.attribute(User));
        if (item.isNull()) {
            item = data.AppendAccount(child.attribute(Location), child.attribute(User), QString(),
                                      QString());
        } else if (askOverwrite && !askOverwrite()) {
            continue;
        }
        item.setAttribute(Caption, child.attribute(Caption));
        item.setAttribute(Pass, child.attribute(Pass));
    }
    try {
        data.Save();
    } catch (const EWriteError &) {
        data.Doc() = before;
        return TImport::SaveFailed;
    }
    return TImport::Done;
}

bool TAccountTransfer::ClearAccounts(TUserData &data) {
    QDomElement accounts = data.AccountsFolder();
    while (!accounts.isNull() && accounts.hasChildNodes())
        accounts.removeChild(accounts.firstChild());
    try {
        data.Save();
    } catch (const EWriteError &) {
        return false;
    }
    return true;
}
