#include "mainwindow/TTabSet.h"

#include <algorithm>

TTabSet::TTabSet(TToolButtons &buttons) : FButtons(buttons) {}

int TTabSet::IndexOfHandle(HWND handle) const {
    for (int i = 0; i < Count(); ++i)
        if (FTabs[size_t(i)]->Handle == handle)
            return i;
    return -1;
}

HWND TTabSet::Append(const TTab &tab) {
    const HWND previous = IsValid(FCurrentTab) ? Tab(FCurrentTab).Handle : 0;
    FTabs.push_back(std::make_unique<TTab>(tab));
    FCurrentTab = Count() - 1;
    // The new tab is shown, so back, forward and progress are its own from now on.
    FButtons[RowBack].Enabled = tab.CanBack;
    FButtons[RowForward].Enabled = tab.CanForward;
    FShownProgress = tab.Progress;
    UpdateTabButtons();
    return previous;
}

int TTabSet::WrapIndex(int index) const {
    if (FTabs.empty())
        return -1;
    if (index < 0)
        return Count() - 1;
    if (index >= Count())
        return 0;
    return index;
}

HWND TTabSet::MakeCurrent(int index) {
    if (!IsValid(index))
        return 0;
    const TTab &tab = Tab(index);
    FButtons[RowBack].Enabled = tab.CanBack;
    FButtons[RowForward].Enabled = tab.CanForward;
    FShownProgress = tab.Progress;
    const HWND previous =
        IsValid(FCurrentTab) && FCurrentTab != index ? Tab(FCurrentTab).Handle : 0;
    FCurrentTab = index;
    UpdateTabButtons();
    return previous;
}

TClosePlan TTabSet::PlanClose(int index) const {
    TClosePlan plan;
    if (!IsValid(index))
        return plan;
    plan.Valid = true;
    plan.AskLocked = Tab(index).Locked;
    if (index == FCurrentTab)
        plan.ShowFirst = WrapIndex(index - 1);
    return plan;
}

std::unique_ptr<TTab> TTabSet::Remove(int index) {
    if (!IsValid(index))
        return nullptr;
    if (index < FCurrentTab)
        --FCurrentTab;
    if (ContextTab == index)
        ContextTab = -1;
    else if (ContextTab > index)
        --ContextTab;
    std::unique_ptr<TTab> removed = std::move(FTabs[size_t(index)]);
    FTabs.erase(FTabs.begin() + index);
    // Closing the last tab leaves nothing shown until the start page registers; an index
    // past the end would otherwise be taken for the shown tab.
    if (FTabs.empty()) {
        FCurrentTab = -1;
        FShownProgress = 0;
        FButtons[RowBack].Enabled = false;
        FButtons[RowForward].Enabled = false;
    } else if (FCurrentTab >= Count()) {
        FCurrentTab = Count() - 1;
    }
    // Previous/next follow the new count too, not only a shift of the shown index.
    UpdateTabButtons();
    return removed;
}

bool TTabSet::SetCanBack(HWND handle, bool canBack) {
    const int i = IndexOfHandle(handle);
    if (i < 0)
        return false;
    Tab(i).CanBack = canBack;
    if (i != FCurrentTab)
        return false;
    FButtons[RowBack].Enabled = canBack;
    return true;
}

bool TTabSet::SetCanForward(HWND handle, bool canForward) {
    const int i = IndexOfHandle(handle);
    if (i < 0)
        return false;
    Tab(i).CanForward = canForward;
    if (i != FCurrentTab)
        return false;
    FButtons[RowForward].Enabled = canForward;
    return true;
}

bool TTabSet::SetProgress(HWND handle, int progress) {
    const int i = IndexOfHandle(handle);
    if (i < 0)
        return false;
    Tab(i).Progress = progress;
    if (i != FCurrentTab)
        return false;
    FShownProgress = progress;
    return true;
}

bool TTabSet::SetTitle(HWND handle, const QString &title) {
    const int i = IndexOfHandle(handle);
    if (i < 0)
        return false;
    Tab(i).Title = title;
    return true;
}

void TTabSet::SetBarSize(int width, int height) {
    FWidth = width;
    FHeight = height;
}

void TTabSet::UpdateTabButtons() {
    FButtons[RowPrevTab].Enabled = FCurrentTab > 0;
    FButtons[RowNextTab].Enabled = FCurrentTab < Count() - 1;
}

void TTabSet::LayoutButtons() {
    int right = FWidth - ButtonsRightMargin;
    for (int row : {RowLeaveFullScreen, RowNextTab, RowPrevTab}) {
        TToolButton &b = FButtons[size_t(row)];
        if (!b.Visible)
            continue;
        b.Left = right - b.Width;
        right = b.Left;
    }
}

void TTabSet::UpdateScroll() {
    const int available = Available();
    if (Count() * TabWidth <= available) {
        FFirstVisibleTab = 0;
    } else if (FCurrentTab < FFirstVisibleTab) {
        FFirstVisibleTab = FCurrentTab;
    } else {
        // K: how many tabs after the first one still fit.
        const int k = (available - TabsLeft) / TabWidth - 1;
        if (FFirstVisibleTab + k <= FCurrentTab || FFirstVisibleTab + k >= Count())
            FFirstVisibleTab = std::max(0, FCurrentTab - k);
    }
    // When not even one tab fits (K < 0) the rule above would scroll past the shown tab.
    FFirstVisibleTab = std::clamp(FFirstVisibleTab, 0, std::max(0, FCurrentTab));
}

int TTabSet::DrawnCount() const {
    const int available = Available();
    const int fit = available < TabsLeft ? 0 : (available - TabsLeft) / TabWidth;
    return std::clamp(Count() - FFirstVisibleTab, 0, fit);
}

QList<TTabBarTab> TTabSet::Layout(QSize lockSize) {
    LayoutButtons();
    UpdateScroll();
    QList<TTabBarTab> cells;
    FCloseShown = false;
    const int drawn = DrawnCount();
    for (int k = 0; k < drawn; ++k) {
        const int index = FFirstVisibleTab + k;
        const TTab &tab = Tab(index);
        TTabBarTab cell;
        cell.Index = index;
        cell.Active = index == FCurrentTab;
        const int x = TabsLeft + k * TabWidth;
        cell.Rect = QRect(x, 0, TabWidth, FHeight);
        cell.ImageRect = cell.Active ? cell.Rect.adjusted(-1, 0, 1, 0) : cell.Rect;
        int textLeft = x + TextInset;
        int textRight = x + TabWidth - TextInset;
        if (tab.Locked) {
            cell.LockRect =
                QRect(QPoint(x + LockLeft, (FHeight - lockSize.height()) / 2), lockSize);
            textLeft += LockTextShift;
        }
        if (cell.Active) {
            TToolButton &close = FButtons[RowCloseTab];
            close.Left = x + TabWidth - close.Width - 3;
            textRight = close.Left;
            FCloseShown = true;
        }
        cell.TextRect = QRect(textLeft, -TextRaise, std::max(0, textRight - textLeft), FHeight);
        cells.append(cell);
    }
    return cells;
}

int TTabSet::ButtonImageRow(int row, int overIndex, int downIndex) const {
    if (!FButtons.at(size_t(row)).Enabled)
        return 3;
    const int index = row - 16;
    if (overIndex != index)
        return 0;
    return downIndex == index ? 2 : 1;
}

TStripHit TTabSet::HitTest(int x, int y) const {
    TStripHit hit;
    if (y < 0 || y >= FHeight || FTabs.empty())
        return hit;
    for (int row = RowCloseTab; row <= RowLeaveFullScreen; ++row) {
        const TToolButton &b = FButtons[size_t(row)];
        // The close button exists only inside the drawn shown tab.
        if (!b.Visible || (row == RowCloseTab && !FCloseShown))
            continue;
        if (x >= b.Left && x <= b.Right() && y >= b.Top && y <= b.Bottom()) {
            hit.Hint = b.Caption;
            if (b.Enabled)
                hit.Index = row - 16; // rows 11..14 are indices -5..-2
            return hit;
        }
    }
    if (y > 0 && y < FHeight - 2 && x > TabsLeft) {
        const int k = (x - TabsLeft) / TabWidth;
        if ((x - TabsLeft) % TabWidth != 0 && k < DrawnCount())
            hit.Index = FFirstVisibleTab + k;
    }
    return hit;
}
