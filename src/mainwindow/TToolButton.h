#pragma once
// The button record shared by the tool bar, its drop-down strip and the tab bar, and the
// window's one table of them.

#include <QString>

#include <array>

struct TToolButton {
    enum TKind { Separator = 0, Button = 1, DropDown = 2 };

    QString Caption; // hint, and the caption where shown
    bool Enabled = true;
    qint32 ImageIndex = 0; // column in the button's image strip
    qint32 Kind = Button;
    bool ArrowHit = false; // the last hit fell on the drop-down arrow part
    qint32 Left = 0;
    qint32 Top = 0;
    qint32 Width = 0;
    qint32 Height = 0;
    bool ShowCaption = false;
    bool Visible = true;

    qint32 Right() const { return Left + Width; }
    qint32 Bottom() const { return Top + Height; }
};

// Rows of the table. Rows 0 to 10 are tool bar items (strip index = row), 11 to 14 the tab
// bar buttons, 15 and 16 the small buttons beside the address box (strip indices 11 and 12).
enum TToolRow : int {
    RowHome = 0,
    RowBack = 1,
    RowForward = 2,
    RowStop = 4,
    RowRefresh = 5,
    RowAccounts = 7,
    RowSettings = 8,
    RowFullScreen = 9,
    RowChevron = 10,
    RowCloseTab = 11,
    RowPrevTab = 12,
    RowNextTab = 13,
    RowLeaveFullScreen = 14,
    RowFavorites = 15,
    RowCapture = 16,
    ToolButtonCount = 17,
};

// Strip indices that are not a row number.
enum TStripIndex : int {
    NoIndex = -1,
    SearchGoIndex = -2,        // ToolBar: go button right of the search box
    AddressGoIndex = -3,       // ToolBar: go button right of the address box
    FavoritesIndex = 11,       // ToolBar: row 15
    CaptureIndex = 12,         // ToolBar: row 16
    CloseTabIndex = -5,        // TabBar: row 11
    PrevTabIndex = -4,         // TabBar: row 12
    NextTabIndex = -3,         // TabBar: row 13
    LeaveFullScreenIndex = -2, // TabBar: row 14
};

using TToolButtons = std::array<TToolButton, ToolButtonCount>;

// The table in its initial state; sizes and positions are filled in by the layouts.
TToolButtons DefaultToolButtons();
