#include "dialogs/TfrmClose.h"

#include "controls/TPushButton.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>

TfrmClose::TfrmClose(QWidget *Owner) : TSkinForm(Owner, TBorderStyle::Dialog) {
    setObjectName(QStringLiteral("frmClose"));
    if (Owner)
        setFont(Owner->window()->font());
    SetCaption(QStringLiteral("关闭提示"));
    // "下次不再提示" gets a line of its own above the button row's rule (which lies 18 pixels
    // above the buttons), not a place beside "确定".
    constexpr int CheckTop = 96;
    SetClientSize(278, CheckTop + 17 + 14 + 18 + TPushButton::ButtonSize().height());

    FGroup = new QButtonGroup(this);
    const char *const texts[] = {"清除帐号信息并关闭", "导出帐号信息并关闭", "仅仅只是关闭"};
    for (int i = 0; i < 3; ++i) {
        auto *radio = new QRadioButton(Client());
        radio->setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
        radio->setGeometry(24, 16 + 24 * i, 18, 17);
        FGroup->addButton(radio, i);
        RadioButtons[i] = radio;
        auto *label = new QLabel(QString::fromUtf8(texts[i]), Client());
        label->setGeometry(44, 16 + 24 * i, 150, 17);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->installEventFilter(this);
        RadioLabels[i] = label;
    }
    CheckBox1 = new QCheckBox(Client());
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(24, CheckTop, 18, 17);
    CheckLabel = new QLabel(QStringLiteral("下次不再提示"), Client());
    CheckLabel->setGeometry(44, CheckTop, 150, 17);
    CheckLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    CheckLabel->installEventFilter(this);
}

void TfrmClose::SelectTag(int Tag) {
    // An exclusive group cannot be emptied; lift it for the moment of the change.
    FGroup->setExclusive(false);
    for (int i = 0; i < 3; ++i)
        RadioButtons[i]->setChecked(i == Tag);
    FGroup->setExclusive(true);
}

int TfrmClose::SelectedTag() const {
    return FGroup->checkedId();
}

bool TfrmClose::DontAskAgain() const {
    return CheckBox1->isChecked();
}

void TfrmClose::FormShow() {
    SetButtonBar(true);
    if (!FButtonsAdded) {
        FButtonsAdded = true;
        AddButtons(bkOkCancel);
    }
}

bool TfrmClose::eventFilter(QObject *Watched, QEvent *Event) {
    // A click on a text selects its button, as users expect of a label beside a box.
    if (Event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(Event)->button() == Qt::LeftButton) {
        if (Watched == CheckLabel) {
            CheckBox1->toggle();
            return true;
        }
        for (int i = 0; i < 3; ++i)
            if (Watched == RadioLabels[i]) {
                RadioButtons[i]->setChecked(true);
                return true;
            }
    }
    return TSkinForm::eventFilter(Watched, Event);
}
