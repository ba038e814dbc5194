#include "side/TfrmAddUser.h"

#include "controls/TEControl.h"
#include "controls/TSkin.h"
#include "dialogs/TfrmTip.h"
#include "side/TForm2.h"
#include "store/EWriteError.h"
#include "store/TUserData.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

const QString TfrmAddUser::ChooseGame = QStringLiteral("请选择游戏");

namespace {

constexpr int ArrowZone = 24;

// The game box: a read-only edit with a drop-down arrow in its rightmost 24 pixels.
class TGameBox : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void paintEvent(QPaintEvent *event) override {
        QLineEdit::paintEvent(event);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor glyph = isEnabled() ? QColor(0x4A, 0x5A, 0x6E) : QColor(0xB4, 0xBE, 0xCA);
        const double cx = width() - ArrowZone / 2.0, cy = height() / 2.0;
        p.setPen(QPen(ColorToQColor(Skin().Shadow), 1));
        p.drawLine(QPointF(width() - ArrowZone + 0.5, 4),
                   QPointF(width() - ArrowZone + 0.5, height() - 4));
        p.setPen(QPen(glyph, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(
            QPolygonF({QPointF(cx - 4, cy - 2), QPointF(cx, cy + 2), QPointF(cx + 4, cy - 2)}));
    }
};

} // namespace

TfrmAddUser::TfrmAddUser(QWidget *Owner) : TSkinForm(Owner, TBorderStyle::Dialog) {
    setObjectName(QStringLiteral("frmAddUser"));
    SetCaption(QStringLiteral("添加帐号"));
    SetClientSize(300, 196);
    const QStringList labels = {QStringLiteral("名称："), QStringLiteral("游戏："),
                                QStringLiteral("帐号："), QStringLiteral("密码：")};
    Edit1 = new QLineEdit(Client());
    GameBox = new TGameBox(Client());
    Edit3 = new QLineEdit(Client());
    Edit4 = new QLineEdit(Client());
    Edit1->setObjectName(QStringLiteral("Edit1"));
    GameBox->setObjectName(QStringLiteral("GameBox"));
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit4->setObjectName(QStringLiteral("Edit4"));
    Edit4->setEchoMode(QLineEdit::Password);
    GameBox->setReadOnly(true);
    GameBox->setText(ChooseGame);
    GameBox->setCursor(Qt::PointingHandCursor);
    GameBox->installEventFilter(this);
    const QList<QLineEdit *> edits = {Edit1, GameBox, Edit3, Edit4};
    for (int i = 0; i < 4; ++i) {
        auto *label = new QLabel(labels[i], Client());
        label->move(36, 24 + i * 34);
        label->adjustSize();
        edits[i]->setStyleSheet(EditStyleSheet() +
                                (edits[i] == GameBox
                                     ? QStringLiteral("QLineEdit { padding-right: %1px; }"
                                                      "QLineEdit:disabled { background: #F2F4F7;"
                                                      " color: #6B7785; }")
                                           .arg(ArrowZone)
                                     : QString()));
        edits[i]->setGeometry(88, 20 + i * 34, 180, 24);
    }
    FPicker = new TForm2(this);
    FPicker->hide();
    FPicker->OnPick = [this](const QString &caption, const QString &location) {
        GameBox->setToolTip(location);
        // A title the player typed stays; one the last pick filled in follows the new pick.
        if (Edit1->text().isEmpty() || Edit1->text() == FPickedCaption)
            Edit1->setText(caption);
        FPickedCaption = caption;
        GameBox->setText(caption);
        Edit3->setFocus();
    };
}

void TfrmAddUser::PresetGame(const QString &Caption, const QString &Location) {
    Edit1->setText(Caption);
    GameBox->setText(Caption);
    GameBox->setToolTip(Location);
    GameBox->setEnabled(false);
}

QString TfrmAddUser::Location() const {
    // The chosen game's location is kept in the box's hint.
    return GameBox->toolTip();
}
QString TfrmAddUser::Caption() const {
    return Edit1->text();
}
QString TfrmAddUser::User() const {
    return Edit3->text();
}
QString TfrmAddUser::Pass() const {
    return Edit4->text();
}

void TfrmAddUser::FormShow() {
    SetButtonBar(true);
    if (!FButtonsAdded) {
        FButtonsAdded = true;
        AddButtons(bkOkCancel);
        // OK acts only with an account given.
        if (TEControl *ok = ButtonWithResult(1)) {
            auto original = ok->OnMouseUp;
            ok->OnMouseUp = [this, original](TEControl *s, Qt::MouseButton b, TShiftState st, int x,
                                             int y) {
                if (s->OverIndex() == s->DownIndex() && !AccountGiven()) {
                    s->SetDownIndex(-1);
                    s->Redraw();
                    return;
                }
                original(s, b, st, x, y);
            };
        }
    }
    (Edit1->text().isEmpty() ? Edit1 : Edit3)->setFocus();
}

void TfrmAddUser::keyPressEvent(QKeyEvent *Event) {
    if ((Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) && !AccountGiven())
        return;
    TSkinForm::keyPressEvent(Event);
}

bool TfrmAddUser::AccountGiven() {
    if (!Edit3->text().isEmpty())
        return true;
    ShowTip(QStringLiteral("提示"), QStringLiteral("请输入帐号！"), QString(), bkOk);
    Edit3->setFocus();
    return false;
}

bool TfrmAddUser::eventFilter(QObject *Watched, QEvent *Event) {
    if (Watched == GameBox && Event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(Event);
        if (mouse->button() == Qt::LeftButton &&
            mouse->position().x() >= GameBox->width() - ArrowZone) {
            OpenPicker();
            return true;
        }
    }
    return TSkinForm::eventFilter(Watched, Event);
}

void TfrmAddUser::OpenPicker() {
    if (!GameBox->isEnabled())
        return;
    FPicker->FillFromCatalogue();
    FPicker->DropBelow(GameBox);
}

bool TfrmAddUser::Execute() {
    if (ShowModal() != mrOk)
        return false;
    return StoreAccount(Location(), User(), Caption(), Pass());
}

bool TfrmAddUser::StoreAccount(const QString &Location, const QString &User, const QString &Caption,
                               const QString &Pass) {
    TUserData &data = UserData();
    data.EnsureStructure();
    QDomElement found = data.FindAccount(Location, User);
    QDomElement added;
    const QString oldCaption = found.attribute(QStringLiteral("caption"));
    const QString oldPass = found.attribute(QStringLiteral("pass"));
    if (found.isNull()) {
        added = data.AppendAccount(Location, User, Caption, Pass);
        if (added.isNull()) {
            ShowTip(QStringLiteral("提示"), QStringLiteral("无法保存用户数据！"),
                    QStringLiteral("用户数据中没有存放帐号的位置。"), bkOk);
            return false;
        }
    } else {
        if (ShowTip(QStringLiteral("提示"), QStringLiteral("游戏大厅中有相同的帐号，是否覆盖？"),
                    QString(), bkYesNo) != mrYes)
            return false;
        found.setAttribute(QStringLiteral("caption"), TUserData::StorableText(Caption));
        found.setAttribute(QStringLiteral("pass"), TUserData::StorableText(Pass));
    }
    try {
        data.Save();
    } catch (const EWriteError &e) {
        // Not kept: the store stays as its file has it (also one that would grow too large).
        if (!added.isNull()) {
            added.parentNode().removeChild(added);
        } else {
            found.setAttribute(QStringLiteral("caption"), oldCaption);
            found.setAttribute(QStringLiteral("pass"), oldPass);
        }
        ShowTip(QStringLiteral("提示"), QStringLiteral("无法保存用户数据！"), e.Message(), bkOk);
        return false;
    }
    return true;
}
