#include "dialogs/TfrmNewFolder.h"

#include "controls/TComboBox3.h"
#include "dialogs/TFolderMenu.h"
#include "side/TFavorites.h"

#include <QLabel>
#include <QLineEdit>

TfrmNewFolder::TfrmNewFolder(QWidget *owner) : TSkinForm(owner, TBorderStyle::Dialog) {
    setObjectName(QStringLiteral("frmNewFolder"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    SetCaption(QStringLiteral("新建文件夹"));
    SetClientSize(309, 116);
    if (owner)
        setFont(owner->font());

    Label1 = new QLabel(QStringLiteral("文件夹名"), Client());
    Label1->move(16, 11);
    Edit1 = new QLineEdit(Client());
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(72, 8, 225, 21);
    Edit1->setStyleSheet(EditStyleSheet());
    Label2 = new QLabel(QStringLiteral("创建位置"), Client());
    Label2->move(16, 40);
    Folder = new TComboBox3(Client());
    Folder->setObjectName(QStringLiteral("Folder"));
    Folder->setGeometry(72, 36, 225, 22);
    Folder->SetImageIndex(0);
    Folder->lineEdit()->setReadOnly(true);
    PopupMenu1 = new TFolderMenu(Folder, this);
    Folder->SetDropMenu(PopupMenu1);
    Folder->SetImages(TFolderMenu::Images());
    ChooseFolder(QString(), TFavorites::RootCaption);
    for (QLabel *label : {Label1, Label2})
        label->adjustSize();
    Label2->move(16, Folder->y() + (Folder->height() - Label2->height()) / 2);
    Label1->move(16, Edit1->y() + (Edit1->height() - Label1->height()) / 2);
    connect(PopupMenu1, &TFolderMenu::FolderChosen, this,
            [this](const QString &relative, const QString &caption) {
                ChooseFolder(relative, caption);
                Edit1->setFocus();
            });
}

QString TfrmNewFolder::ParentFolder() const {
    return Folder->toolTip();
}

void TfrmNewFolder::ChooseFolder(const QString &relative, const QString &caption) {
    Folder->setToolTip(relative);
    Folder->setEditText(relative.isEmpty() ? caption : relative.section(QLatin1Char('/'), -1));
}

void TfrmNewFolder::FormShow() {
    if (!FButtonsAdded) {
        FButtonsAdded = true;
        AddButtons(bkOkCancel);
    }
    Edit1->setFocus();
}
