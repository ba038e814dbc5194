#include "dialogs/TfrmSetRefresh.h"

#include <QLabel>
#include <QLineEdit>

TfrmSetRefresh::TfrmSetRefresh(QWidget *Owner) : TSkinForm(Owner, TBorderStyle::Dialog) {
    setObjectName(QStringLiteral("frmSetRefresh"));
    SetCaption(QStringLiteral("设置刷新频率(秒)"));
    SetClientSize(263, 154);

    Label1 = new QLabel(QStringLiteral("页面刷新间隔"), Client());
    Label1->move(32, 24);
    Edit1 = new QLineEdit(QStringLiteral("20"), Client());
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(65);
    Edit1->setStyleSheet(EditStyleSheet());
    Label2 = new QLabel(QStringLiteral("秒"), Client());
    Label3 = new QLabel(QStringLiteral("注意："), Client());
    Label3->move(32, 64);
    Label4 = new QLabel(QStringLiteral("请不要设置过短的时间间隔"), Client());
    Label4->move(72, 64);
    Label5 = new QLabel(QStringLiteral("推荐设置大于20秒"), Client());
    Label5->move(72, 80);
    for (QLabel *label : {Label1, Label2, Label3, Label4, Label5})
        label->adjustSize();
    Edit1->setFocus();
}

int TfrmSetRefresh::IntervalFrom(const QString &Text) {
    bool ok = false;
    const int value = Text.trimmed().toInt(&ok);
    if (!ok)
        return MinimumInterval;
    return std::max(value, MinimumInterval);
}

void TfrmSetRefresh::FormShow() {
    // The edit sits 3 px right of its label, "秒" 3 px right of the edit, all on one line.
    const int centre = Label1->geometry().center().y();
    Edit1->move(Label1->geometry().right() + 1 + 3, centre - Edit1->sizeHint().height() / 2);
    Edit1->resize(65, Edit1->sizeHint().height());
    Label2->move(Edit1->geometry().right() + 1 + 3, Label1->y());
    QPalette red = Label3->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    for (QLabel *label : {Label3, Label4, Label5})
        label->setPalette(red);
    SetButtonBar(true);
    if (!FButtonsAdded) {
        FButtonsAdded = true;
        AddButtons(bkOkCancel);
    }
    Edit1->setFocus();
    Edit1->selectAll();
}
