#pragma once
// Strip metrics, the tool bar layout with its overflow into the drop-down strip, the index
// queries of both tool strips and the status bar's rectangles; no widgets, so the window only
// paints what this computes and forwards its mouse events here.

#include "mainwindow/ElideRight.h"
#include "mainwindow/TTabSet.h"
#include "mainwindow/TToolButton.h"

#include <QList>
#include <QRect>

enum class TToolStrip { ToolBar, ToolBar2 };

// Image sizes the metrics depend on, all from the skin.
struct TStripImages {
    int ButtonFrameHeight = 24;
    QSize TabButtons = QSize(4 * 20, 4 * 18);   // 4 columns x 4 rows
    QSize SmallButtons = QSize(2 * 20, 3 * 18); // 2 columns x 3 rows
    int TabBarHeight = 26;
    int StatusBarHeight = 21;
};

// How one tool bar row looks for the strip's OverIndex and DownIndex.
struct TToolLook {
    bool Frame = false;        // hot: the button frame is drawn
    bool BodyPressed = false;  // the frame's pressed half on the body
    bool ArrowPressed = false; // the pressed half on the arrow part of a drop-down row
    bool Shifted = false;      // icon and caption 1 px right and down
    QRect Body;                // frame parts; Arrow is null for other rows
    QRect Arrow;
};

// What the status bar draws where.
struct TStatusBarRects {
    int ContentRight = 0; // right end of the content
    QRect Progress;       // 200 px bar; null while no progress is shown
    QRect Fill;           // part of the bar covered by the progress value
    QRect Text;           // status text, or the ad strip when there is none
};

class TToolBarLayout {
public:
    static constexpr int ToolBarHeight = 38;
    static constexpr int ToolBar2Height = 40;
    static constexpr int RowsLeft = 9;
    static constexpr int SeparatorWidth = 9;
    static constexpr int CaptionPad = 6;
    static constexpr int ArrowWidth = 13;
    static constexpr int ArrowHitWidth = 12;
    static constexpr int ChevronWidth = 15;
    static constexpr int SearchRightMargin = 24;
    static constexpr int RoomReserve = 80;
    static constexpr int RowsGap = 16;
    static constexpr int GoWidth = 18;
    static constexpr int GoSlack = 2; // the go zones reach this far above and below a box
    static constexpr int EngineZoneWidth = 28;
    static constexpr int EngineSlack = 3;
    static constexpr int AddressIconRoom = 18; // page icon inside the address frame
    static constexpr int ProgressWidth = 200;
    static constexpr int StatusTextLeft = 3;

    explicit TToolBarLayout(TToolButtons &buttons);

    // Once, at the first show: sizes of every row, Left of rows 0 to 10 as a running sum.
    void ComputeMetrics(const TStripImages &images, const TMeasureText &captionWidth,
                        int toolBarHeight = ToolBarHeight);
    // Every resize of the tool bar: the boxes, and which rows fit (the rest go to ToolBar2
    // and the chevron shows instead of the full screen button). Box heights are the edits'.
    void Layout(int toolBarWidth, QSize searchBoxSize, int addressBoxHeight);

    QRect SearchBox() const { return FSearchBox; }
    QRect AddressBox() const { return FAddressBox; }
    // Frames drawn around the boxes: the engine icon zone and the page icon on the left, the
    // go buttons on the right.
    QRect SearchFrame() const;
    QRect AddressFrame() const;
    QRect SearchGo() const { return GoRect(FSearchBox); }
    QRect AddressGo() const { return GoRect(FAddressBox); }
    // A press here opens the search engine menu, at SearchMenuPos.
    bool InSearchEngineZone(int x, int y) const;
    QPoint SearchMenuPos() const;
    // Where the drop-down menu of row 5 or 7 opens: its left edge, 1 px below it.
    QPoint ArrowMenuPos(int row) const;

    // Rows drawn on a strip, left to right, after giving each its Left on that strip.
    QList<int> PlaceRows(TToolStrip strip);
    // OnGetIndex of both tool strips; sets ArrowHit of a drop-down row that is hit.
    TStripHit HitTest(TToolStrip strip, int x, int y);
    // The drop-down strip in tool bar coordinates, opened below the chevron.
    QRect ToolBar2Rect() const;

    // The look of a row on the strip it is drawn on (after PlaceRows).
    TToolLook Look(int row, int overIndex, int downIndex) const;

    // Status bar: progress at the right end, the text (or ad strip) from the left.
    static TStatusBarRects StatusBar(int width, int height, int statusImageWidth,
                                     QSize progressCell, int progress);

private:
    static QRect GoRect(const QRect &box);
    bool OnStrip(int row, TToolStrip strip) const;

    TToolButtons &FButtons;
    int FToolBarHeight = ToolBarHeight;
    int FToolBarWidth = 0;
    int FSmallButtonsWidth = 0;
    QRect FSearchBox;
    QRect FAddressBox;
};
