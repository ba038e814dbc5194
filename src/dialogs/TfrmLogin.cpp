#include "dialogs/TfrmLogin.h"

#include "controls/TEControl.h"
#include "controls/TSkin.h"
#include "store/TUserData.h"
#include "store/TUsers.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace {

constexpr int BoxLeft = 92;
constexpr int BoxWidth = 180;
constexpr int LabelLeft = 28;
constexpr int ButtonGap = 8;

QString PasswordStyle() {
    // The platform's mask character would be a dot; the entry shows asterisks.
    return TSkinForm::EditStyleSheet() +
           QStringLiteral("QLineEdit { lineedit-password-character: 42; }");
}

} // namespace

TfrmLogin::TfrmLogin(const QString &programDir, TUserData &data, TSettings *settings,
                     QWidget *Owner)
    : TSkinForm(Owner, TBorderStyle::Dialog), FProgramDir(programDir), FData(data),
      FSettings(settings) {
    setObjectName(QStringLiteral("frmLogin"));
    if (Owner)
        setFont(Owner->window()->font());
    SetCaption(QStringLiteral("用户登录"));
    QWidget *client = Client();

    auto label = [client](const QString &text, int y) {
        auto *l = new QLabel(text, client);
        l->setGeometry(LabelLeft, y, BoxLeft - LabelLeft - 4, 24);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };
    label(QStringLiteral("用户名："), 20);
    ComboBox1 = new QComboBox(client);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItems(TUsers(programDir).List());
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setGeometry(BoxLeft, 20, BoxWidth, 24);
    ComboBox1->lineEdit()->setMaxLength(64);

    label(QStringLiteral("密码："), 54);
    Edit1 = new QLineEdit(client);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEchoMode(QLineEdit::Password);
    Edit1->setStyleSheet(PasswordStyle());
    Edit1->setGeometry(BoxLeft, 54, BoxWidth, 24);

    Label3 = label(QStringLiteral("确认密码"), 88);
    Edit2 = new QLineEdit(client);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setEchoMode(QLineEdit::Password);
    Edit2->setStyleSheet(PasswordStyle());
    Edit2->setGeometry(BoxLeft, 88, BoxWidth, 24);
    Label3->hide();
    Edit2->hide();

    Message = new QLabel(client);
    Message->setObjectName(QStringLiteral("Message"));
    Message->setTextFormat(Qt::PlainText);
    Message->setStyleSheet(QStringLiteral("color: #d01010;"));

    btnLogin = MakeButton(QStringLiteral("登录"), 64);
    btnBack = MakeButton(QStringLiteral(" 返 回 "), 64);
    btnNew = MakeButton(QStringLiteral("新用户"), 64);
    btnBack->hide();
    btnLogin->OnMouseUp = [this](TEControl *s, Qt::MouseButton, TShiftState, int, int) {
        if (s->TakeDownIndex() == 0 && s->OverIndex() == 0)
            TryLogin();
    };
    btnNew->OnMouseUp = [this](TEControl *s, Qt::MouseButton, TShiftState, int, int) {
        if (s->TakeDownIndex() == 0 && s->OverIndex() == 0)
            SetNewUserMode(true);
    };
    btnBack->OnMouseUp = [this](TEControl *s, Qt::MouseButton, TShiftState, int, int) {
        if (s->TakeDownIndex() == 0 && s->OverIndex() == 0)
            SetNewUserMode(false);
    };
    for (QLineEdit *edit : {ComboBox1->lineEdit(), Edit1, Edit2})
        connect(edit, &QLineEdit::returnPressed, this, &TfrmLogin::TryLogin);

    SetClientSize(DesignClientWidth, 130);
    PlaceButtons(Edit1);
}

TEControl *TfrmLogin::MakeButton(const QString &caption, int width) {
    auto *button = new TEControl(Client());
    button->SetCaption(caption);
    const QImage &image = Skin().Button;
    button->resize(width, image.isNull() ? 23 : image.height() / 3);
    button->OnGetIndex = [](TEControl *Sender, int &Index, int X, int Y) {
        if (X >= 0 && X < Sender->width() && Y >= 0 && Y < Sender->height())
            Index = 0;
    };
    button->OnDrawControl = [](TEControl *Sender, QPainter &Canvas) {
        const QImage &image = Skin().Button;
        const QRect r = Sender->rect();
        int row = 1;
        if (Sender->OverIndex() < 0)
            row = 0;
        else if (Sender->OverIndex() == Sender->DownIndex())
            row = 2;
        if (image.isNull()) {
            Canvas.fillRect(r, ColorToQColor(row == 2 ? Skin().Shadow : Skin().Face));
            Canvas.setPen(ColorToQColor(Skin().Shadow));
            Canvas.drawRect(r.adjusted(0, 0, -1, -1));
        } else {
            // The dialog buttons' bitmap: three rows of states, each a left cap, a middle
            // stretched and a right cap.
            const int sw = image.width() / 3;
            const int h = image.height() / 3;
            const int y = row * h;
            Canvas.drawImage(QRect(0, 0, sw, r.height()), image, QRect(0, y, sw, h));
            Canvas.drawImage(QRect(sw, 0, r.width() - 2 * sw, r.height()), image,
                             QRect(sw, y, sw, h));
            Canvas.drawImage(QRect(r.width() - sw, 0, sw, r.height()), image,
                             QRect(2 * sw, y, sw, h));
        }
        Canvas.setPen(ColorToQColor(Skin().FontColor));
        Canvas.drawText(r.adjusted(0, 0, 0, -2), Qt::AlignCenter | Qt::TextSingleLine,
                        Sender->Caption());
    };
    button->show();
    return button;
}

void TfrmLogin::PlaceButtons(QWidget *reference) {
    // "登录" sits 8 pixels below the lowest box, the window ends 44 pixels below its top.
    const int top = reference->geometry().bottom() + 1 + ButtonGap;
    const int right = BoxLeft + BoxWidth;
    btnLogin->move(right - btnLogin->width(), top);
    btnBack->move(btnLogin->x() - ButtonGap - btnBack->width(), top);
    btnNew->move(LabelLeft, top);
    Message->setGeometry(LabelLeft, top + btnLogin->height() + 2, DesignClientWidth - LabelLeft,
                         44 - btnLogin->height() - 4);
    SetClientSize(DesignClientWidth, top + 44);
}

void TfrmLogin::SetNewUserMode(bool on) {
    FNewUser = on;
    Label3->setVisible(on);
    Edit2->setVisible(on);
    btnBack->setVisible(on);
    PlaceButtons(on ? Edit2 : Edit1);
    if (!on)
        Edit2->clear();
    (ComboBox1->currentText().isEmpty() ? static_cast<QWidget *>(ComboBox1) : Edit1)->setFocus();
}

void TfrmLogin::SetUserName(const QString &name) {
    ComboBox1->setEditText(name);
    Edit1->setFocus();
}

bool TfrmLogin::TryLogin() {
    const TLoginResult result = TUsers(FProgramDir)
                                    .CheckLogin(FData, ComboBox1->currentText(), Edit1->text(),
                                                Edit2->text(), FNewUser, FSettings);
    Message->setText(result.Message);
    if (!result.Ok()) {
        if (result.FocusName)
            ComboBox1->setFocus();
        return false;
    }
    FNewUser = false;
    SetModalResult(mrOk);
    return true;
}

void TfrmLogin::keyPressEvent(QKeyEvent *Event) {
    if (Event->key() == Qt::Key_Escape) {
        SetModalResult(mrCancel);
        return;
    }
    TSkinForm::keyPressEvent(Event);
}

void TfrmLogin::showEvent(QShowEvent *Event) {
    TSkinForm::showEvent(Event);
    if (FArea.isValid())
        move(FArea.center() - QPoint(width() / 2, height() / 2));
}

bool TfrmLogin::Execute(const QString &programDir, TUserData &data, TSettings *settings,
                        const QString &userName, QWidget *Owner, const QRect &area) {
    TfrmLogin form(programDir, data, settings, Owner);
    form.FArea = area;
    if (!userName.isEmpty())
        form.SetUserName(userName);
    else
        form.ComboBox1->setFocus();
    // Only a log-in that passed the check ends with OK; everything else is a cancel.
    if (form.ShowModal() == mrOk && form.Message->text().isEmpty() && !data.Root().isNull())
        return true;
    TUsers::CancelLogin(data);
    return false;
}
