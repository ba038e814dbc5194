#include "options/TfrmOptions.h"

#include "controls/TEControl.h"
#include "controls/TPaintPanel.h"
#include "controls/TSkin.h"
#include "dialogs/TfrmTip.h"
#include "options/TAccountPage.h"
#include "options/TBossKeyEdit.h"
#include "platform/TAutostart.h"
#include "store/EWriteError.h"
#include "store/TSettings.h"
#include "store/TUserData.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>

namespace {

constexpr int ClientW = 580;
constexpr int ClientH = 430;
constexpr int TreeLeft = 12;
constexpr int TreeTop = 12;
constexpr int TreeWidth = 120;
constexpr int NodeHeight = 26;
constexpr int PageLeft = TreeLeft + TreeWidth + 12;
constexpr int BottomBar = 48;
const char *const NodeTexts[] = {"常规", "表单管理"};

QColor LinkBlue() {
    return QColor(0, 0, 255);
}

} // namespace

TfrmOptions::TfrmOptions(QWidget *Owner, TUserData *data)
    : TSkinForm(Owner, TBorderStyle::Dialog), FData(data ? *data : UserData()) {
    setObjectName(QStringLiteral("frmOptions"));
    if (Owner)
        setFont(Owner->window()->font());
    SetCaption(QStringLiteral("游戏大厅设置"));
    SetClientSize(ClientW, ClientH);
    QWidget *client = Client();

    // The tree of pages, framed one pixel outside in the skin's shadow colour.
    const int treeHeight = ClientH - TreeTop - BottomBar - 4;
    FTreeFrame = new TPaintPanel(client);
    FTreeFrame->setGeometry(TreeLeft - 1, TreeTop - 1, TreeWidth + 2, treeHeight + 2);
    FTreeFrame->OnPaint = [](TPaintPanel *s, QPainter &c) {
        c.setPen(ColorToQColor(Skin().Shadow));
        c.setBrush(Qt::NoBrush);
        c.drawRect(s->rect().adjusted(0, 0, -1, -1));
    };
    TreeView1 = new TEControl(FTreeFrame);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setGeometry(1, 1, TreeWidth, treeHeight);
    TreeView1->OnGetIndex = [](TEControl *, int &index, int x, int y) {
        if (x >= 0 && y >= 0 && y < NodeHeight * 2)
            index = y / NodeHeight;
    };
    TreeView1->OnDrawControl = [this](TEControl *s, QPainter &c) { TreeDraw(s, c); };
    TreeView1->OnMouseDown = [this](TEControl *, Qt::MouseButton b, TShiftState, int, int y) {
        if (b == Qt::LeftButton && y >= 0 && y < NodeHeight * 2)
            ShowPage(y / NodeHeight);
    };

    const int pageWidth = ClientW - PageLeft - 12;
    const int pageHeight = ClientH - 4 - BottomBar;
    for (int i = 0; i < 2; ++i) {
        auto *box = new QGroupBox(QString::fromUtf8(NodeTexts[i]), client);
        box->setObjectName(QStringLiteral("GroupBox%1").arg(i + 1));
        box->setGeometry(PageLeft, 4, pageWidth, pageHeight);
        box->setProperty("tag", i);
        box->hide();
        Pages[i] = box;
    }

    QGroupBox *general = Pages[PageGeneral];
    chkAutoRun = Check(general, QStringLiteral("开机后自动运行游戏大厅"), 30);
    chkMiniToTray = Check(general, QStringLiteral("最小化到系统托盘图标"), 58);
    chkCloseToTray = Check(general, QStringLiteral("点击关闭按钮最小化到系统托盘图标"), 86);
    chkMaximized = Check(general, QStringLiteral("软件启动后自动最大化"), 114);
    chkCheckUpdate = Check(general, QStringLiteral("启动时检查版本更新"), 142);
    chkAskClose = Check(general, QStringLiteral("确认退出程序"), 170);
    lnkCheckNow = MakeLink(general, QStringLiteral("立即检查"), [this]() {
        if (OnCheckUpdate)
            OnCheckUpdate();
    });
    lnkCheckNow->move(chkCheckUpdate->x() + chkCheckUpdate->sizeHint().width() + 16,
                      chkCheckUpdate->y() + (chkCheckUpdate->height() - lnkCheckNow->height()) / 2);

    auto *bossLabel = new QLabel(QStringLiteral("老板键："), general);
    bossLabel->setGeometry(18, 202, 60, 22);
    edtBossKey = new TBossKeyEdit(general);
    edtBossKey->setGeometry(80, 202, 170, 22);
    auto *bossHint =
        new QLabel(QStringLiteral("按下新的组合键即可更改，退格键清空即关闭"), general);
    bossHint->setGeometry(80, 228, pageWidth - 96, 20);

    QGroupBox *accounts = Pages[PageAccounts];
    chkSaveForm = Check(accounts, QStringLiteral("启用帐号保存提示"), 30);
    chkFillForm = Check(accounts, QStringLiteral("自动填写页面中已保存的帐号"), 58);
    auto *label = new QLabel(QStringLiteral("已有帐号"), accounts);
    label->setGeometry(16, 88, 120, 20);
    WebBrowser1 = new TAccountPage(FData, accounts);
    WebBrowser1->setGeometry(16, 112, pageWidth - 32, pageHeight - 112 - 14);
    lnkAddUser = MakeLink(accounts, QStringLiteral("添加帐号"), [this]() { AddAccount(); });
    lnkAddUser->move(WebBrowser1->geometry().right() + 1 - lnkAddUser->width(),
                     label->y() + (label->height() - lnkAddUser->height()) / 2);
    const QWidget *main = Owner ? Owner->window() : nullptr;
    WebBrowser1->SetHostFont(main ? main->font() : Skin().Font, ColorToQColor(Skin().FontColor));
}

QCheckBox *TfrmOptions::Check(QWidget *parent, const QString &text, int y) {
    auto *box = new QCheckBox(text, parent);
    box->move(16, y);
    box->resize(box->sizeHint().width(), 22);
    return box;
}

TEControl *TfrmOptions::MakeLink(QWidget *parent, const QString &text,
                                 const std::function<void()> &run) {
    auto *link = new TEControl(parent);
    link->SetHint(text);
    link->setCursor(Qt::PointingHandCursor);
    link->resize(QFontMetrics(font()).horizontalAdvance(text) + 1,
                 QFontMetrics(font()).height() + 3);
    link->OnGetIndex = [](TEControl *s, int &index, int x, int y) {
        if (x >= 0 && y >= 0 && x < s->width() && y < s->height())
            index = 0;
    };
    link->OnDrawControl = [](TEControl *s, QPainter &c) {
        c.fillRect(s->rect(), ColorToQColor(Skin().Face));
        c.setPen(LinkBlue());
        c.drawText(s->rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, s->Hint());
        if (s->OverIndex() == 0)
            c.drawLine(0, s->height() - 1, s->width() - 1, s->height() - 1);
    };
    link->OnMouseUp = [run](TEControl *s, Qt::MouseButton, TShiftState, int, int) {
        if (s->TakeDownIndex() == 0 && s->OverIndex() == 0)
            run();
    };
    return link;
}

void TfrmOptions::TreeDraw(TEControl *sender, QPainter &canvas) {
    canvas.fillRect(sender->rect(), ColorToQColor(Skin().Face));
    const QImage &item = Skin().BgItem;
    for (int i = 0; i < 2; ++i) {
        const QRect r(0, i * NodeHeight, sender->width(), NodeHeight);
        if (i == FPage && !item.isNull()) {
            // Three equal columns: the caps as they are, the middle stretched.
            const int s = item.width() / 3;
            const int h = item.height();
            canvas.drawImage(QRect(r.left(), r.top(), s, r.height()), item, QRect(0, 0, s, h));
            canvas.drawImage(QRect(r.left() + s, r.top(), r.width() - 2 * s, r.height()), item,
                             QRect(s, 0, s, h));
            canvas.drawImage(QRect(r.right() + 1 - s, r.top(), s, r.height()), item,
                             QRect(item.width() - s, 0, s, h));
        } else if (i == FPage) {
            canvas.fillRect(r, ColorToQColor(Skin().Light));
        }
        canvas.setPen(ColorToQColor(Skin().FontColor));
        canvas.drawText(r.adjusted(14, 0, -4, 0),
                        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                        QString::fromUtf8(NodeTexts[i]));
    }
}

void TfrmOptions::FormShow() {
    SetButtonBar(true);
    if (!FButtonsAdded) {
        FButtonsAdded = true;
        AddButtons(bkOkCancel);
    }
}

void TfrmOptions::ShowPage(int page) {
    if (page < 0 || page > 1)
        return;
    FPage = page;
    for (QGroupBox *box : Pages)
        box->setVisible(box->property("tag").toInt() == page);
    TreeView1->Redraw();
    if (!FLoaded[page]) {
        FLoaded[page] = true;
        LoadPage(page);
    }
}

void TfrmOptions::LoadPage(int page) {
    if (page == PageGeneral) {
        const QWidget *main = parentWidget() ? parentWidget()->window() : nullptr;
        chkAutoRun->setChecked(TAutostart(QCoreApplication::applicationFilePath()).IsOn());
        if (SettingsOpen()) {
            chkMiniToTray->setChecked(Settings().MiniToTray);
            chkCloseToTray->setChecked(Settings().CloseToTray);
            chkCheckUpdate->setChecked(Settings().ReadBool(TKey::CheckUpdate));
            chkAskClose->setChecked(Settings().ReadBool(TKey::AskClose));
            chkMaximized->setChecked(main ? main->isMaximized() : Settings().ReadBool(TKey::State));
            edtBossKey->SetKeyText(Settings().ReadString(TKey::BossKey));
        }
        return;
    }
    if (SettingsOpen()) {
        chkSaveForm->setChecked(Settings().SaveForm);
        chkFillForm->setChecked(Settings().FillForm);
    }
    WebBrowser1->Navigate();
}

void TfrmOptions::Store() {
    if (!SettingsOpen())
        return;
    try {
        if (FLoaded[PageGeneral]) {
            Settings().WriteBool(TKey::MiniToTray, chkMiniToTray->isChecked());
            Settings().WriteBool(TKey::CloseToTray, chkCloseToTray->isChecked());
            Settings().WriteBool(TKey::CheckUpdate, chkCheckUpdate->isChecked());
            Settings().WriteBool(TKey::AskClose, chkAskClose->isChecked());
            Settings().WriteString(TKey::BossKey, edtBossKey->KeyText());
            // The window's own maximized state is what the next start restores: setting it now
            // makes the box hold for this run and the next.
            Settings().WriteBool(TKey::State, chkMaximized->isChecked());
            if (QWidget *main = parentWidget() ? parentWidget()->window() : nullptr) {
                if (chkMaximized->isChecked() && !main->isMaximized())
                    main->showMaximized();
                else if (!chkMaximized->isChecked() && main->isMaximized())
                    main->showNormal();
            }
            TAutostart(QCoreApplication::applicationFilePath()).SetOn(chkAutoRun->isChecked());
        }
        if (FLoaded[PageAccounts]) {
            Settings().WriteBool(TKey::SaveForm, chkSaveForm->isChecked());
            Settings().WriteBool(TKey::FillForm, chkFillForm->isChecked());
        }
    } catch (const EWriteError &e) {
        ShowTip(QStringLiteral("提示"), e.Message(), QString(), bkOk);
    }
}

int TfrmOptions::Open(int page) {
    ShowPage(page);
    const int result = ShowModal();
    if (result == mrOk)
        Store();
    return result;
}

void TfrmOptions::AddAccount() {
    if (!OnAddAccount)
        return;
    const QDomElement item = OnAddAccount(this);
    if (!item.isNull() && WebBrowser1->TableFilled())
        WebBrowser1->AppendItem(item);
}
