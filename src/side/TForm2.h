#pragma once
// The game picker: a drop-down listing the whole catalogue, every section opened with all its
// folders. A press on a game (or folder) below a section picks it; the window hides itself when
// it loses the pointer grab.

#include <QWidget>

#include <functional>

class TTreeView1;
class TSideNode;

class TForm2 : public QWidget {
    Q_OBJECT

public:
    static constexpr int DesignWidth = 195;
    static constexpr int DesignHeight = 266;

    explicit TForm2(QWidget *owner = nullptr);

    // Fills the tree from the process-wide catalogue, opens everything, selects the first node.
    void FillFromCatalogue();
    // Drops below a widget, as wide as it.
    void DropBelow(QWidget *anchor);
    TTreeView1 *Tree() const { return FTree; }

    // A node below a section was pressed: its caption and location (not empty).
    std::function<void(const QString &caption, const QString &location)> OnPick;

    // What a press at (x, y) of the tree does; exposed for tests.
    void TreeMouseDown(int x, int y);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TTreeView1 *FTree = nullptr;
    QWidget *FHolder = nullptr;
    TSideNode *FHovered = nullptr;
};
