#include "side/TGameLists.h"

#include "store/TUserData.h"

namespace {

const QString ItemTag = QStringLiteral("item");
const QString LocationAttr = QStringLiteral("location");
const QString CaptionAttr = QStringLiteral("caption");
const QString UserAttr = QStringLiteral("user");

QDomElement FindEntry(const QDomElement &folder, const QString &location) {
    for (QDomElement e = folder.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (e.attribute(LocationAttr) == location && e.hasAttribute(LocationAttr))
            return e;
    return QDomElement();
}

QDomElement NewEntry(QDomDocument &doc, const QString &location, const QString &caption) {
    QDomElement e = doc.createElement(ItemTag);
    e.setAttribute(LocationAttr, location);
    e.setAttribute(CaptionAttr, caption);
    return e;
}

} // namespace

QString TGameLists::CaptionOf(const QString &location) {
    QString text = location;
    if (text.endsWith(QLatin1Char('\\')))
        text.chop(1);
    return text.mid(text.lastIndexOf(QLatin1Char('\\')) + 1);
}

QDomElement TGameLists::AddToMyGames(TUserData &data, const QString &location) {
    QDomElement folder = data.MyGamesFolder();
    if (folder.isNull() || !FindEntry(folder, location).isNull())
        return QDomElement();
    return folder.appendChild(NewEntry(data.Doc(), location, CaptionOf(location))).toElement();
}

QDomElement TGameLists::AddToRecentGames(TUserData &data, const QString &location) {
    // A document from a damaged file may lack the lists; the game still gets its entry.
    data.EnsureStructure();
    QDomElement folder = data.RecentFolder();
    if (folder.isNull())
        return QDomElement();
    QString caption;
    const QDomElement old = FindEntry(folder, location);
    if (!old.isNull()) {
        caption = old.attribute(CaptionAttr);
        folder.removeChild(old);
    } else {
        caption = CaptionOf(location);
    }
    QDomElement entry = NewEntry(data.Doc(), location, caption);
    folder.insertBefore(entry, folder.firstChild());
    while (folder.childNodes().count() > RecentLimit)
        folder.removeChild(folder.childNodes().item(RecentLimit));
    return entry;
}

bool TGameLists::RemoveListEntry(QDomElement entry) {
    QDomNode parent = entry.parentNode();
    if (entry.isNull() || parent.isNull())
        return false;
    parent.removeChild(entry);
    return true;
}

bool TGameLists::IsListEntry(const TUserData &data, const QDomElement &element) {
    return !element.isNull() && element.ownerDocument() == data.Doc() &&
           element.hasAttribute(LocationAttr);
}

QStringList TGameLists::AccountUsers(const TUserData &data, const QString &location) {
    QStringList users;
    const QDomElement accounts = data.AccountsFolder();
    for (QDomElement e = accounts.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (e.hasAttribute(UserAttr) && e.attribute(LocationAttr) == location &&
            e.hasAttribute(LocationAttr))
            users.append(e.attribute(UserAttr));
    return users;
}
