#include "mainwindow/TToolBarLayout.h"

#include <algorithm>

TToolBarLayout::TToolBarLayout(TToolButtons &buttons) : FButtons(buttons) {}

void TToolBarLayout::ComputeMetrics(const TStripImages &images, const TMeasureText &captionWidth,
                                    int toolBarHeight) {
    FToolBarHeight = toolBarHeight;
    FSmallButtonsWidth = images.SmallButtons.width();
    int left = RowsLeft;
    for (int row = RowHome; row <= RowChevron; ++row) {
        TToolButton &b = FButtons[size_t(row)];
        b.Height = images.ButtonFrameHeight;
        b.Top = (toolBarHeight - b.Height) / 2;
        if (row == RowChevron) {
            b.Width = ChevronWidth;
            b.Visible = false;
        } else if (b.Kind == TToolButton::Separator) {
            b.Width = SeparatorWidth;
            b.Visible = true;
        } else {
            b.Width = images.ButtonFrameHeight +
                      (b.ShowCaption ? captionWidth(b.Caption) + CaptionPad : 0) +
                      (b.Kind == TToolButton::DropDown ? ArrowWidth : 0);
            b.Visible = true;
        }
        b.Left = left;
        left += b.Width;
    }
    for (int row = RowCloseTab; row <= RowLeaveFullScreen; ++row) {
        TToolButton &b = FButtons[size_t(row)];
        b.Width = images.TabButtons.width() / 4;
        b.Height = images.TabButtons.height() / 4;
        b.Top = (images.TabBarHeight - b.Height) / 2 - 3;
        if (row == RowCloseTab)
            b.Top += 2;
    }
    for (int row : {RowFavorites, RowCapture}) {
        TToolButton &b = FButtons[size_t(row)];
        b.Width = images.SmallButtons.width() / 2;
        b.Height = images.SmallButtons.height() / 3;
    }
}

void TToolBarLayout::Layout(int toolBarWidth, QSize searchBoxSize, int addressBoxHeight) {
    FToolBarWidth = toolBarWidth;
    FSearchBox = QRect(toolBarWidth - searchBoxSize.width() - SearchRightMargin,
                       (FToolBarHeight - searchBoxSize.height()) / 2, searchBoxSize.width(),
                       searchBoxSize.height());

    // The rows' tool bar positions, summed afresh: the Left of a hidden row holds its place on
    // the drop-down strip, which must not make it fit again.
    int lefts[RowChevron + 1];
    int left = RowsLeft;
    for (int row = RowHome; row <= RowChevron; ++row) {
        lefts[row] = left;
        left += FButtons[size_t(row)].Width;
    }
    const TToolButton &fullScreen = FButtons[RowFullScreen];
    const int chevronWidth = FButtons[RowChevron].Width;
    int room =
        FSearchBox.left() - lefts[RowFullScreen] - fullScreen.Width - chevronWidth - RoomReserve;
    room = std::max(room, 2 * searchBoxSize.width());
    FAddressBox = QRect(FSearchBox.left() - room - 9, (FToolBarHeight - addressBoxHeight) / 2,
                        room - FSmallButtonsWidth, addressBoxHeight);

    const int limit = FAddressBox.left() - FSmallButtonsWidth - RowsGap;
    for (int row = RowHome; row <= RowFullScreen; ++row) {
        TToolButton &b = FButtons[size_t(row)];
        b.Visible = lefts[row] + b.Width + chevronWidth < limit;
    }
    FButtons[RowChevron].Visible = !FButtons[RowFullScreen].Visible;

    // The small buttons sit right to left, ending 2 px into the address frame.
    int right = AddressFrame().left() + 2;
    for (int row : {RowCapture, RowFavorites}) {
        TToolButton &b = FButtons[size_t(row)];
        b.Left = right - b.Width;
        b.Top = FAddressBox.top() + (FAddressBox.height() - b.Height) / 2;
        right = b.Left;
    }
    PlaceRows(TToolStrip::ToolBar);
}

QRect TToolBarLayout::GoRect(const QRect &box) {
    return QRect(box.left() + box.width() + 1, box.top() - GoSlack, GoWidth,
                 box.height() + 2 * GoSlack);
}

QRect TToolBarLayout::SearchFrame() const {
    return QRect(FSearchBox.left() - EngineZoneWidth, FSearchBox.top() - EngineSlack,
                 EngineZoneWidth + FSearchBox.width() + GoWidth + 2,
                 FSearchBox.height() + 2 * EngineSlack);
}

QRect TToolBarLayout::AddressFrame() const {
    return QRect(FAddressBox.left() - AddressIconRoom, FAddressBox.top() - EngineSlack,
                 AddressIconRoom + FAddressBox.width() + GoWidth + 2,
                 FAddressBox.height() + 2 * EngineSlack);
}

bool TToolBarLayout::InSearchEngineZone(int x, int y) const {
    return x >= FSearchBox.left() - EngineZoneWidth && x < FSearchBox.left() &&
           y >= FSearchBox.top() - EngineSlack &&
           y < FSearchBox.top() + FSearchBox.height() + EngineSlack;
}

QPoint TToolBarLayout::SearchMenuPos() const {
    return QPoint(FSearchBox.left() - EngineZoneWidth,
                  FSearchBox.top() + FSearchBox.height() + EngineSlack);
}

QPoint TToolBarLayout::ArrowMenuPos(int row) const {
    const TToolButton &b = FButtons.at(size_t(row));
    return QPoint(b.Left, b.Bottom() + 1);
}

bool TToolBarLayout::OnStrip(int row, TToolStrip strip) const {
    const TToolButton &b = FButtons[size_t(row)];
    if (strip == TToolStrip::ToolBar)
        return row <= RowChevron && b.Visible;
    return row <= RowFullScreen && !b.Visible;
}

QList<int> TToolBarLayout::PlaceRows(TToolStrip strip) {
    QList<int> rows;
    int left = RowsLeft;
    for (int row = RowHome; row <= RowChevron; ++row) {
        if (!OnStrip(row, strip))
            continue;
        TToolButton &b = FButtons[size_t(row)];
        b.Left = left;
        left += b.Width;
        rows.append(row);
    }
    return rows;
}

TStripHit TToolBarLayout::HitTest(TToolStrip strip, int x, int y) {
    TStripHit hit;
    auto hits = [x, y](const TToolButton &b) {
        return x >= b.Left && x <= b.Right() && y >= b.Top && y < b.Bottom();
    };
    for (int row : PlaceRows(strip)) {
        TToolButton &b = FButtons[size_t(row)];
        if (b.Kind == TToolButton::Separator || !hits(b))
            continue;
        hit.Hint = b.Caption;
        if (b.Kind == TToolButton::DropDown)
            b.ArrowHit = x > b.Right() - ArrowHitWidth;
        if (b.Enabled)
            hit.Index = row;
        return hit;
    }
    if (strip != TToolStrip::ToolBar)
        return hit;
    for (auto [row, index] :
         {std::pair(RowFavorites, FavoritesIndex), std::pair(RowCapture, CaptureIndex)}) {
        const TToolButton &b = FButtons[size_t(row)];
        if (!hits(b))
            continue;
        hit.Hint = b.Caption;
        if (b.Enabled)
            hit.Index = index;
        return hit;
    }
    if (SearchGo().contains(x, y))
        hit.Index = SearchGoIndex;
    else if (AddressGo().contains(x, y))
        hit.Index = AddressGoIndex;
    return hit;
}

TToolLook TToolBarLayout::Look(int row, int overIndex, int downIndex) const {
    const TToolButton &b = FButtons.at(size_t(row));
    TToolLook look;
    look.Frame = overIndex == row;
    look.BodyPressed = look.Frame && downIndex == row && !b.ArrowHit;
    look.Shifted = look.BodyPressed;
    look.Body = QRect(b.Left, b.Top, b.Width, b.Height);
    if (b.Kind == TToolButton::DropDown) {
        look.ArrowPressed = look.Frame && b.ArrowHit;
        look.Body.setWidth(b.Width - ArrowWidth - 1);
        look.Arrow = QRect(b.Right() - ArrowWidth, b.Top, ArrowWidth, b.Height);
    }
    return look;
}

QRect TToolBarLayout::ToolBar2Rect() const {
    const TToolButton &chevron = FButtons[RowChevron];
    int width = 18;
    for (int row = RowFullScreen; row >= RowHome && !FButtons[size_t(row)].Visible; --row)
        width += FButtons[size_t(row)].Width;
    int left = chevron.Left + chevron.Width / 2 - width / 2;
    // Centred on the chevron, but kept inside the tool bar so that no hidden row is cut off.
    left = std::max(0, std::min(left, FToolBarWidth - width));
    return QRect(left, chevron.Bottom(), width, ToolBar2Height);
}

TStatusBarRects TToolBarLayout::StatusBar(int width, int height, int statusImageWidth,
                                          QSize progressCell, int progress) {
    TStatusBarRects r;
    r.ContentRight = width - statusImageWidth;
    int textRight = r.ContentRight;
    if (progress > 0) {
        r.Progress = QRect(r.ContentRight - ProgressWidth, (height - progressCell.height()) / 2,
                           ProgressWidth, progressCell.height());
        r.Fill = QRect(r.Progress.topLeft(),
                       QSize(std::min(progress, ProgressWidth), progressCell.height()));
        textRight = r.Progress.left();
    }
    r.Text = QRect(StatusTextLeft, 0, std::max(0, textRight - StatusTextLeft), height);
    return r;
}
