#pragma once
// Parses the XML text of the program's data files (user data, account exports, catalogue).
// Text nested deeper than any real file, or longer than a data file may be, is refused before
// the DOM sees it: the DOM's parse time grows steeply with the depth (minutes for 50,000
// levels), so a damaged or hostile file would hang the start-up.

#include "store/TDataFile.h"

#include <QDomDocument>
#include <QString>

class TBoundedXml {
public:
    // Real files nest about ten levels (root, section, folders, game).
    static constexpr int MaxDepth = 256;
    static constexpr qsizetype MaxLength = TDataFile::MaxSize;

    // The deepest element nesting of the text, counted only up to limit + 1. Comments, CDATA,
    // processing instructions, the document type and quoted attribute values do not count.
    static int Depth(const QString &text, int limit = MaxDepth);
    // False, doc unchanged, when the text is too long, nested too deep or not well-formed.
    static bool Parse(const QString &text, QDomDocument &doc);
};
