#include "dialogs/TfrmSelLogin.h"

#include "controls/TSkin.h"

#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// A row: a rounded tick box and the account name; the current row in the item highlight.
class TCheckDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override {
        return QSize(100, TfrmSelLogin::RowHeight + 4);
    }

    void paint(QPainter *p, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override {
        const QRect r = option.rect;
        const bool current =
            option.state & QStyle::State_HasFocus || option.state & QStyle::State_Selected;
        const bool hot = option.state & QStyle::State_MouseOver;
        p->save();
        if (current || hot) {
            const QImage &item = Skin().BgItem;
            if (!item.isNull())
                p->drawImage(r, item, QRect(item.width() / 3, 0, item.width() / 3, item.height()));
        }
        p->setRenderHint(QPainter::Antialiasing);
        const QRectF box(r.left() + 6.5, r.top() + (r.height() - 13) / 2 + 0.5, 12, 12);
        const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        const QColor accent(0x2B, 0x79, 0xD0);
        p->setPen(QPen(checked ? accent : ColorToQColor(Skin().Shadow).darker(110), 1));
        p->setBrush(checked ? accent : QColor(Qt::white));
        p->drawRoundedRect(box, 2.5, 2.5);
        if (checked) {
            p->setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p->drawPolyline(
                QPolygonF({box.topLeft() + QPointF(2.8, 6.2), box.topLeft() + QPointF(5.2, 8.6),
                           box.topLeft() + QPointF(9.4, 3.6)}));
        }
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setPen(ColorToQColor(Skin().FontColor));
        p->setFont(option.font);
        p->drawText(r.adjusted(26, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                    index.data(Qt::DisplayRole).toString());
        p->restore();
    }

    // A click anywhere on the row ticks it; Space ticks the current row.
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            const int state = index.data(Qt::CheckStateRole).toInt();
            return model->setData(index, state == Qt::Checked ? Qt::Unchecked : Qt::Checked,
                                  Qt::CheckStateRole);
        }
        if (event->type() == QEvent::MouseButtonDblClick)
            return true;
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }
};

} // namespace

TfrmSelLogin::TfrmSelLogin(QWidget *Owner) : TSkinForm(Owner, TBorderStyle::Dialog) {
    setObjectName(QStringLiteral("frmSelLogin"));
    SetCaption(QStringLiteral("请选择登录帐号"));
    SetClientSize(262, 196);
    auto *label = new QLabel(QStringLiteral("选择要登录的帐号，每个帐号打开一个标签："), Client());
    label->move(14, 12);
    label->adjustSize();
    CheckList1 = new QListWidget(Client());
    CheckList1->setObjectName(QStringLiteral("CheckList1"));
    CheckList1->setGeometry(14, 34, 234, 110);
    CheckList1->setItemDelegate(new TCheckDelegate(CheckList1));
    CheckList1->setMouseTracking(true);
    CheckList1->setUniformItemSizes(true);
    CheckList1->setStyleSheet(
        QStringLiteral("QListWidget { background: white; border: 1px solid %1; border-radius: 3px;"
                       " padding: 2px; outline: none; }")
            .arg(ColorToQColor(Skin().Shadow).name()));
}

void TfrmSelLogin::AddName(const QString &Name, bool Checked) {
    auto *item = new QListWidgetItem(Name, CheckList1);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
}

QStringList TfrmSelLogin::Names() const {
    QStringList names;
    for (int i = 0; i < CheckList1->count(); ++i)
        names.append(CheckList1->item(i)->text());
    return names;
}

QStringList TfrmSelLogin::CheckedNames() const {
    QStringList names;
    for (int i = 0; i < CheckList1->count(); ++i)
        if (CheckList1->item(i)->checkState() == Qt::Checked)
            names.append(CheckList1->item(i)->text());
    return names;
}

void TfrmSelLogin::SetChecked(int Index, bool Checked) {
    if (QListWidgetItem *item = CheckList1->item(Index))
        item->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
}

bool TfrmSelLogin::IsChecked(int Index) const {
    const QListWidgetItem *item = CheckList1->item(Index);
    return item && item->checkState() == Qt::Checked;
}

void TfrmSelLogin::FormShow() {
    SetButtonBar(true);
    if (!FButtonsAdded) {
        FButtonsAdded = true;
        AddButtons(bkOkCancel);
    }
    if (CheckList1->count() > 0 && !CheckList1->currentItem())
        CheckList1->setCurrentRow(0);
    CheckList1->setFocus();
}
