#include "dialogs/TForm1.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

TForm1::TForm1(QWidget *Owner) : TSkinForm(Owner, TBorderStyle::Dialog) {
    setObjectName(QStringLiteral("Form1"));
    if (Owner)
        setFont(Owner->window()->font());
    SetCaption(QStringLiteral("保存帐号"));
    SetClientSize(300, 140);
    Label1 = new QLabel(QStringLiteral("帐号名称"), Client());
    Label1->setGeometry(24, 16, 252, 18);
    Edit1 = new QLineEdit(Client());
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setStyleSheet(EditStyleSheet());
    Edit1->setMaxLength(255);
    Edit1->setGeometry(24, 38, 252, 24);
    CheckBox1 = new QCheckBox(QStringLiteral("以后不再询问"), Client());
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(24, 70, 120, 20);
    CheckBox2 = new QCheckBox(QStringLiteral("不保存该帐号"), Client());
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(152, 70, 124, 20);
}

void TForm1::FormShow() {
    SetButtonBar(true);
    if (!FButtonsAdded) {
        FButtonsAdded = true;
        AddButtons(bkOkCancel);
    }
    Edit1->setFocus();
    Edit1->selectAll();
}
