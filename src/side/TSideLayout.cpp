#include "side/TSideLayout.h"

#include <algorithm>

QRect TSideLayout::ClientRect(int formWidth, int formHeight) const {
    const int right = formWidth - M.SplitWidth;
    const int left = right - ClientWidth;
    return QRect(left, M.SearchBoxHeight, ClientWidth, std::max(0, formHeight - M.SearchBoxHeight));
}

int TSideLayout::SectionColumnWidth(int formWidth) const {
    return std::max(0, formWidth - M.SplitWidth - ClientWidth);
}

QRect TSideLayout::SectionRect(int section, int formWidth, int formHeight) const {
    const QRect client = ClientRect(formWidth, formHeight);
    return QRect(0, client.top() + SectionHeight * (section - 1), SectionColumnWidth(formWidth),
                 SectionHeight);
}

QRect TSideLayout::HandleRect(int formWidth, int formHeight) const {
    const int f = HandleFrameHeight();
    return QRect(formWidth - M.SplitWidth, (formHeight - f) / 2, M.SplitWidth, f);
}

int TSideLayout::HandleFrame(bool expanded, int hoveredSection, int pressedSection) {
    int frame = expanded ? 1 : 4;
    if (hoveredSection == 0) {
        ++frame;
        if (pressedSection == 0)
            ++frame;
    }
    return frame;
}

int TSideLayout::SectionAt(int x, int y, int formWidth, int formHeight, bool expanded) const {
    const QRect client = ClientRect(formWidth, formHeight);
    if (expanded && x >= 0 && x < client.left() && y >= client.top()) {
        const int section = (y - client.top()) / SectionHeight + 1;
        return section <= SectionCount ? section : -1;
    }
    const int f = HandleFrameHeight();
    const int top = (formHeight - f) / 2;
    if (formWidth - M.SplitWidth < x && x < formWidth && top < y && y < top + f)
        return 0;
    return -1;
}

QRect TSideLayout::GamesPanelRect(int clientWidth, int clientHeight, int groups,
                                  int openGroup) const {
    const int h = M.ListHeight;
    return QRect(3, h * (openGroup + 1) + 2, std::max(0, clientWidth - 6),
                 std::max(0, clientHeight - 4 - h * groups));
}

QRect TSideLayout::FavouritesPanelRect(int clientWidth, int clientHeight) const {
    return QRect(3, 2, std::max(0, clientWidth - 6), std::max(0, clientHeight - 4));
}

int TSideLayout::GroupBarTop(int group, int openGroup, int panelHeight) const {
    return 2 + group * M.ListHeight + (group > openGroup ? panelHeight : 0);
}

int TSideLayout::GroupAt(int x, int y, const QRect &gamesPanel, int groups, int openGroup) const {
    const int h = M.ListHeight;
    if (h <= 0 || x < gamesPanel.left() || x > gamesPanel.left() + gamesPanel.width())
        return -1;
    int group = -1;
    if (y < gamesPanel.top()) {
        if (y >= 2)
            group = (y - 2) / h;
        return group >= 0 && group <= openGroup ? group : -1;
    }
    if (y >= gamesPanel.top() + gamesPanel.height()) {
        group = (y - 2 - gamesPanel.height()) / h;
        return group > openGroup && group < groups ? group : -1;
    }
    return -1;
}

int TSideLayout::GroupFrame(int group, int pressedGroup, int openGroup, int hoveredGroup) {
    if (group == pressedGroup || group == openGroup)
        return 2;
    return group == hoveredGroup ? 1 : 0;
}
