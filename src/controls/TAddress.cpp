#include "controls/TAddress.h"

#include "controls/TAddressBox.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

// Hands every row to the box, which draws it, and gives each row the fixed height.
class TAddress::TItemDrawer : public QStyledItemDelegate {
public:
    explicit TItemDrawer(TAddress *list) : QStyledItemDelegate(list), FList(list) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override {
        FList->Box()->DrawItem(painter, index.row(), option.rect,
                               option.state.testFlag(QStyle::State_Selected));
    }
    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override {
        return QSize(FList->viewport()->width(), ItemHeight);
    }

private:
    TAddress *FList;
};

TAddress::TAddress(TAddressBox *box, QWidget *parent) : QListWidget(parent), FBox(box) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setItemDelegate(new TItemDrawer(this));
    setFont(box->font());
}

int TAddress::SelectedIndex() const {
    const int row = currentRow();
    return row >= 0 && row < count() && item(row)->isSelected() ? row : -1;
}

QString TAddress::ItemText(int index) const {
    const QListWidgetItem *it = item(index);
    return it ? it->text() : QString();
}

void TAddress::mouseMoveEvent(QMouseEvent *event) {
    // Only the row follows the pointer; no drag selection, no item dragging.
    const int row = indexAt(event->position().toPoint()).row();
    if (row >= 0 && row != currentRow())
        setCurrentRow(row);
    event->accept();
}

void TAddress::mousePressEvent(QMouseEvent *event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const int row = SelectedIndex();
    if (row < 0)
        return;
    FBox->ChooseItem(ItemText(row));
}

void TAddress::mouseReleaseEvent(QMouseEvent *event) {
    event->accept();
}

void TAddress::mouseDoubleClickEvent(QMouseEvent *event) {
    event->accept();
}

void TAddress::contextMenuEvent(QContextMenuEvent *event) {
    event->accept();
}
