#include "dialogs/TfrmPass.h"

#include <QLineEdit>

TfrmPass::TfrmPass(QWidget *Owner) : TSkinForm(Owner, TBorderStyle::Dialog) {
    setObjectName(QStringLiteral("frmPass"));
    SetCaption(QStringLiteral("输入密码"));
    SetClientSize(275, 106);
    Edit1 = new QLineEdit(Client());
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEchoMode(QLineEdit::Password);
    // The platform's mask character would be a dot; the entry shows asterisks.
    Edit1->setStyleSheet(EditStyleSheet() +
                         QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    Edit1->setGeometry(40, 24, 193, Edit1->sizeHint().height());
    Edit1->setFocus();
}

void TfrmPass::FormShow() {
    SetButtonBar(true);
    if (!FButtonsAdded) {
        FButtonsAdded = true;
        AddButtons(bkOkCancel);
    }
    Edit1->setFocus();
}
