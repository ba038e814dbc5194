#include "side/TTreeView1.h"

#include "side/TScrollBar1.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace {

// Every row is the same height: the row height the panel sets.
class TRowDelegate : public QStyledItemDelegate {
public:
    TRowDelegate(TTreeView1 *tree) : QStyledItemDelegate(tree), FTree(tree) {}
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), FTree->RowHeight());
    }

private:
    TTreeView1 *FTree;
};

} // namespace

TTreeView1::TTreeView1(QWidget *parent) : QTreeWidget(parent) {
    setFrameShape(QFrame::NoFrame);
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(true);
    setIndentation(Indent);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setExpandsOnDoubleClick(false);
    setAnimated(false);
    setItemDelegate(new TRowDelegate(this));
    header()->setStretchLastSection(true);
    setAttribute(Qt::WA_Hover, false);

    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this]() { SyncBar(); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this]() { SyncBar(); });
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) {
        if (OnExpanding)
            OnExpanding(this, Node(item));
    });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *item) {
        if (OnCollapsing)
            OnCollapsing(this, Node(item));
    });
    if (parent)
        parent->installEventFilter(this);
    FitParent();
}

TTreeView1::~TTreeView1() {
    delete FBar;
}

void TTreeView1::AttachBar(TScrollBar1 *bar) {
    FBar = bar;
    bar->OnChange = [this](int position) { verticalScrollBar()->setValue(position); };
    SyncBar();
}

void TTreeView1::SetRowHeight(int height) {
    FRowHeight = std::max(8, height);
    doItemsLayout();
}

void TTreeView1::SetColor(const QColor &color) {
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    p.setColor(QPalette::Window, color);
    setPalette(p);
    viewport()->setPalette(p);
    setAutoFillBackground(true);
    viewport()->setAutoFillBackground(true);
    if (FBar) {
        FBar->setPalette(p);
    }
}

TSideNode *TTreeView1::NodeAt(const QPoint &pos) const {
    return static_cast<TSideNode *>(itemAt(pos));
}

QRect TTreeView1::RowRect(QTreeWidgetItem *item) const {
    const QRect r = visualItemRect(item);
    return QRect(0, r.top(), viewport()->width(), r.height());
}

QRect TTreeView1::TextRect(QTreeWidgetItem *item) const {
    const QRect r = visualItemRect(item);
    const int left = r.left() + TextIndent;
    return QRect(left, r.top(), std::max(0, viewport()->width() - left - 2), r.height());
}

int TTreeView1::VisibleRows() const {
    return FRowHeight > 0 ? viewport()->height() / FRowHeight : 0;
}

int TTreeView1::ExpandedRowCount() const {
    const QScrollBar *v = verticalScrollBar();
    return v->maximum() + v->pageStep();
}

void TTreeView1::drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const {
    QTreeWidgetItem *item = itemFromIndex(index);
    if (!OnDrawNode || item == nullptr) {
        QTreeWidget::drawRow(painter, option, index);
        return;
    }
    const QRect row(0, option.rect.top(), viewport()->width(), option.rect.height());
    auto *self = const_cast<TTreeView1 *>(this);
    OnDrawNode(self, *painter, Node(item), row, TextRect(item));
}

void TTreeView1::mousePressEvent(QMouseEvent *event) {
    // The owner decides what a press selects, expands or starts.
    const QPoint p = event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(this, event->button(), false, p.x(), p.y());
}

void TTreeView1::mouseDoubleClickEvent(QMouseEvent *event) {
    const QPoint p = event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(this, event->button(), true, p.x(), p.y());
}

void TTreeView1::mouseMoveEvent(QMouseEvent *event) {
    const QPoint p = event->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(this, p.x(), p.y());
}

void TTreeView1::mouseReleaseEvent(QMouseEvent *) {
    SyncBar();
}

void TTreeView1::keyPressEvent(QKeyEvent *event) {
    QTreeWidget::keyPressEvent(event);
    SyncBar();
}

void TTreeView1::resizeEvent(QResizeEvent *event) {
    QTreeWidget::resizeEvent(event);
    viewport()->update();
    SyncBar();
}

void TTreeView1::showEvent(QShowEvent *event) {
    QTreeWidget::showEvent(event);
    SyncBar();
}

void TTreeView1::hideEvent(QHideEvent *event) {
    QTreeWidget::hideEvent(event);
    if (FBar)
        FBar->hide();
}

bool TTreeView1::eventFilter(QObject *watched, QEvent *event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        FitParent();
    return QTreeWidget::eventFilter(watched, event);
}

void TTreeView1::FitParent() {
    QWidget *p = parentWidget();
    if (p == nullptr)
        return;
    const bool bar = FBar && FBar->isVisibleTo(p);
    const int w = p->width(), h = p->height();
    if (bar)
        FBar->setGeometry(w - TScrollBar1::BarWidth, 0, TScrollBar1::BarWidth, h);
    setGeometry(0, 0, bar ? w - TScrollBar1::BarWidth : w, h);
}

void TTreeView1::SyncBar() {
    if (FGuard || !FBar)
        return;
    FGuard = true;
    const QScrollBar *v = verticalScrollBar();
    // As the platform's tree reports it: Max is the last row, Page the rows that fit whole.
    const int page = v->pageStep();
    const int max = v->maximum() + page - 1;
    const bool show = v->maximum() > 0 && max > 0 && max >= page && isVisibleTo(parentWidget());
    const bool wasShown = FBar->isVisibleTo(parentWidget());
    if (show)
        FBar->SetParams(0, max, v->value(), page);
    if (show != wasShown) {
        FBar->setVisible(show);
        FitParent();
    }
    FGuard = false;
}
