#include "dialogs/TfrmSelLogin.h"

#include "controls/TEControl.h"
#include "controls/TSkin.h"
#include "dialogs/TfrmTip.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

constexpr int UserRole = Qt::UserRole;
constexpr int TitleRole = Qt::UserRole + 1;

// A row: a rounded tick box, the account title and its user name; the current row in the item
// highlight.
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
        // The account's title first, its user name after it in the frame colour.
        const QRect text = r.adjusted(26, 0, -4, 0);
        const QString title = index.data(TitleRole).toString();
        const QString user = QStringLiteral("[%1]").arg(index.data(UserRole).toString());
        const QFontMetrics fm(option.font);
        int x = text.left();
        if (!title.isEmpty()) {
            const QString shown = fm.elidedText(title, Qt::ElideRight, text.width() * 3 / 5);
            p->drawText(QRect(x, text.top(), text.width(), text.height()),
                        Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
            x += fm.horizontalAdvance(shown) + 6;
            p->setPen(ColorToQColor(Skin().Shadow).darker(170));
        }
        p->drawText(QRect(x, text.top(), text.right() - x, text.height()),
                    Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                    fm.elidedText(user, Qt::ElideRight, text.right() - x));
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

void TfrmSelLogin::AddName(const QString &Name, bool Checked, const QString &Title) {
    auto *item = new QListWidgetItem(
        Title.isEmpty() ? Name : Title + QStringLiteral(" [") + Name + QStringLiteral("]"),
        CheckList1);
    item->setData(UserRole, Name);
    item->setData(TitleRole, Title);
    item->setToolTip(item->text());
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
}

QStringList TfrmSelLogin::Names() const {
    QStringList names;
    for (int i = 0; i < CheckList1->count(); ++i)
        names.append(CheckList1->item(i)->data(UserRole).toString());
    return names;
}

QStringList TfrmSelLogin::CheckedNames() const {
    QStringList names;
    for (int i = 0; i < CheckList1->count(); ++i)
        if (CheckList1->item(i)->checkState() == Qt::Checked)
            names.append(CheckList1->item(i)->data(UserRole).toString());
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
        if (TEControl *ok = ButtonWithResult(mrOk)) {
            auto original = ok->OnMouseUp;
            ok->OnMouseUp = [this, original](TEControl *s, Qt::MouseButton b, TShiftState st, int x,
                                             int y) {
                if (s->OverIndex() == s->DownIndex() && s->DownIndex() >= 0 && !AnyChecked()) {
                    s->SetDownIndex(-1);
                    s->Redraw();
                    return;
                }
                original(s, b, st, x, y);
            };
        }
    }
    if (CheckList1->count() > 0 && !CheckList1->currentItem())
        CheckList1->setCurrentRow(0);
    CheckList1->setFocus();
}

void TfrmSelLogin::keyPressEvent(QKeyEvent *Event) {
    if ((Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) && !AnyChecked())
        return;
    TSkinForm::keyPressEvent(Event);
}

bool TfrmSelLogin::AnyChecked() {
    if (!CheckedNames().isEmpty())
        return true;
    ShowTip(QStringLiteral("提示"), QStringLiteral("请至少勾选一个帐号！"),
            QStringLiteral("不想登录时请点“取消”。"), bkOk);
    CheckList1->setFocus();
    return false;
}
