#pragma once
// The main window's tab set without any widget: the ordered tab records, which tab is shown,
// the tab bar's scrolling, layout and hit-testing. The window shows and hides the host windows
// and asks the questions; this class tells it what to do and keeps the button rows in step.

#include "mainwindow/ElideRight.h"
#include "mainwindow/TTab.h"
#include "mainwindow/TToolButton.h"

#include <QList>
#include <QRect>

#include <memory>
#include <optional>
#include <vector>

// A strip index query's answer: the item and the hint to put on the strip.
struct TStripHit {
    int Index = NoIndex;
    QString Hint;
};

// One tab as the tab bar draws it.
struct TTabBarTab {
    int Index = -1;
    bool Active = false; // the shown tab: bold, active image, close button
    QRect Rect;          // 168 px cell
    QRect ImageRect;     // the shown tab's image is 1 px wider on each side
    QRect LockRect;      // lock image of a Locked tab; null otherwise
    QRect TextRect;      // already raised by 3 px; the text is vertically centred in it
};

struct TClosePlan {
    bool Valid = false;     // false: nothing happens
    bool AskLocked = false; // ask "是否要关闭已锁定的标签？" first; only yes goes on
    int ShowFirst = -1;     // the shown tab is closing: show this tab first (wrapped), else -1
};

class TTabSet {
public:
    static constexpr int TabWidth = 168;
    static constexpr int TabsLeft = 3;
    static constexpr int ButtonsRightMargin = 3;
    static constexpr int TextInset = 6;
    static constexpr int LockLeft = 9;
    static constexpr int LockTextShift = 22;
    static constexpr int TextRaise = 3;

    // Rows 1, 2 and 11 to 14 of the window's table are kept by the tab set.
    explicit TTabSet(TToolButtons &buttons);

    int Count() const { return int(FTabs.size()); }
    bool IsValid(int index) const { return index >= 0 && index < Count(); }
    TTab &Tab(int index) { return *FTabs.at(size_t(index)); }
    const TTab &Tab(int index) const { return *FTabs.at(size_t(index)); }
    TTab *Current() { return IsValid(FCurrentTab) ? FTabs[size_t(FCurrentTab)].get() : nullptr; }
    int CurrentTab() const { return FCurrentTab; }
    int FirstVisibleTab() const { return FFirstVisibleTab; }
    int ShownProgress() const { return FShownProgress; }
    int IndexOfHandle(HWND handle) const;

    int ContextTab = -1; // tab whose context menu was opened

    // A registered host's tab: appended and shown. Returns the previously shown host, which
    // the window hides (0 for none).
    HWND Append(const TTab &tab);

    // Show tab, first half: the index wrapped around the ends; -1 when there are no tabs.
    int WrapIndex(int index) const;
    // Show tab, second half, once the window has dealt with a protection password: index
    // (already wrapped) becomes the shown tab and the button rows follow it. Returns the
    // previously shown host for the window to hide (0 for none or the same tab).
    HWND MakeCurrent(int index);

    // Close tab: what the window must do before removing the record.
    TClosePlan PlanClose(int index) const;
    // Close tab, last half: removes the record and hands it back so that the window posts
    // WM_CLOSE to its host. When no tab is left the window opens the start page.
    std::unique_ptr<TTab> Remove(int index);

    // Host reports. Each answers whether the tool bar (CanBack, CanForward) or the status
    // bar (Progress) shows the change, i.e. whether the report was for the shown tab.
    bool SetCanBack(HWND handle, bool canBack);
    bool SetCanForward(HWND handle, bool canForward);
    bool SetProgress(HWND handle, int progress);
    bool SetTitle(HWND handle, const QString &title); // false: no such tab

    // The tab bar's size; button sizes come from the strip metrics.
    void SetBarSize(int width, int height);
    // Lays out the buttons and scrolls so that the shown tab is drawn; returns the tabs to
    // draw, left to right. lockSize is the size of the lock image.
    QList<TTabBarTab> Layout(QSize lockSize = QSize(16, 16));
    // Available width for tabs: the previous-tab button's left edge.
    int Available() const { return FButtons[RowPrevTab].Left; }
    // Index query of the tab bar strip; uses the last layout.
    TStripHit HitTest(int x, int y) const;

    // Row of a tab bar button's image (rows 11 to 14): 0 normal, 1 hot, 2 hot and pressed,
    // 3 disabled.
    int ButtonImageRow(int row, int overIndex, int downIndex) const;

    // The shown tab's text, shortened to its text rectangle.
    static QString FitCaption(const TTab &tab, const TTabBarTab &cell,
                              const TMeasureText &measure) {
        return ElideRight(tab.Caption(), cell.TextRect.width(), measure);
    }

private:
    void LayoutButtons();
    void UpdateScroll();
    void UpdateTabButtons(); // rows 12 and 13
    int DrawnCount() const;

    TToolButtons &FButtons;
    std::vector<std::unique_ptr<TTab>> FTabs;
    int FCurrentTab = -1;
    int FFirstVisibleTab = 0;
    int FShownProgress = 0;
    int FWidth = 0;
    int FHeight = 26;
    bool FCloseShown = false; // the close button sits in a drawn shown tab
};
