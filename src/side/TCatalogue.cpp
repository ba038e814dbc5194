#include "side/TCatalogue.h"

#include "platform/AnsiCodePage.h"
#include "store/ScrambleText.h"
#include "store/TBoundedXml.h"
#include "store/TDataFile.h"

#include <QFile>

namespace {

const QString CaptionAttr = QStringLiteral("caption");
const QString LocationAttr = QStringLiteral("location");
const QChar Separator = QLatin1Char('\\');

} // namespace

TCatalogue::TCatalogue() {
    Clear();
}

QString TCatalogue::FileName(const QString &programDir) {
    return programDir + QStringLiteral("games.xml");
}

void TCatalogue::Clear() {
    FLoadedBytes = QByteArray();
    FDoc = QDomDocument();
    FDoc.appendChild(
        FDoc.createProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version=\"1.0\"")));
}

bool TCatalogue::LoadCatalogue(const QString &fileName) {
    if (!QFile::exists(fileName))
        return CataloguePresent();
    // Unreadable, too large, too deep or damaged: no catalogue.
    QByteArray bytes;
    if (!TDataFile::Read(fileName, bytes)) {
        Clear();
        return false;
    }
    // The side panel reloads on every rebuild; the same bytes need no second parse.
    if (!FLoadedBytes.isNull() && bytes == FLoadedBytes)
        return CataloguePresent();
    const bool present = LoadText(UnicodeFromAnsi(ScrambleText(bytes)));
    FLoadedBytes = bytes;
    return present;
}

bool TCatalogue::LoadText(const QString &text) {
    QDomDocument doc;
    if (!TBoundedXml::Parse(text, doc)) {
        Clear();
        return false;
    }
    FLoadedBytes = QByteArray();
    FDoc = doc;
    return CataloguePresent();
}

void TCatalogue::Adopt(const QDomDocument &doc, const QByteArray &fileBytes) {
    FDoc = doc;
    FLoadedBytes = fileBytes;
}

bool TCatalogue::CataloguePresent() const {
    return FDoc.childNodes().count() >= 2;
}

QDomElement TCatalogue::Root() const {
    if (!CataloguePresent())
        return QDomElement();
    return FDoc.childNodes().item(1).toElement();
}

QString TCatalogue::Version() const {
    return Root().attribute(QStringLiteral("version"));
}

QString TCatalogue::LocationOf(const QDomElement &element) {
    if (element.isNull())
        return QString();
    if (element.hasAttribute(LocationAttr))
        return element.attribute(LocationAttr);
    QString location;
    // Stop below the root: neither the root element nor the document contributes.
    for (QDomElement e = element; !e.isNull() && e.parentNode().isElement();
         e = e.parentNode().toElement()) {
        if (e.hasAttribute(CaptionAttr))
            location.prepend(e.attribute(CaptionAttr) + Separator);
    }
    return location;
}

QDomElement TCatalogue::FindByLocation(const QString &location) const {
    QDomElement current = Root();
    if (current.isNull())
        return current;
    QString rest = location;
    while (rest.size() >= 2 && !current.isNull()) {
        const qsizetype end = rest.indexOf(Separator);
        if (end < 0)
            return QDomElement();
        const QString component = rest.left(end);
        QDomElement found;
        for (QDomElement c = current.firstChildElement(); !c.isNull(); c = c.nextSiblingElement()) {
            if (c.hasAttribute(CaptionAttr) && c.attribute(CaptionAttr) == component) {
                found = c;
                break;
            }
        }
        current = found;
        rest.remove(0, end + 1);
    }
    return current;
}

bool TCatalogue::StoreCatalogue(const QString &text, const QString &fileName) {
    // Bounded like every data file read back: a catalogue that would be refused at the next
    // start never replaces the one there is.
    QDomDocument doc;
    if (!TBoundedXml::Parse(text, doc) || doc.childNodes().count() < 2)
        return false;
    // The text as it came: it parses to this document and keeps its own declaration.
    return TDataFile::WritePrivate(fileName, ScrambleText(AnsiFromUnicode(text)));
}

TCatalogue &Catalogue() {
    static TCatalogue catalogue;
    return catalogue;
}
