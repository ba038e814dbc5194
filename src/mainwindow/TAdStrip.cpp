#include "mainwindow/TAdStrip.h"

void TAdStrip::SetAnswer(const QString &answer) {
    Clear();
    QStringList lines = answer.split(QLatin1Char('\n'));
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (lines.isEmpty() || !lines.first().contains(QLatin1Char('|')))
        return;
    // Later lines without a link (blank ones above all) would be empty, unclickable items.
    for (const QString &line : std::as_const(lines))
        if (line.contains(QLatin1Char('|')))
            FLines.append(line);
}

void TAdStrip::Clear() {
    FLines.clear();
    FItems.clear();
    FOffset = 0;
}

QString TAdStrip::TextOf(const QString &line) {
    return line.section(QLatin1Char('|'), 0, 0);
}

QString TAdStrip::UrlOf(const QString &line) {
    const int bar = line.indexOf(QLatin1Char('|'));
    return bar < 0 ? QString() : line.mid(bar + 1);
}

QString TAdStrip::Url(int line) const {
    return line >= 0 && line < FLines.size() ? UrlOf(FLines.at(line)) : QString();
}

bool TAdStrip::Tick(bool statusBarHasHot, bool statusBarHasText) {
    if (!Running() || statusBarHasHot || statusBarHasText)
        return false;
    FOffset -= Step;
    return true;
}

const QList<TAdStrip::TItem> &TAdStrip::Layout(int width, const TMeasureText &measure) {
    FItems.clear();
    FWidth = width;
    if (FLines.isEmpty())
        return FItems;
    int x = FOffset;
    // An item gone past the left edge moves to the end; the next one carries on from where it
    // ended, and the offset restarts from there.
    for (int turns = 0; turns < FLines.size(); ++turns) {
        const int right = x + measure(TextOf(FLines.first())) + Gap;
        if (right >= 0)
            break;
        FOffset = 0;
        FLines.append(FLines.takeFirst());
        x = right;
    }
    for (int i = 0; i < FLines.size(); ++i) {
        TItem item;
        item.Line = i;
        item.Left = x;
        item.TextWidth = measure(TextOf(FLines.at(i)));
        FItems.append(item);
        x += item.TextWidth + Gap;
        if (x > width)
            break;
    }
    return FItems;
}

int TAdStrip::HitTest(int x, int y, int height) const {
    if (y < 0 || y >= height || x >= FWidth)
        return -1;
    for (const TItem &item : FItems)
        if (x > item.Left && x < item.Left + item.TextWidth)
            return item.Line;
    return -1;
}
