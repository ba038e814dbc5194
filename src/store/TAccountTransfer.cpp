#include "store/TAccountTransfer.h"

#include "store/EStoreTooLarge.h"
#include "store/EWriteError.h"
#include "store/TDataFile.h"
#include "store/TUserData.h"

#include <QHash>

#include <optional>
#include <utility>
#include <vector>

namespace {

const QString Location = QStringLiteral("location");
const QString User = QStringLiteral("user");
const QString Caption = QStringLiteral("caption");
const QString Pass = QStringLiteral("pass");

} // namespace

bool TAccountTransfer::Export(const TUserData &data, const QString &path) {
    // Every password is in it: readable by the user only, like the user's own file.
    return TDataFile::WritePrivate(path, data.ToFileBytes());
}

TAccountTransfer::TImport TAccountTransfer::Import(TUserData &data, const QString &path,
                                                   const std::function<bool()> &askOverwrite) {
    QByteArray bytes;
    TUserData imported;
    if (!TDataFile::Read(path, bytes, MaxImportSize) || !imported.FromFileBytes(bytes))
        return TImport::Unreadable;
    data.EnsureStructure();
    if (data.AccountsFolder().isNull())
        return TImport::Unreadable;

    // The stored accounts by their pair, the first in document order as every lookup finds it:
    // one search per imported account would grow with the square of the count.
    using TPair = std::pair<QString, QString>;
    QHash<TPair, QDomElement> stored;
    for (QDomNode n = data.AccountsFolder().firstChild(); !n.isNull(); n = n.nextSibling()) {
        const QDomElement e = n.toElement();
        if (e.tagName() == QLatin1String("item"))
            stored.insert({e.attribute(Location), e.attribute(User)}, e); // keeps the first
    }
    // What was changed, so that a refused save leaves the store as it was, the same nodes too
    // (the side panel and the account page hold them).
    struct TChange {
        QDomElement Item;
        bool Added;
        std::optional<QString> Caption, Pass; // the old values; none when there were none
    };
    std::vector<TChange> changes;
    const auto valueOf = [](const QDomElement &e, const QString &name) {
        return e.hasAttribute(name) ? std::optional<QString>(e.attribute(name)) : std::nullopt;
    };
    for (QDomNode n = imported.AccountsFolder().firstChild(); !n.isNull(); n = n.nextSibling()) {
        const QDomElement child = n.toElement();
        if (child.isNull() || !child.hasAttribute(Location) || !child.hasAttribute(User))
            continue;
        const TPair pair{child.attribute(Location), child.attribute(User)};
        QDomElement item = stored.value(pair);
        if (item.isNull()) {
            item = data.AppendAccount(pair.first, pair.second, QString(), QString());
            stored.insert(pair, item);
            changes.push_back({item, true, std::nullopt, std::nullopt});
        } else if (askOverwrite && !askOverwrite()) {
            continue;
        } else {
            changes.push_back({item, false, valueOf(item, Caption), valueOf(item, Pass)});
        }
        item.setAttribute(Caption, child.attribute(Caption));
        item.setAttribute(Pass, child.attribute(Pass));
    }
    try {
        data.Save();
    } catch (const EWriteError &e) {
        const auto restore = [](QDomElement &item, const QString &name,
                                const std::optional<QString> &old) {
            if (old)
                item.setAttribute(name, *old);
            else
                item.removeAttribute(name);
        };
        for (auto it = changes.rbegin(); it != changes.rend(); ++it) {
            if (it->Added) {
                it->Item.parentNode().removeChild(it->Item);
            } else {
                restore(it->Item, Caption, it->Caption);
                restore(it->Item, Pass, it->Pass);
            }
        }
        return dynamic_cast<const EStoreTooLarge *>(&e) ? TImport::TooLarge : TImport::SaveFailed;
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
