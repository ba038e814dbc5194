#pragma once
// The side panel's flat tree: borderless, no expand buttons, lines or native scroll bars, rows
// drawn by the owner, vertical scrolling shown by its own TScrollBar1. It fills its parent; the
// bar, when there is something to scroll, takes the 18 px at the parent's right edge.

#include <QDomElement>
#include <QPointer>
#include <QTreeWidget>

#include <functional>

#include "side/TScrollBar1.h"

// A node of a side panel tree: the element it shows, its image (0 closed folder, 1 open folder,
// 2 game) and its badge (state index 1 "HOT!", 2 "NEW!").
class TSideNode : public QTreeWidgetItem {
public:
    TSideNode() = default;
    QDomElement Element;
    int ImageIndex = 0;
    int StateIndex = 0;
    QString Url; // favourites: the shortcut's address
};

class TTreeView1 : public QTreeWidget {
    Q_OBJECT

public:
    // Text starts this far right of the node's indentation: room for its 16 px image.
    static constexpr int TextIndent = 24;
    static constexpr int Indent = 19;

    explicit TTreeView1(QWidget *parent);
    ~TTreeView1() override;

    // The tree owns the bar from now on; it lives in the same parent.
    void AttachBar(TScrollBar1 *bar);
    TScrollBar1 *Bar() const { return FBar; }
    void SetRowHeight(int height);
    int RowHeight() const { return FRowHeight; }
    void SetColor(const QColor &color);

    TSideNode *NodeAt(const QPoint &pos) const;
    static TSideNode *Node(QTreeWidgetItem *item) { return static_cast<TSideNode *>(item); }
    // The node's whole row, and the part its text takes, in viewport coordinates.
    QRect RowRect(QTreeWidgetItem *item) const;
    QRect TextRect(QTreeWidgetItem *item) const;
    int VisibleRows() const;
    int ExpandedRowCount() const;

    // Mirrors the tree's scroll state into the bar and shows or hides it.
    void SyncBar();

    std::function<void(TTreeView1 *sender, QPainter &canvas, TSideNode *node, const QRect &row,
                       const QRect &text)>
        OnDrawNode;
    std::function<void(TTreeView1 *sender, Qt::MouseButton button, bool doubleClick, int x, int y)>
        OnMouseDown;
    std::function<void(TTreeView1 *sender, int x, int y)> OnMouseMove;
    std::function<void(TTreeView1 *sender, TSideNode *node)> OnExpanding;
    std::function<void(TTreeView1 *sender, TSideNode *node)> OnCollapsing;

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const override;
    void drawBranches(QPainter *, const QRect &, const QModelIndex &) const override {}
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FitParent();

    QPointer<TScrollBar1> FBar;
    int FRowHeight = 22;
    bool FGuard = false;
};
