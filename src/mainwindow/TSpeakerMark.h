#pragma once
// The speaker mark of a tab whose page plays sound or is muted: where it sits in the tab (at the
// left of the caption, after the lock) and how it looks (waves, or a cross when muted).

#include "mainwindow/TTab.h"
#include "mainwindow/TTabSet.h"

#include <QColor>
#include <QRect>

class QPainter;

class TSpeakerMark {
public:
    static constexpr int Size = 14;
    static constexpr int Gap = 4; // between the mark and the caption

    // The mark's rectangle in the tab bar, taken from the left of cell's text; null (and cell
    // unchanged) for a tab that shows none.
    static QRect Place(const TTab &tab, TTabBarTab &cell);
    static void Draw(QPainter &canvas, const QRect &rect, bool muted, const QColor &color);
};
