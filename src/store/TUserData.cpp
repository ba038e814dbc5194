#include "store/TUserData.h"

#include "platform/AnsiCodePage.h"
#include "store/EStoreTooLarge.h"
#include "store/EWriteError.h"
#include "store/ScrambleText.h"
#include "store/TBoundedXml.h"
#include "store/TDataFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr char UserDataFolder[] = "userdata";
constexpr char DefaultUserFileName[] = "defaultuser.dat";
constexpr char Declaration[] = "version=\"1.0\"";

QDomElement ChildFolder(const QDomElement &parent, int index) {
    if (parent.isNull())
        return QDomElement();
    return parent.childNodes().item(index).toElement();
}

} // namespace

TUserData::TUserData() {
    Clear();
}

bool TUserData::IsEmpty() const {
    return FDoc.childNodes().count() < 2;
}

void TUserData::Clear() {
    FDoc = QDomDocument();
    FDoc.appendChild(FDoc.createProcessingInstruction(QStringLiteral("xml"), Declaration));
}

QDomElement TUserData::Root() const {
    if (IsEmpty())
        return QDomElement();
    return FDoc.childNodes().item(1).toElement();
}

QDomElement TUserData::AccountsFolder() const {
    return ChildFolder(Root(), 0);
}
QDomElement TUserData::ListsFolder() const {
    return ChildFolder(Root(), 1);
}
QDomElement TUserData::MyGamesFolder() const {
    return ChildFolder(ListsFolder(), 0);
}
QDomElement TUserData::RecentFolder() const {
    return ChildFolder(ListsFolder(), 1);
}

namespace {

// Whether XML 1.0 can hold the character at i (a surrogate pair counts as one, at its first half).
// The reader refuses the others raw and as character references alike.
bool XmlChar(const QString &text, qsizetype i) {
    const char16_t c = text.at(i).unicode();
    if (c < 0x20)
        return c == '\t' || c == '\n' || c == '\r';
    if (QChar::isHighSurrogate(c))
        return i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
    if (QChar::isLowSurrogate(c))
        return i > 0 && text.at(i - 1).isHighSurrogate();
    return c != 0xFFFE && c != 0xFFFF;
}

QString Escape(const QString &text, bool attribute) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!XmlChar(text, i))
            continue; // written, it would make the whole file unreadable
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += attribute ? QLatin1String("&quot;") : QLatin1String("\"");
            break;
        case '\n':
            out += attribute ? QLatin1String("&#xA;") : QLatin1String("\n");
            break;
        case '\r':
            out += QLatin1String("&#xD;");
            break;
        case '\t':
            out += attribute ? QLatin1String("&#x9;") : QLatin1String("\t");
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Known attributes first, in the order items are written; the rest by name. The DOM keeps
// attributes in a hash, so without this every save would order them differently.
int AttributeRank(const QString &name) {
    static const QStringList order{"password", "location", "caption", "user",
                                   "pass",     "ubox",     "pbox"};
    const int i = order.indexOf(name);
    return i < 0 ? int(order.size()) : i;
}

void Serialise(const QDomNode &node, QString &out) {
    if (node.isText() || node.isCDATASection()) {
        out += Escape(node.nodeValue(), false);
        return;
    }
    if (!node.isElement())
        return;
    const QDomElement e = node.toElement();
    out += QLatin1Char('<') + e.tagName();
    const QDomNamedNodeMap attrs = e.attributes();
    QStringList names;
    for (int i = 0; i < attrs.count(); ++i)
        names.append(attrs.item(i).nodeName());
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int ra = AttributeRank(a), rb = AttributeRank(b);
        return ra != rb ? ra < rb : a < b;
    });
    for (const QString &name : names)
        out += QLatin1Char(' ') + name + QLatin1String("=\"") + Escape(e.attribute(name), true) +
               QLatin1Char('"');
    if (!e.hasChildNodes()) {
        out += QLatin1String("/>");
        return;
    }
    out += QLatin1Char('>');
    for (QDomNode c = e.firstChild(); !c.isNull(); c = c.nextSibling())
        Serialise(c, out);
    out += QLatin1String("</") + e.tagName() + QLatin1Char('>');
}

// Comments and processing instructions hold nothing the program reads, but at a place that
// is addressed by position they would stand where a folder belongs: they are dropped on
// reading. The declaration, the document's first node, stays.
void DropComments(QDomNode parent) {
    QDomNode n = parent.firstChild();
    while (!n.isNull()) {
        const QDomNode next = n.nextSibling();
        if (n.isComment() || (n.isProcessingInstruction() &&
                              (!parent.isDocument() || !n.previousSibling().isNull())))
            parent.removeChild(n);
        else if (n.isElement())
            DropComments(n);
        n = next;
    }
}

// The first count children of parent, where present, are elements.
bool LeadingElements(const QDomNode &parent, int count) {
    QDomNode n = parent.firstChild();
    for (int i = 0; i < count && !n.isNull(); ++i, n = n.nextSibling())
        if (!n.isElement())
            return false;
    return true;
}

// Whether a parsed document has the shape the program addresses by position: the declaration,
// then the root; the root's two folders and the two lists, where present, are elements. Other
// text there would have the program look for folders that are not there.
bool UsableShape(const QDomDocument &doc) {
    const QDomNode first = doc.firstChild();
    if (!first.isProcessingInstruction() || first.nodeName() != QLatin1String("xml"))
        return false; // no declaration: one top node, no user data
    const QDomNode root = first.nextSibling();
    if (!root.isElement() || !LeadingElements(root, 2))
        return false;
    const QDomNode lists = root.firstChild().nextSibling();
    return lists.isNull() || LeadingElements(lists, 2);
}

} // namespace

QString TUserData::StorableText(const QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (XmlChar(text, i))
            continue;
        QString out = text.left(i);
        for (++i; i < text.size(); ++i)
            if (XmlChar(text, i))
                out += text.at(i);
        return out;
    }
    return text;
}

QString TUserData::ToXml() const {
    // The declaration on a line of its own, then the root without added whitespace.
    QString text = QStringLiteral("<?xml %1?>\r\n").arg(QLatin1String(Declaration));
    Serialise(Root(), text);
    return text + QStringLiteral("\r\n");
}

QByteArray TUserData::ToFileBytes() const {
    return ScrambleText(AnsiFromUnicode(ToXml(), TUnmappable::XmlReference));
}

bool TUserData::FromFileBytes(const QByteArray &bytes) {
    QDomDocument doc;
    if (bytes.size() <= TDataFile::MaxSize &&
        TBoundedXml::Parse(UnicodeFromAnsi(ScrambleText(bytes)), doc)) {
        DropComments(doc);
        if (UsableShape(doc)) {
            FDoc = doc;
            return true;
        }
    }
    FDoc = QDomDocument(); // no usable root, as after any failed load
    return false;
}

bool TUserData::Load() {
    if (FCurrentFile.isEmpty() || !QFile::exists(FCurrentFile))
        return true;
    // Too large, too deep or damaged: refused like any file that does not parse, and kept.
    QByteArray bytes;
    if (!TDataFile::Read(FCurrentFile, bytes) || !FromFileBytes(bytes)) {
        FDoc = QDomDocument();
        FUnreadableFile = FCurrentFile;
        return false;
    }
    return true;
}

void TUserData::Save() const {
    if (FCurrentFile.isEmpty())
        return;
    // A document without its root holds nothing worth writing; writing it would replace the
    // user's file (perhaps one that only failed to load) with an empty one.
    if (IsEmpty() || Root().isNull())
        return;
    // A store the reader would refuse is never written: at the next start it would be lost.
    const QString xml = ToXml();
    const QByteArray bytes = ScrambleText(AnsiFromUnicode(xml, TUnmappable::XmlReference));
    if (bytes.size() > TDataFile::MaxSize || !TBoundedXml::WithinLimits(xml))
        throw EStoreTooLarge();
    const QString failure = QStringLiteral("Unable to write to %1").arg(FCurrentFile);
    QDir().mkpath(QFileInfo(FCurrentFile).absolutePath());
    if (FUnreadableFile == FCurrentFile) {
        // The damaged file may still be recovered by hand: keep it rather than write over it.
        const QString kept = FCurrentFile + QStringLiteral(".bad");
        QFile::remove(kept);
        if (QFile::exists(FCurrentFile) && !QFile::copy(FCurrentFile, kept))
            throw EWriteError(failure);
        FUnreadableFile.clear();
    }
    if (!TDataFile::WritePrivate(FCurrentFile, bytes))
        throw EWriteError(failure);
}

QDomElement TUserData::FindAccount(const QString &rawLocation, const QString &rawUser) const {
    // Stored as it is kept, so a value that lost a character on its way in is still found.
    const QString location = StorableText(rawLocation), user = StorableText(rawUser);
    for (QDomNode n = AccountsFolder().firstChild(); !n.isNull(); n = n.nextSibling()) {
        const QDomElement e = n.toElement();
        if (e.tagName() == QLatin1String("item") &&
            e.attribute(QStringLiteral("location")) == location &&
            e.attribute(QStringLiteral("user")) == user)
            return e;
    }
    return QDomElement();
}

QDomElement TUserData::AppendAccount(const QString &location, const QString &user,
                                     const QString &caption, const QString &pass,
                                     const QString &ubox, const QString &pbox) {
    EnsureStructure();
    QDomElement accounts = AccountsFolder();
    if (accounts.isNull())
        return QDomElement();
    QDomElement item = FDoc.createElement(QStringLiteral("item"));
    item.setAttribute(QStringLiteral("location"), StorableText(location));
    item.setAttribute(QStringLiteral("user"), StorableText(user));
    item.setAttribute(QStringLiteral("caption"), StorableText(caption));
    item.setAttribute(QStringLiteral("pass"), StorableText(pass));
    if (!ubox.isEmpty())
        item.setAttribute(QStringLiteral("ubox"), StorableText(ubox));
    if (!pbox.isEmpty())
        item.setAttribute(QStringLiteral("pbox"), StorableText(pbox));
    accounts.appendChild(item);
    return item;
}

void TUserData::EnsureStructure() {
    if (IsEmpty()) {
        if (FDoc.childNodes().count() == 0)
            Clear();
        FDoc.appendChild(FDoc.createElement(QStringLiteral("folder")));
    }
    // A document loaded from an older or damaged file may lack some folders. One whose folder
    // places hold something else is left alone (loading refuses those).
    QDomElement root = Root();
    if (root.isNull())
        return;
    while (root.childNodes().count() < 2)
        root.appendChild(FDoc.createElement(QStringLiteral("folder")));
    QDomElement lists = ListsFolder();
    if (lists.isNull())
        return;
    while (lists.childNodes().count() < 2)
        lists.appendChild(FDoc.createElement(QStringLiteral("folder")));
}

QString TUserData::UserFile(const QString &programDir, const QString &userName) {
    return programDir + QLatin1String(UserDataFolder) + QLatin1Char('/') + userName +
           QStringLiteral(".dat");
}

QString TUserData::DefaultUserFile(const QString &programDir) {
    return programDir + QLatin1String(DefaultUserFileName);
}

QStringList TUserData::ListLocalUsers(const QString &programDir) {
    QStringList users;
    const QDir dir(programDir + QLatin1String(UserDataFolder));
    // The anonymous file lies in the program directory, not here: a "defaultuser.dat" in this
    // folder is a local user who chose that name.
    for (const QString &name : dir.entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name))
        users.append(name.left(name.size() - 4));
    return users;
}

TUserData &UserData() {
    static TUserData data;
    return data;
}
