#include "mainwindow/ElideRight.h"

#include <QList>

QString ElideRight(const QString &text, int width, const TMeasureText &measure) {
    if (measure(text) <= width)
        return text;
    const QString ellipsis(QChar(0x2026));
    if (measure(ellipsis) > width)
        return QString();
    // Head lengths that end on a whole character; widths grow with the length, so the longest
    // fitting head is found by bisection.
    QList<int> cuts;
    for (int i = 0; i < text.size(); ++i)
        if (!text.at(i).isLowSurrogate())
            cuts.append(i);
    int lo = 0, hi = int(cuts.size()) - 1; // cuts[0] == 0 always fits
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (measure(text.left(cuts[mid]) + ellipsis) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return text.left(cuts.isEmpty() ? 0 : cuts[lo]) + ellipsis;
}
