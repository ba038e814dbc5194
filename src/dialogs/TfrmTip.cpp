#include "dialogs/TfrmTip.h"

#include "controls/TEControl.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>

namespace {

QPointer<QWidget> TipOwner;
QList<int> NextAnswers;
QList<TTipCall> Calls;
constexpr int MaxRecordedCalls = 64;

// Right margin kept between the text and the window edge when a long line widens the box.
constexpr int TextMargin = 24;

} // namespace

TfrmTip::TfrmTip(QWidget *Owner) : TSkinForm(Owner, TBorderStyle::Dialog) {
    setObjectName(QStringLiteral("frmTip"));
    SetClientSize(DesignClientWidth, DesignClientHeight);
    Label1 = new QLabel(Client());
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(48, 24);
    Label2 = new QLabel(Client());
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(48, 40);
    // Messages carry names from pages and files: never let them be read as markup.
    Label1->setTextFormat(Qt::PlainText);
    Label2->setTextFormat(Qt::PlainText);
}

void TfrmTip::FormShow() {
    // Labels are sized to their text; an empty one keeps the height of a line.
    const int lineHeight = fontMetrics().height();
    for (QLabel *label : {Label1, Label2}) {
        label->adjustSize();
        if (label->text().isEmpty())
            label->resize(0, lineHeight);
    }
    // A line too long for the box widens it rather than being cut off.
    const int needed =
        std::max(Label1->geometry().right(), Label2->geometry().right()) + 1 + TextMargin;
    if (needed > ClientWidth()) {
        const int grow = needed - ClientWidth();
        resize(width() + grow, height());
        for (TEControl *button : Buttons())
            button->move(button->x() + grow, button->y());
    }
    if (!FShrunk && Label2->text().isEmpty()) {
        FShrunk = true;
        const int shrink = Label2->height();
        resize(width(), height() - shrink);
        for (TEControl *control : Client()->findChildren<TEControl *>())
            control->move(control->x(), control->y() - shrink);
    }
}

void TfrmTip::SetNextAnswer(int Answer) {
    NextAnswers.append(Answer);
}

QList<TTipCall> TfrmTip::TakeCalls() {
    return std::exchange(Calls, {});
}

void SetTipOwner(QWidget *Owner) {
    TipOwner = Owner;
}

int ShowTip(const QString &Caption, const QString &Line1, const QString &Line2, int Kind) {
    Calls.append({Caption, Line1, Line2, Kind});
    if (Calls.size() > MaxRecordedCalls)
        Calls.removeFirst();
    if (!NextAnswers.isEmpty())
        return NextAnswers.takeFirst();

    QWidget *owner = TipOwner ? TipOwner.data() : QApplication::activeWindow();
    TfrmTip *form = new TfrmTip(owner);
    form->SetCaption(Caption);
    form->Label1->setText(Line1);
    form->Label2->setText(Line2);
    form->AddButtons(TButtonKind(Kind));
    form->SetButtonBar(true);
    QPointer<TfrmTip> guard(form);
    const int result = form->ShowModal();
    delete guard.data();
    return result;
}
