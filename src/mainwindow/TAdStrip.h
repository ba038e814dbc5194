#pragma once
// The status bar's scrolling ad strip: the fetched lines "text|url", the scroll offset, and
// the positions the status bar draws and hit-tests.

#include "mainwindow/ElideRight.h"

#include <QList>
#include <QStringList>

class TAdStrip {
public:
    static constexpr int Gap = 16;       // after each item's text
    static constexpr int Step = 2;       // pixels per tick
    static constexpr int Interval = 200; // AdTimer, ms

    struct TItem {
        int Line = 0; // index into Lines(); the status bar's item number
        int Left = 0;
        int TextWidth = 0;
    };

    // The fetched answer. An answer whose first line has no "|" is no ad list at all.
    void SetAnswer(const QString &answer);
    void Clear();
    const QStringList &Lines() const { return FLines; }
    // AdTimer runs exactly while there are lines.
    bool Running() const { return !FLines.isEmpty(); }
    int Offset() const { return FOffset; }

    static QString TextOf(const QString &line); // before the first "|"
    static QString UrlOf(const QString &line);  // after the first "|"
    QString Url(int line) const;                // empty for an unknown line

    // AdTimer tick: scrolls only while the status bar has no hot item and no status text.
    // Answers whether the status bar must be redrawn.
    bool Tick(bool statusBarHasHot, bool statusBarHasText);

    // Positions for a strip width, with items that scrolled out on the left moved to the end
    // of the list. Drawing and HitTest use these same positions.
    const QList<TItem> &Layout(int width, const TMeasureText &measure);
    const QList<TItem> &Items() const { return FItems; }
    // Item under the point in a status bar of the given height, or -1; -1 as well outside the
    // width of the last layout, so that hover polling sees the pointer leave. Meaningful only
    // while the status bar shows the strip (no status text).
    int HitTest(int x, int y, int height) const;

private:
    QStringList FLines;
    int FOffset = 0;
    QList<TItem> FItems;
    int FWidth = 0;
};
