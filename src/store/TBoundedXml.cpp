#include "store/TBoundedXml.h"

namespace {

// Index just past the first occurrence of term at or after from; the text's end when missing.
qsizetype SkipPast(const QString &text, qsizetype from, QLatin1StringView term) {
    const qsizetype at = text.indexOf(term, from);
    return at < 0 ? text.size() : at + term.size();
}

// Index of the '>' that ends the markup starting at from, quoted values skipped; with brackets
// set, a '[' ... ']' internal subset (document type) is skipped too. The text's end when
// missing. Counts the '=' outside quotes (the attributes of a tag) into equals.
qsizetype MarkupEnd(const QString &text, qsizetype from, bool brackets, qsizetype *equals) {
    QChar quote;
    int nesting = 0;
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char('=')) {
            if (equals)
                ++*equals;
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

bool TBoundedXml::WithinLimits(const QString &text, int maxDepth, qsizetype maxNodes) {
    int depth = 0;
    qsizetype nodes = 0;
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
            i = MarkupEnd(text, i + 2, true, nullptr) + 1;
        } else if (rest.startsWith(QLatin1String("</"))) {
            depth = qMax(0, depth - 1);
            i = MarkupEnd(text, i + 2, false, nullptr) + 1;
        } else {
            ++nodes; // the element, then its attributes
            const qsizetype end = MarkupEnd(text, i + 1, false, &nodes);
            if (nodes > maxNodes)
                return false;
            if (end < text.size() && text.at(end - 1) != QLatin1Char('/') && ++depth > maxDepth)
                return false;
            i = end + 1;
        }
    }
    return true;
}

bool TBoundedXml::Parse(const QString &text, QDomDocument &doc) {
    if (text.size() > MaxLength || !WithinLimits(text))
        return false;
    QDomDocument parsed;
    if (!parsed.setContent(text))
        return false;
    doc = parsed;
    return true;
}
