#include "dialogs/TfrmAbout.h"

#include "controls/TEControl.h"
#include "controls/TSkin.h"
#include "store/TSettings.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>

namespace {

TfrmAbout::TOpenPageEvent OpenPageHook;

const QColor LinkBlue(0, 0, 255);

// The client-area painter of the about box: the program icon right of the version.
class TAboutIcon : public QWidget {
public:
    TAboutIcon(QWidget *Parent, TfrmAbout *Form) : QWidget(Parent), FForm(Form) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        const QIcon icon = FForm->windowIcon();
        if (icon.isNull())
            return;
        QPainter p(this);
        p.drawPixmap(0, 0, icon.pixmap(48, 48));
    }

private:
    TfrmAbout *FForm;
};

} // namespace

TfrmAbout::TfrmAbout(QWidget *Owner) : TSkinForm(Owner, TBorderStyle::Dialog) {
    setObjectName(QStringLiteral("frmAbout"));
    if (Owner)
        setFont(Owner->window()->font());
    SetCaption(QStringLiteral("关于"));
    SetClientSize(322, 176);
    setWindowIcon(QApplication::windowIcon().isNull() ? ProgramIcon() : QApplication::windowIcon());

    Label1 = new QLabel(QStringLiteral("欢迎使用") + QStringLiteral("Ludora"), Client());
    Label1->move(32, 16);
    Label2 = new QLabel(QStringLiteral("当前软件版本："), Client());
    Label2->move(32, 32);
    Label3 = new QLabel(VersionText(), Client());
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->move(120, 32);
    Label4 = new QLabel(QStringLiteral("Ludora 游戏大厅 版权所有"), Client());
    Label4->move(32, 112);
    for (QLabel *label : {Label1, Label2, Label3, Label4})
        label->adjustSize();

    EControl1 = new TEControl(Client());
    EControl1->setObjectName(QStringLiteral("EControl1"));
    EControl1->hide();
    EControl2 = new TEControl(Client());
    EControl2->setObjectName(QStringLiteral("EControl2"));
    EControl2->SetHint(SettingsOpen() ? Settings().Portal(TPortal::Home)
                                      : TSettings::PortalDefault(TPortal::Home));
    SetupLink(EControl1);
    SetupLink(EControl2);
    EControl2->OnMouseDown = [](TEControl *Sender, Qt::MouseButton, TShiftState, int, int) {
        if (OpenPageHook)
            OpenPageHook(Sender->Hint());
    };
    FIcon = new TAboutIcon(Client(), this);
}

QIcon TfrmAbout::ProgramIcon() {
    return QIcon(QStringLiteral(":/icons/ludora.png"));
}

QString TfrmAbout::VersionText() {
    return QString::asprintf("%d.%d.%d.%d", LUDORA_VERSION_MAJOR, LUDORA_VERSION_MINOR,
                             LUDORA_VERSION_PATCH, LUDORA_VERSION_TWEAK);
}

void TfrmAbout::SetOpenPage(TOpenPageEvent OpenPage) {
    OpenPageHook = std::move(OpenPage);
}

void TfrmAbout::SetupLink(TEControl *Link) {
    Link->setCursor(Qt::PointingHandCursor);
    Link->OnGetIndex = [](TEControl *Sender, int &Index, int X, int Y) {
        if (X >= 0 && X <= Sender->width() && Y >= 0 && Y <= Sender->height())
            Index = 0;
    };
    Link->OnDrawControl = [](TEControl *Sender, QPainter &Canvas) {
        const QRect r = Sender->rect();
        Canvas.fillRect(r, ColorToQColor(Skin().Face));
        Canvas.setPen(LinkBlue);
        Canvas.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, Sender->Hint());
        if (Sender->OverIndex() >= 0)
            Canvas.fillRect(0, r.height() - 1, r.width(), 1, LinkBlue);
    };
}

void TfrmAbout::FormShow() {
    for (TEControl *link : {EControl1, EControl2})
        link->resize(link->fontMetrics().horizontalAdvance(link->Hint()), Label1->height());
    EControl2->move(Label4->x(), Label4->y() - 5 - EControl2->height());
    EControl1->move(Label4->x(), EControl2->y() - 4 - EControl1->height());
    // The icon: centred between the version's right edge and the client's right edge.
    const int edge = Label3->geometry().right() + 1;
    FIcon->setGeometry(edge + (ClientWidth() - edge) / 2, Label1->y() + 16, 48, 48);
    SetButtonBar(true);
    if (!FButtonsAdded) {
        FButtonsAdded = true;
        AddButtons(bkOk);
    }
}
