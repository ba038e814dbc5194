#include "dialogs/TfrmAddFav.h"

#include "controls/TComboBox3.h"
#include "controls/TEControl.h"
#include "controls/TSkin.h"
#include "dialogs/TFolderMenu.h"
#include "dialogs/TfrmNewFolder.h"
#include "dialogs/TfrmTip.h"
#include "protocol/Messages.h"
#include "side/TFavorites.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace {

// A push button drawn and hit-tested like the dialog buttons of the skinned window.
TEControl *PushButton(QWidget *parent, const QString &caption) {
    auto *button = new TEControl(parent);
    button->SetCaption(caption);
    button->OnGetIndex = [](TEControl *sender, int &index, int x, int y) {
        if (x >= 0 && x <= sender->width() && y >= 0 && y <= sender->height())
            index = 0;
    };
    button->OnDrawControl = [](TEControl *sender, QPainter &canvas) {
        const QImage &image = Skin().Button;
        const QRect r = sender->rect();
        int row = 1;
        if (sender->OverIndex() < 0)
            row = 0;
        else if (sender->OverIndex() == sender->DownIndex())
            row = 2;
        if (image.isNull()) {
            canvas.fillRect(r, ColorToQColor(row == 2 ? Skin().Shadow : Skin().Face));
            canvas.setPen(ColorToQColor(row == 1 ? Skin().FontColor : Skin().Shadow));
            canvas.drawRect(r.adjusted(0, 0, -1, -1));
        } else {
            const int sw = image.width() / 3;
            const int h = image.height() / 3;
            const int y = row * h;
            canvas.drawImage(QRect(0, 0, sw, r.height()), image, QRect(0, y, sw, h));
            canvas.drawImage(QRect(sw, 0, r.width() - 2 * sw, r.height()), image,
                             QRect(sw, y, sw, h));
            canvas.drawImage(QRect(r.width() - sw, 0, sw, r.height()), image,
                             QRect(2 * sw, y, sw, h));
        }
        canvas.setPen(ColorToQColor(Skin().FontColor));
        canvas.drawText(r.adjusted(0, 0, 0, -2), Qt::AlignCenter | Qt::TextSingleLine,
                        sender->Caption());
    };
    return button;
}

} // namespace

TfrmAddFav::TfrmAddFav(QWidget *owner) : TSkinForm(owner, TBorderStyle::Dialog) {
    setObjectName(QStringLiteral("frmAddFav"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    SetCaption(QStringLiteral("添加收藏"));
    SetClientSize(360, 176);
    if (owner)
        setFont(owner->font());

    Label4 = new QLabel(QStringLiteral("添加到收藏夹"), Client());
    QFont big = font();
    big.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), font().family()});
    big.setPixelSize(16);
    Label4->setFont(big);
    Label4->move(32, 8);

    Label3 = new QLabel(QStringLiteral("名称:"), Client());
    Edit1 = new QLineEdit(Client());
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(64, 40, 276, 21);
    Label2 = new QLabel(QStringLiteral("网址:"), Client());
    Edit2 = new QLineEdit(Client());
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(64, 64, 276, 21);
    for (QLineEdit *edit : {Edit1, Edit2})
        edit->setStyleSheet(EditStyleSheet());
    Label1 = new QLabel(QStringLiteral("文件夹:"), Client());
    Folder = new TComboBox3(Client());
    Folder->setObjectName(QStringLiteral("Folder"));
    Folder->setGeometry(64, 96, 170, 22);
    Folder->SetImageIndex(0);
    Folder->lineEdit()->setReadOnly(true);
    PopupMenu1 = new TFolderMenu(Folder, this);
    Folder->SetDropMenu(PopupMenu1);
    Folder->SetImages(TFolderMenu::Images());
    const int buttonHeight = Skin().Button.isNull() ? 22 : Skin().Button.height() / 3;
    EControl2 = PushButton(Client(), QStringLiteral("新建文件夹"));
    EControl2->setObjectName(QStringLiteral("EControl2"));
    EControl2->setGeometry(247, 96 + (22 - buttonHeight) / 2, 89, buttonHeight);
    EControl2->OnMouseUp = [this](TEControl *sender, Qt::MouseButton, TShiftState, int, int) {
        if (sender->TakeDownIndex() == 0 && sender->OverIndex() == 0)
            NewFolder();
    };

    for (QLabel *label : {Label4, Label3, Label2, Label1})
        label->adjustSize();
    Label3->move(16, Edit1->y() + (Edit1->height() - Label3->height()) / 2);
    Label2->move(16, Edit2->y() + (Edit2->height() - Label2->height()) / 2);
    Label1->move(16, Folder->y() + (Folder->height() - Label1->height()) / 2);
    // The heading starts where the labels below it start.
    Label4->move(Label3->x(), Label4->y());

    // The address field is a window of its own, so a page host in any process can write into
    // it.
    FAddressHandle = Win::RegisterWindow(Edit2, QString(), [this](const Win::TMessage &m) {
        if (m.msg == Win::WM_SETTEXT) {
            Edit2->setText(m.text);
            return LRESULT(1);
        }
        return LRESULT(0);
    });

    const QString remembered = TFavorites::RememberedFolder();
    Folder->setToolTip(remembered);
    Folder->setEditText(remembered.isEmpty() ? TFavorites::RootCaption
                                             : remembered.section(QLatin1Char('/'), -1));
    connect(PopupMenu1, &TFolderMenu::FolderChosen, this,
            [this](const QString &relative, const QString &caption) {
                ChooseFolder(relative, caption);
            });
    Edit1->setFocus();
}

TfrmAddFav::~TfrmAddFav() {
    if (FAddressHandle != 0)
        Win::UnregisterWindow(FAddressHandle);
}

QString TfrmAddFav::ChosenFolder() const {
    return Folder->toolTip();
}

void TfrmAddFav::ChooseFolder(const QString &relative, const QString &caption) {
    Folder->setToolTip(relative);
    TFavorites::SetRememberedFolder(relative);
    Folder->setEditText(relative.isEmpty() ? caption : relative.section(QLatin1Char('/'), -1));
    Edit1->setFocus();
}

void TfrmAddFav::TakePage(const QString &tabTitle, HWND host) {
    if (host == 0)
        return;
    Edit1->setText(TFavorites::NameFromTitle(tabTitle));
    Win::SendMessage(host, WM_HOSTCOMMAND, WPARAM(FAddressHandle), HostCommandUrl);
}

void TfrmAddFav::NewFolder() {
    TfrmNewFolder dialog(this);
    while (dialog.ShowModal() == mrOk) {
        const QString parent = dialog.ParentFolder();
        const QString name = dialog.Edit1->text();
        const QString error = TFavorites::CreateFolder(parent, name);
        if (error.isEmpty()) {
            Folder->setToolTip(parent.isEmpty() ? name : parent + QLatin1Char('/') + name);
            Folder->setEditText(name);
            break;
        }
        ShowTip(QStringLiteral("提示"), QStringLiteral("无法新建文件夹。"), error, bkOk);
    }
    Edit1->setFocus();
}

void TfrmAddFav::FormShow() {
    SetButtonBar(true);
    if (!FButtonsAdded) {
        FButtonsAdded = true;
        AddButtons(bkOkCancel);
    }
    Edit1->setFocus();
}

bool TfrmAddFav::AddFavourite(QWidget *owner, const QString &tabTitle, HWND host) {
    TfrmAddFav dialog(owner);
    dialog.TakePage(tabTitle, host);
    while (dialog.ShowModal() == mrOk) {
        const QString error =
            TFavorites::Add(dialog.ChosenFolder(), dialog.Edit1->text(), dialog.Edit2->text());
        if (error.isEmpty())
            return true;
        ShowTip(QStringLiteral("提示"), QStringLiteral("无法添加到收藏夹。"), error, bkOk);
    }
    return false;
}
