#pragma once
// Parses the XML text of the program's data files (user data, account exports, catalogue).
// Text larger, more deeply nested or with more elements and attributes than any real file is
// refused before the DOM sees it: the DOM's parse time grows steeply with the depth (minutes for
// 50,000 levels) and its memory with the node count (over a gigabyte for 15 MB of empty
// elements), so a damaged or hostile file would hang the start-up.

#include "store/TDataFile.h"

#include <QDomDocument>
#include <QString>

class TBoundedXml {
public:
    // Real files nest about ten levels (root, section, folders, game).
    static constexpr int MaxDepth = 256;
    // Elements and attributes together: 5,000 games or 5,000 accounts take about 35,000.
    static constexpr qsizetype MaxNodes = 250000;
    static constexpr qsizetype MaxLength = TDataFile::MaxSize;

    // Whether the text stays within the limits, by a scan that stops at the first limit passed.
    // Comments, CDATA, processing instructions, the document type and quoted attribute values
    // do not count.
    static bool WithinLimits(const QString &text, int maxDepth = MaxDepth,
                             qsizetype maxNodes = MaxNodes);
    // False, doc unchanged, when the text is beyond the limits or not well-formed.
    static bool Parse(const QString &text, QDomDocument &doc);
};
