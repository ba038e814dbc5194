#pragma once
// The side panel's geometry and hit-testing, free of widgets: the section column left of the
// list area, the collapse handle at the right edge, and the accordion of group title bars
// around the one open group tree.

#include <QRect>

struct TSideMetrics {
    int SearchBoxWidth = 250; // "bg_searchbox.bmp": the expanded width
    int SearchBoxHeight = 24; // the search strip's height
    int SplitWidth = 9;       // "btn_split.bmp": the collapsed width and handle column
    int SplitHeight = 420;    // seven frames stacked
    int ListHeight = 26;      // "btn_list.bmp": one group title bar
};

class TSideLayout {
public:
    static constexpr int ClientWidth = 178; // the list area between section column and handle
    static constexpr int SectionHeight = 42;
    static constexpr int SectionCount = 7;

    TSideLayout() = default;
    explicit TSideLayout(const TSideMetrics &metrics) : M(metrics) {}
    const TSideMetrics &Metrics() const { return M; }

    int ExpandedWidth() const { return M.SearchBoxWidth; }
    int CollapsedWidth() const { return M.SplitWidth; }

    // The list area: 178 px directly left of the handle column, below the search strip.
    QRect ClientRect(int formWidth, int formHeight) const;
    int SectionColumnWidth(int formWidth) const;
    QRect SectionRect(int section, int formWidth, int formHeight) const; // section 1..7

    int HandleFrameHeight() const { return M.SplitHeight / 7; }
    QRect HandleRect(int formWidth, int formHeight) const;
    // 1 normal, 2 hot, 3 pressed while expanded; 4, 5, 6 collapsed.
    static int HandleFrame(bool expanded, int hoveredSection, int pressedSection);
    // -1 nothing, 0 the handle, 1..7 a section button (only while expanded).
    int SectionAt(int x, int y, int formWidth, int formHeight, bool expanded) const;

    // Accordion inside the list area (client coordinates of the list area).
    QRect GamesPanelRect(int clientWidth, int clientHeight, int groups, int openGroup) const;
    QRect FavouritesPanelRect(int clientWidth, int clientHeight) const;
    int GroupBarTop(int group, int openGroup, int panelHeight) const;
    // The title bar under (x, y); -1 on the open tree, outside the bars or beside them.
    int GroupAt(int x, int y, const QRect &gamesPanel, int groups, int openGroup) const;
    // The frame of "btn_list.bmp": 2 pressed or open, 1 hot, 0 normal.
    static int GroupFrame(int group, int pressedGroup, int openGroup, int hoveredGroup);

private:
    TSideMetrics M;
};
