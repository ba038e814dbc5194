#pragma once
// The portal's game catalogue "games.xml": a tree of sections, folders and games. A game is
// known everywhere by its location, the captions from its section down to itself, each followed
// by "\" (S\F\G\).

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QString>

class TCatalogue {
public:
    TCatalogue(); // no catalogue: only the XML declaration

    QDomDocument &Doc() { return FDoc; }
    const QDomDocument &Doc() const { return FDoc; }

    // "games.xml" in the program directory (which ends with "/").
    static QString FileName(const QString &programDir);

    // Reads the scrambled GBK file when it exists; a missing file leaves the document as it is.
    // A file that does not parse, or is too large or nested too deep to be a real catalogue,
    // leaves no catalogue. Returns whether a catalogue is present.
    bool LoadCatalogue(const QString &fileName);
    // The same from plain XML text.
    bool LoadText(const QString &text);
    // A document parsed elsewhere from fileBytes, the file's bytes now (no second parse).
    void Adopt(const QDomDocument &doc, const QByteArray &fileBytes);
    void Clear();

    // The declaration and the root element: at least two top nodes.
    bool CataloguePresent() const;
    // The document's second top node; null without a catalogue.
    QDomElement Root() const;
    // The root's "version", "" without a catalogue.
    QString Version() const;

    // The element's own "location" if it has one, else the captions of the element and its
    // ancestors below the root, each followed by "\". Ancestors without caption are skipped.
    static QString LocationOf(const QDomElement &element);
    // Stores a downloaded catalogue: text that parses into a declaration and a root is written,
    // scrambled, to fileName through a temporary file; anything else leaves the old file as it
    // is. Returns whether the file was replaced.
    static bool StoreCatalogue(const QString &text, const QString &fileName);
    // Walks from the root, one "\"-terminated caption per level, taking the first child whose
    // caption equals it exactly. Null when nothing matches or there is no catalogue.
    QDomElement FindByLocation(const QString &location) const;

private:
    QDomDocument FDoc;
    QByteArray FLoadedBytes; // the file bytes FDoc was parsed from, null when from elsewhere
};

// The process-wide catalogue; lives until the process ends.
TCatalogue &Catalogue();
