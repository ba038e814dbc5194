#pragma once
// The arithmetic of the region capture tool, free of widgets: which part of the selection the
// pointer is on, how dragging a part changes the selection, where the button bar and the hint
// box go, and the name a chosen file is saved under.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <Qt>

// Parts of the selection under the pointer.
enum TSelectionPart {
    spMove = 1,
    spLeft = 10,
    spRight = 11,
    spTop = 12,
    spTopLeft = 13,
    spTopRight = 14,
    spBottom = 15,
    spBottomLeft = 16,
    spBottomRight = 17,
};

// Image types of the save dialog, by filter index (0 counts as the first).
enum TImageType { itBmp = 1, itJpeg = 2, itPng = 3 };

class TCaptureGeometry {
public:
    static constexpr int HandleSize = 5;    // the square handles and the grip bands
    static constexpr int MinSide = 10;      // resizing keeps every side this far from its opposite
    static constexpr int MinSelection = 6;  // a release below this in either direction discards
    static constexpr int BarGap = 5;        // between the button bar and the selection
    static constexpr int HintMargin = 10;   // the hint box's distance from the window's sides
    static constexpr int HintStartSize = 5; // a drag beyond this changes the hint texts

    // The part under (x, y), in the coordinates of a selection of size w x h.
    static int PartAt(int x, int y, int w, int h);
    static Qt::CursorShape PartCursor(int part);

    // The rectangle a drag from anchor to pointer spans.
    static QRect Span(const QPoint &anchor, const QPoint &pointer);
    // Bounds after dragging a border part to pointer (window coordinates); spMove and unknown
    // parts leave the bounds alone.
    static QRect Resize(int part, const QRect &bounds, const QPoint &pointer);
    // The pixels of the screen snapshot under a rectangle of window coordinates, on a screen
    // of ratio physical pixels per logical one (1.25 at 125 %). Every edge is rounded on its
    // own, so rectangles that meet in the window meet in the snapshot.
    static QRect ImageRect(const QRect &logical, qreal ratio);
    // A release keeps a selection of at least MinSelection in both directions.
    static bool Keeps(const QSize &size);

    // Top-left of the button bar for a kept selection, in a client area of the given size:
    // inside the selection when the bar is small beside it, otherwise above (or below) it.
    static QPoint BarPosition(const QRect &selection, const QSize &bar, const QSize &client);

    // The hint box's left after a drag brings the pointer to p: it dodges to the other side
    // when p is over its rows and on its side.
    static int HintLeftWhileDragging(const QRect &hint, int windowWidth, const QPoint &p);
    // The hint box's left when the pointer enters it: it jumps to the other side.
    static int HintLeftOnEnter(const QRect &hint, int parentWidth);

    // The file name a chosen name is saved under for a type: the type's extension is appended
    // unless the name already ends in it (any case).
    static QString SaveName(const QString &chosen, int type);
    static QString Extension(int type);     // ".bmp", ".jpg", ".png"
    static int NormalType(int filterIndex); // 1..3; 0 and unknown give BMP
};
