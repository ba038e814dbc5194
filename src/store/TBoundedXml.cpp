#include "store/TBoundedXml.h"

namespace {

// Index just past the first occurrence of term at or after from; the text's end when missing.
qsizetype SkipPast(const QString &text, qsizetype from, QLatin1StringView term) {
    const qsizetype at = text.indexOf(term, from);
    return at < 0 ? text.size() : at + term.size();
}

// Index of the '>' that ends the markup starting at from, quoted values skipped; with brackets
// set, a '[' ... ']' internal subset (document type) is skipped too. The text's end when
// missing.
qsizetype MarkupEnd(const QString &text, qsizetype from, bool brackets) {
    QChar quote;
    int nesting = 0;
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (brackets && c == QLatin1Char('[')) {
            ++nesting;
        } else if (brackets && c == QLatin1Char(']')) {
            --nesting;
        } else if (c == QLatin1Char('>') && nesting <= 0) {
            return i;
        }
    }
    return text.size();
}

} // namespace

int TBoundedXml::Depth(const QString &text, int limit) {
    int depth = 0;
    int deepest = 0;
    qsizetype i = 0;
    while ((i = text.indexOf(QLatin1Char('<'), i)) >= 0) {
        const QStringView rest = QStringView(text).mid(i);
        if (rest.startsWith(QLatin1String("<!--"))) {
            i = SkipPast(text, i + 4, QLatin1String("-->"));
        } else if (rest.startsWith(QLatin1String("<![CDATA["))) {
            i = SkipPast(text, i + 9, QLatin1String("]]>"));
        } else if (rest.startsWith(QLatin1String("<?"))) {
            i = SkipPast(text, i + 2, QLatin1String("?>"));
        } else if (rest.startsWith(QLatin1String("<!"))) {
            i = MarkupEnd(text, i + 2, true) + 1;
        } else if (rest.startsWith(QLatin1String("</"))) {
            depth = qMax(0, depth - 1);
            i = MarkupEnd(text, i + 2, false) + 1;
        } else {
            const qsizetype end = MarkupEnd(text, i + 1, false);
            if (end < text.size() && text.at(end - 1) != QLatin1Char('/')) {
                deepest = qMax(deepest, ++depth);
                if (deepest > limit)
                    return deepest;
            }
            i = end + 1;
        }
    }
    return deepest;
}

bool TBoundedXml::Parse(const QString &text, QDomDocument &doc) {
    if (text.size() > MaxLength || Depth(text) > MaxDepth)
        return false;
    QDomDocument parsed;
    if (!parsed.setContent(text))
        return false;
    doc = parsed;
    return true;
}
