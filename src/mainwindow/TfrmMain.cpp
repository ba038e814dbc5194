#include "mainwindow/TfrmMain.h"

#include "controls/TAddressBox.h"
#include "controls/TEControl.h"
#include "controls/TEEdit.h"
#include "controls/TPaintPanel.h"
#include "controls/TSkin.h"
#include "core/THostMessages.h"
#include "core/THostProtocol.h"
#include "core/TProgram.h"
#include "core/TWBEmbedded.h"
#include "dialogs/TMiniHome.h"
#include "dialogs/TfrmAbout.h"
#include "dialogs/TfrmClose.h"
#include "dialogs/TfrmPass.h"
#include "dialogs/TfrmSetRefresh.h"
#include "dialogs/TfrmTip.h"
#include "mainwindow/RegistrationReply.h"
#include "mainwindow/SearchAddress.h"
#include "mainwindow/TDeadTabs.h"
#include "mainwindow/TMenuStyle.h"
#include "mainwindow/TUpdater.h"
#include "net/THTTPGet.h"
#include "platform/AnsiCodePage.h"
#include "side/TCatalogue.h"
#include "store/EWriteError.h"
#include "store/TSettings.h"
#include "store/TUserData.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDate>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QToolTip>

#include <algorithm>

namespace {

const QString OpeningTitle = QStringLiteral("正在打开...");
const QString BlankTitle = QStringLiteral("空白页");
const QString ProtectCaption = QStringLiteral("请输入解除标签保护密码");

QString AppDir() {
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QImage Transparent(const QImage &image) {
    return image.isNull() ? image : MagentaTransparent(image);
}

// Three equal vertical slices: both ends as they are, the middle stretched.
void DrawSlices(QPainter &painter, const QRect &rect, const QImage &image) {
    if (image.isNull() || rect.width() <= 0)
        return;
    const int s = image.width() / 3;
    const int h = image.height();
    const int end = std::min(s, rect.width() / 2);
    painter.drawImage(QRect(rect.left(), rect.top(), end, rect.height()), image,
                      QRect(0, 0, end, h));
    painter.drawImage(QRect(rect.left() + end, rect.top(), rect.width() - 2 * end, rect.height()),
                      image, QRect(s, 0, s, h));
    painter.drawImage(QRect(rect.left() + rect.width() - end, rect.top(), end, rect.height()),
                      image, QRect(image.width() - end, 0, end, h));
}

void WriteSetting(const std::function<void()> &write) {
    try {
        write();
    } catch (const EWriteError &) {
        // A read-only settings file must not stop the window from closing.
    }
}

} // namespace

TfrmMain::TfrmMain(HWND companion)
    : TSkinForm(nullptr, TBorderStyle::Sizeable), FCompanion(companion),
      FButtons(DefaultToolButtons()), FTabs(FButtons), FLayout(FButtons) {
    QApplication::setApplicationDisplayName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("Ludora"));
    SetCaption(QStringLiteral("Ludora"));
    setWindowTitle(QStringLiteral("Ludora"));
    setObjectName(QStringLiteral("frmMain"));
    setFont(Skin().Font);
    setMinimumSize(MinWidth, MinHeight);
    resize(DesignWidth, DesignHeight);

    // The skin's images with magenta made transparent, once.
    FImages.Icons = Transparent(Skin().BtnMain);
    FImages.GrayIcons = Transparent(Skin().BtnMainGray);
    FImages.SmallButtons = Transparent(Skin().Ico1);
    FImages.SearchGo = Transparent(Skin().BtnSearch);
    FImages.AddressGo = Transparent(Skin().BtnGo);
    FImages.TabButtons = Transparent(Skin().TabButton);

    FHandle = Win::RegisterWindow(this, QString::fromLatin1(MainWindowClassName),
                                  [this](const Win::TMessage &m) { return WndProc(m); });
    CreateComponents();
    CreateMenus();

    UserData().Clear();
    SetSearchEngine(0);
    FSearchBox->setText(SearchEngineCaption(FSearchTag));

    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        auto *tray = new QSystemTrayIcon(windowIcon(), this);
        tray->setToolTip(QStringLiteral("Ludora"));
        tray->setContextMenu(FPopupMenu2);
        connect(tray, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::DoubleClick)
                        Win::PostMessage(FHandle, WM_TRAYICON, 0, TrayLeftDoubleClick);
                });
        tray->show();
    }

    FTimer1.setInterval(ToolBar2Poll);
    connect(&FTimer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    FAdTimer.setInterval(TAdStrip::Interval);
    connect(&FAdTimer, &QTimer::timeout, this, &TfrmMain::AdTimerTimer);
    FCaptureTimer.setSingleShot(true);
    FCaptureTimer.setInterval(CaptureDelay);
    connect(&FCaptureTimer, &QTimer::timeout, this, &TfrmMain::CaptureTimerTimer);

    SetTipOwner(this);
    TfrmAbout::SetOpenPage([this](const QString &url) { OpenPage(url); });
    qApp->installEventFilter(this);
    FCompanion.MainWindowCreated(FHandle);
    CreateUpdateParts();
}

TfrmMain::~TfrmMain() {
    qApp->removeEventFilter(this);
    Shutdown();
    Win::UnregisterWindow(FTabBarHandle);
    Win::UnregisterWindow(FAddressBoxHandle);
    Win::UnregisterWindow(FStatusBarHandle);
    Win::UnregisterWindow(FPanel2Handle);
    Win::UnregisterWindow(FPanel3Handle);
    Win::UnregisterWindow(FHandle);
}

void TfrmMain::CreateComponents() {
    QWidget *client = Client();
    client->installEventFilter(this);

    FToolBar = new TEControl(client);
    FToolBar->setObjectName(QStringLiteral("ToolBar"));
    FToolBar->OnDrawControl = [this](TEControl *s, QPainter &c) { ToolBarDrawControl(s, c); };
    FToolBar->OnGetIndex = [this](TEControl *s, int &i, int x, int y) {
        ToolBarGetIndex(s, i, x, y);
    };
    FToolBar->OnChangeIndex = [this](TEControl *s, int &i) { ToolBarChangeIndex(s, i); };
    FToolBar->OnMouseDown = [this](TEControl *s, Qt::MouseButton b, TShiftState, int x, int y) {
        ToolBarMouseDown(s, b, x, y);
    };
    FToolBar->OnMouseUp = [this](TEControl *s, Qt::MouseButton, TShiftState, int, int) {
        ToolBarMouseUp(s);
    };
    FToolBar->OnResize = [this](TEControl *) { ToolBarResize(); };

    FToolBar2 = new TEControl(client);
    FToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    FToolBar2->OnDrawControl = FToolBar->OnDrawControl;
    FToolBar2->OnGetIndex = FToolBar->OnGetIndex;
    FToolBar2->OnChangeIndex = FToolBar->OnChangeIndex;
    FToolBar2->OnMouseDown = FToolBar->OnMouseDown;
    FToolBar2->OnMouseUp = FToolBar->OnMouseUp;
    FToolBar2->hide();

    FAddressBox = new TAddressBox(FToolBar);
    FAddressBox->setObjectName(QStringLiteral("AddressBox"));
    FAddressBox->setFrame(false);
    FAddressBox->installEventFilter(this);
    connect(FAddressBox, &QLineEdit::returnPressed, this,
            [this]() { AddressEnter(FEnterModifiers); });

    FSearchBox = new TEEdit(FToolBar);
    FSearchBox->setObjectName(QStringLiteral("SearchBox"));
    FSearchBox->setFrame(false);
    FSearchBox->resize(150, 20);
    FSearchBox->FocusChange = [this](TEEdit *, bool focused) { SearchBoxFocusChange(focused); };
    connect(FSearchBox, &QLineEdit::returnPressed, this, &TfrmMain::SearchEnter);
    const QString editStyle =
        QStringLiteral("QLineEdit { background: white; border: none; color: %1; }")
            .arg(ColorToQColor(Skin().FontColor).name());
    FAddressBox->setStyleSheet(editStyle);
    FSearchBox->setStyleSheet(editStyle);
    FAddressBox->setFont(Skin().Font);
    FSearchBox->setFont(Skin().Font);
    FAddressBox->resize(300, 20);

    FPanel3 = new TPaintPanel(client);
    FPanel3->setObjectName(QStringLiteral("Panel3"));
    FPanel3->SetColor(ColorToQColor(Skin().Face));
    FPanel3->OnPaint = [this](TPaintPanel *s, QPainter &c) { Panel3Paint(s, c); };
    FPanel3->OnResize = [this](TPaintPanel *) { Panel3Resize(); };

    FTabBar = new TEControl(FPanel3);
    FTabBar->setObjectName(QStringLiteral("TabBar"));
    FTabBar->OnDrawControl = [this](TEControl *s, QPainter &c) { TabBarDrawControl(s, c); };
    FTabBar->OnGetIndex = [this](TEControl *s, int &i, int x, int y) {
        TabBarGetIndex(s, i, x, y);
    };
    FTabBar->OnChangeIndex = [this](TEControl *s, int &i) { ToolBarChangeIndex(s, i); };
    FTabBar->OnMouseDown = [this](TEControl *, Qt::MouseButton b, TShiftState shift, int x, int y) {
        TabBarMouseDown(b, shift.Double, x, y);
    };
    FTabBar->OnMouseUp = [this](TEControl *, Qt::MouseButton, TShiftState, int, int) {
        TabBarMouseUp();
    };

    // The page area is a native window: page hosts of other processes embed into it.
    FPanel2 = new QWidget(FPanel3);
    FPanel2->setObjectName(QStringLiteral("Panel2"));
    FPanel2->setAttribute(Qt::WA_NativeWindow);
    FPanel2->setFocusPolicy(Qt::StrongFocus);
    FPanel2->setAutoFillBackground(true);
    QPalette pagePalette = FPanel2->palette();
    pagePalette.setColor(QPalette::Window, Qt::white);
    FPanel2->setPalette(pagePalette);
    FPanel2->installEventFilter(this);

    FPanel1 = new QWidget(client);
    FPanel1->setObjectName(QStringLiteral("Panel1"));
    FStatusBar = new TEControl(FPanel1);
    FStatusBar->setObjectName(QStringLiteral("StatusBar"));
    FStatusBar->OnDrawControl = [this](TEControl *s, QPainter &c) { StatusBarDrawControl(s, c); };
    FStatusBar->OnGetIndex = [this](TEControl *s, int &i, int x, int y) {
        StatusBarGetIndex(s, i, x, y);
    };
    FStatusBar->OnMouseDown = [this](TEControl *, Qt::MouseButton b, TShiftState, int x, int y) {
        if (b == Qt::LeftButton)
            StatusBarMouseDown(x, y);
    };

    // Hosts find the main window as the grandparent of the page area, so the frame around the
    // page area is registered in between.
    FPanel3Handle = Win::RegisterWindow(
        FPanel3, QString(), [this](const Win::TMessage &m) { return FPanel3->WindowProc(m); });
    FPanel2Handle = Win::RegisterWindow(FPanel2, QString(), nullptr);
    FStatusBarHandle = Win::RegisterWindow(FStatusBar, QString(), [this](const Win::TMessage &m) {
        return FStatusBar->WindowProc(m);
    });
    FAddressBoxHandle = Win::RegisterWindow(FAddressBox, QString(), [this](const Win::TMessage &m) {
        if (m.msg == Win::WM_SETTEXT) {
            FAddressBox->SetAddressText(m.text);
            return LRESULT(1);
        }
        return LRESULT(0);
    });
    // The tab bar's window text lists the tabs, one caption a line, the shown one marked "*",
    // so that tools and tests outside the process can read the tab set.
    FTabBarHandle = Win::RegisterWindow(FTabBar, QString(), [](const Win::TMessage &m) {
        return LRESULT(m.msg == Win::WM_SETTEXT ? 1 : 0);
    });
}

void TfrmMain::CreateMenus() {
    auto item = [](QMenu *menu, const QString &caption, int image, auto handler) {
        QAction *action = menu->addAction(caption);
        TMenuStyle::SetImage(action, image);
        QObject::connect(action, &QAction::triggered, menu, handler);
        return action;
    };

    FPopupMenu1 = new QMenu(this);
    FPopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    item(FPopupMenu1, QStringLiteral("关闭标签"), 11, [this]() { CloseTab(FTabs.ContextTab); });
    FPopupMenu1->addSeparator();
    item(FPopupMenu1, QStringLiteral("锁定标签"), 4, [this]() {
        if (!FTabs.IsValid(FTabs.ContextTab))
            return;
        TTab &tab = FTabs.Tab(FTabs.ContextTab);
        tab.Locked = !tab.Locked;
        TabBarChanged();
    });
    item(FPopupMenu1, QStringLiteral("保护标签"), 5, [this]() { ProtectTab(FTabs.ContextTab); });
    item(FPopupMenu1, QStringLiteral("添加到收藏夹 "), 0, [this]() { AddToFavorites(); });
    FAutoRefreshMenu = FPopupMenu1->addMenu(QStringLiteral("自动刷新"));
    TMenuStyle::SetImage(FAutoRefreshMenu->menuAction(), 3);
    FAutoRefreshOn = item(FAutoRefreshMenu, QStringLiteral("启用"), -1, [this]() {
        if (FTabs.IsValid(FTabs.ContextTab))
            Win::PostMessage(FTabs.Tab(FTabs.ContextTab).Handle, WM_HOSTCOMMAND, 2,
                             HostCommandRefresh);
    });
    FAutoRefreshOn->setCheckable(true);
    item(FAutoRefreshMenu, QStringLiteral("设置刷新频率"), -1,
         [this]() { SetRefreshInterval(FTabs.ContextTab); });
    connect(FAutoRefreshMenu, &QMenu::aboutToShow, this, &TfrmMain::AutoRefreshMenuPopup);
    FPopupMenu1->addSeparator();
    item(FPopupMenu1, QStringLiteral("复制并新开"), 2, [this]() {
        if (FTabs.IsValid(FTabs.ContextTab))
            Win::SendMessage(FTabs.Tab(FTabs.ContextTab).Handle, WM_HOSTDUPLICATE, 0, 0);
    });

    auto portalItems = [this, item](QMenu *menu) {
        item(menu, QStringLiteral("官方网站"), 6,
             [this]() { OpenPage(Settings().Portal(TPortal::Home)); });
        item(menu, QStringLiteral("使用交流"), -1,
             [this]() { OpenPage(Settings().Portal(TPortal::Forum)); });
        item(menu, QStringLiteral("游戏社区"), -1,
             [this]() { OpenPage(Settings().Portal(TPortal::Community)); });
        menu->addSeparator();
        item(menu, QStringLiteral("关于游戏大厅..."), 10, [this]() { ShowAbout(); });
        item(menu, QStringLiteral("检查新版本"), 7, [this]() { CheckUpdate(true); });
    };

    FPopupMenu2 = new QMenu(this);
    FPopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    item(FPopupMenu2, QStringLiteral("显示/隐藏"), -1, [this]() { setVisible(!isVisible()); });
    FPopupMenu2->addSeparator();
    portalItems(FPopupMenu2);
    FPopupMenu2->addSeparator();
    item(FPopupMenu2, QStringLiteral("退出"), 9, [this]() {
        Shutdown();
        QCoreApplication::quit();
    });

    FPopupMenu3 = new QMenu(this);
    FPopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    item(FPopupMenu3, QStringLiteral("全部刷新"), 3, [this]() {
        for (int i = 0; i < FTabs.Count(); ++i)
            Win::PostMessage(FTabs.Tab(i).Handle, WM_HOSTCOMMAND, 1, HostCommandRefresh);
    });
    FPopupMenu3->addSeparator();
    item(FPopupMenu3, QStringLiteral("设置刷新频率"), -1,
         [this]() { SetRefreshInterval(FTabs.CurrentTab()); });
    FRefreshMenuOn = item(FPopupMenu3, QStringLiteral("启用自动刷新"), -1,
                          [this]() { PostToCurrent(HostCommandRefresh, 2); });
    FRefreshMenuOn->setCheckable(true);
    connect(FPopupMenu3, &QMenu::aboutToShow, this, &TfrmMain::RefreshMenuPopup);

    FPopupMenu4 = new QMenu(this);
    FPopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
    item(FPopupMenu4, QStringLiteral("导入游戏帐号"), -1, [this]() { ImportAccounts(); });
    item(FPopupMenu4, QStringLiteral("导出游戏帐号"), -1, [this]() { ExportAccounts(); });
    FPopupMenu4->addSeparator();
    // The item's tag is the command: capture the login typed into the shown page.
    item(FPopupMenu4, QStringLiteral("保存当前帐号"), 6,
         [this]() { PostToCurrent(HostCommandCapture); });
    item(FPopupMenu4, QStringLiteral("管理帐号数据"), 7, [this]() { OpenSettingsWindow(1); });

    FPopupMenu5 = new QMenu(this);
    FPopupMenu5->setObjectName(QStringLiteral("PopupMenu5"));
    item(FPopupMenu5, QStringLiteral("登录帐号"), 6, [this]() { ShowLoginDialog(QString()); });
    FPopupMenu5->addSeparator();
    portalItems(FPopupMenu5);
    SetAppMenu(FPopupMenu5);

    FPopupMenu6 = new QMenu(this);
    FPopupMenu6->setObjectName(QStringLiteral("PopupMenu6"));
    auto *engines = new QActionGroup(FPopupMenu6);
    for (int tag = 0; tag < SearchEngineCount; ++tag) {
        QAction *action = item(FPopupMenu6, SearchEngineCaption(tag), -1, [this, tag]() {
            SetSearchEngine(tag);
            FSearchBox->setFocus();
        });
        action->setCheckable(true);
        engines->addAction(action);
        FEngineActions.append(action);
    }
    connect(FPopupMenu6, &QMenu::aboutToShow, this,
            [this]() { FEngineActions.value(FSearchTag)->setChecked(true); });

    for (QMenu *menu :
         {FPopupMenu1, FPopupMenu2, FPopupMenu3, FPopupMenu4, FPopupMenu5, FPopupMenu6})
        TMenuStyle::Apply(menu);
}

// ---- Start-up -------------------------------------------------------------------------------

void TfrmMain::FormShow() {
    if (FFirstShown)
        return;
    FFirstShown = true;
    FirstShow();
}

void TfrmMain::FirstShow() {
    ApplyMetrics();

    const QString login = Settings().ReadString(TKey::Login);
    if (!login.isEmpty() && QFile::exists(TUserData::UserFile(AppDir(), login)))
        ShowLoginDialog(login);

    CreateSidePanel();

    const QRect work = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    const int width = Settings().ReadInteger(TKey::Width, DesignWidth);
    int height = Settings().ReadInteger(TKey::Height, DesignHeight);
    // A window taller than the screen gives up what the panels of the desktop take.
    const QRect whole = screen() ? screen()->geometry() : work;
    if (height > whole.height())
        height -= whole.height() - work.height();
    const int left = Settings().ReadInteger(TKey::Left, work.left() + (work.width() - width) / 2);
    const int top = Settings().ReadInteger(TKey::Top, work.top() + (work.height() - height) / 2);
    setGeometry(left, top, std::max(width, MinWidth), std::max(height, MinHeight));
    if (Settings().ReadBool(TKey::State))
        setWindowState(windowState() | Qt::WindowMaximized);

    Settings().DerivePartnerId();

    if (Settings().ReadDate(TKey::LastRun) != QDate::currentDate()) {
        QTimer::singleShot(50, this, &TfrmMain::DailyStart);
        ShowMiniHome();
    }

    // The page area must exist on screen before the first host embeds into it.
    QTimer::singleShot(0, this, [this]() {
        OpenPage(StartPageUrl());
        if (!FAdFetched)
            FetchAdStrip();
    });
}

QString TfrmMain::StartPageUrl() const {
    return Settings().Portal(TPortal::MiniSite) + QStringLiteral("?pid=") + Settings().PartnerId;
}

void TfrmMain::ApplyMetrics() {
    TStripImages images;
    if (Skin().BgButton.height() > 0)
        images.ButtonFrameHeight = Skin().BgButton.height();
    if (!Skin().TabButton.isNull())
        images.TabButtons = Skin().TabButton.size();
    if (!Skin().Ico1.isNull())
        images.SmallButtons = Skin().Ico1.size();
    if (Skin().TabBar.height() > 0)
        images.TabBarHeight = Skin().TabBar.height();
    if (Skin().StatusBar.height() > 0)
        images.StatusBarHeight = Skin().StatusBar.height();
    const QFontMetrics metrics(font());
    FLayout.ComputeMetrics(images,
                           [metrics](const QString &s) { return metrics.horizontalAdvance(s); });
    FTabBar->resize(FTabBar->width(), images.TabBarHeight);
    FStatusBar->resize(FStatusBar->width(), images.StatusBarHeight);
    FMetricsDone = true;
    LayoutClient();
    ToolBarResize();
}

// ---- Layout ---------------------------------------------------------------------------------

void TfrmMain::resizeEvent(QResizeEvent *event) {
    TSkinForm::resizeEvent(event);
    LayoutClient();
}

void TfrmMain::LayoutClient() {
    if (FToolBar == nullptr)
        return;
    const int w = ClientWidth();
    const int h = ClientHeight();
    int top = 0;
    if (FToolBar->isVisibleTo(this)) {
        FToolBar->setGeometry(0, 0, w, TToolBarLayout::ToolBarHeight);
        top = TToolBarLayout::ToolBarHeight;
    }
    int bottom = h;
    if (FPanel1->isVisibleTo(this)) {
        bottom = h - Panel1Height;
        FPanel1->setGeometry(0, bottom, w, Panel1Height);
        const int sh = FStatusBar->height() > 0 ? FStatusBar->height() : 21;
        FStatusBar->setGeometry(1, (Panel1Height - sh) / 2, w - 2, sh);
    }
    FPanel3->setGeometry(0, top, w, std::max(0, bottom - top));
}

void TfrmMain::Panel3Resize() {
    const int w = FPanel3->width();
    const int h = FPanel3->height();
    const int tabHeight = FTabBar->height() > 0 ? FTabBar->height() : 26;
    FTabBar->setGeometry(1, 1, w - 2, tabHeight);
    FTabs.SetBarSize(FTabBar->width(), FTabBar->height());
    const int top = 1 + tabHeight;
    FPanel2->setGeometry(1, top, w - 2, std::max(0, h - top - 3));
    Panel2Resize();
}

void TfrmMain::Panel2Resize() {
    TTab *tab = FTabs.Current();
    if (tab == nullptr || !tab->Password.isEmpty())
        return;
    Win::MoveWindow(tab->Handle, 0, 0, FPanel2->width(), FPanel2->height());
    Win::ShowWindow(tab->Handle, Win::SW_SHOW);
}

void TfrmMain::ToolBarResize() {
    if (!FMetricsDone)
        return;
    FLayout.Layout(FToolBar->width(), FSearchBox->size(), FAddressBox->height());
    FSearchBox->setGeometry(FLayout.SearchBox());
    FAddressBox->setGeometry(FLayout.AddressBox());
    if (FToolBar2->isVisible())
        FToolBar2->hide();
    FToolBar->Redraw();
}

void TfrmMain::Panel3Paint(TPaintPanel *sender, QPainter &canvas) {
    canvas.fillRect(sender->rect(), ColorToQColor(Skin().Face));
    canvas.setRenderHint(QPainter::Antialiasing);
    canvas.setPen(ColorToQColor(Skin().Shadow));
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRoundedRect(QRectF(sender->rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

// ---- Window messages ------------------------------------------------------------------------

LRESULT TfrmMain::WndProc(const Win::TMessage &m) {
    switch (m.msg) {
    case WM_MAINPROBE:
        return MainProbeAnswer;
    case Win::WM_CLOSE:
        // A close request from outside runs like the title bar's: never inside the sender's send.
        QTimer::singleShot(0, this, [this]() { close(); });
        return 0;
    case WM_COMPANION:
        return FCompanion.Receive(FHandle, m.lParam);
    case WM_TRAYICON:
        if (m.lParam == TrayLeftDoubleClick) {
            if (!isVisible() || isMinimized())
                showNormal();
            raise();
            activateWindow();
        }
        return 0;
    case WM_HOSTQUERY:
        switch (m.lParam) {
        case HostQueryStatusBar:
            return LRESULT(FStatusBarHandle);
        case HostQueryCurrentTab:
            return FTabs.Current() ? LRESULT(FTabs.Current()->Handle) : 0;
        case HostQueryAddressBox:
            return LRESULT(FAddressBoxHandle);
        case HostQueryPageArea:
            return LRESULT(FPanel2Handle);
        default:
            return 0;
        }
    case WM_HOSTREGISTER:
        HostRegister(HWND(m.lParam));
        return 0;
    case WM_HOSTTITLE:
        HostTitle();
        return 0;
    case WM_HOSTCANBACK:
        if (FTabs.SetCanBack(HWND(m.wParam), m.lParam != 0))
            FToolBar->Redraw();
        return 0;
    case WM_HOSTCANFORWARD:
        if (FTabs.SetCanForward(HWND(m.wParam), m.lParam != 0))
            FToolBar->Redraw();
        return 0;
    case WM_HOSTPROGRESS:
        if (FTabs.SetProgress(HWND(m.wParam), int(m.lParam)))
            FStatusBar->Redraw();
        return 0;
    case WM_HOSTCOMMAND:
        if (m.wParam == 4 && m.lParam == 0)
            // Posted: the question must not run inside the host's send.
            QTimer::singleShot(0, this, &TfrmMain::HostCommandNotice);
        return 0;
    case Win::WM_COPYDATA:
        // A second report before the timer fires replaces the first.
        FCaptureReport = THostProtocol::CaptureReportText(m.data);
        FCaptureTimer.start();
        return 1;
    default:
        return 0;
    }
}

void TfrmMain::HostRegister(HWND host) {
    const QString text = Win::GetWindowText(host, 2047);
    const TRegistration reg =
        BuildRegistrationReply(text, Catalogue(), UserData(), Settings().PartnerId);
    if (TakeDeadTabPlace(host, text, reg.Game, reg.User)) {
        Win::SetWindowText(host, reg.Reply);
        return;
    }
    TTab tab;
    tab.Title = OpeningTitle;
    tab.Handle = host;
    tab.Game = reg.Game;
    tab.User = reg.User;
    const HWND previous = FTabs.Append(tab);
    if (previous != 0)
        Win::ShowWindow(previous, Win::SW_HIDE);
    FToolBar->Redraw();
    TabBarChanged();
    Win::SetWindowText(host, reg.Reply);
    FDeadTabs->Registered(host, text);
}

void TfrmMain::HostTitle() {
    for (int i = 0; i < FTabs.Count(); ++i) {
        TTab &tab = FTabs.Tab(i);
        if (FDeadTabs && FDeadTabs->IsDead(tab.Handle))
            continue; // keeps its last title
        const QString title = Win::GetWindowText(tab.Handle, 255);
        tab.Title = title.isEmpty() ? BlankTitle : title;
    }
    TabBarChanged();
}

void TfrmMain::HostCommandNotice() {
    ShowTip(QStringLiteral("提示"), QStringLiteral("该页面没有帐号信息，无法保存！"), QString(), 0);
}

void TfrmMain::CaptureTimerTimer() {
    const QString report = FCaptureReport;
    // The save-account prompt takes the report from here.
    emit CapturedLogin(report);
}

void TfrmMain::PostToCurrent(LPARAM command, WPARAM argument) {
    if (TTab *tab = FTabs.Current())
        Win::PostMessage(tab->Handle, WM_HOSTCOMMAND, argument, command);
}

LRESULT TfrmMain::SendToTab(int index, LPARAM command, WPARAM argument) {
    if (!FTabs.IsValid(index))
        return 0;
    return Win::SendMessage(FTabs.Tab(index).Handle, WM_HOSTCOMMAND, argument, command);
}

// ---- Tab set --------------------------------------------------------------------------------

TWBEmbedded *TfrmMain::OpenPage(const QString &url) {
    auto *host = new TWBEmbedded(url);
    host->resize(FPanel2->size());
    host->SetParentWindow(FPanel2Handle);
    host->ShowBrowser();
    return host;
}

void TfrmMain::ShowTab(int index) {
    index = FTabs.WrapIndex(index);
    if (index < 0)
        return;
    const HWND handle = FTabs.Tab(index).Handle;
    bool show = true;
    if (!FTabs.Tab(index).Password.isEmpty()) {
        show = UnprotectTab(handle);
        // The password question ran its own loop: the tab may be gone.
        index = FTabs.IndexOfHandle(handle);
        if (index < 0)
            return;
    }
    const HWND previous = FTabs.MakeCurrent(index);
    FToolBar->Redraw();
    FStatusBar->Redraw();

    // No freezing needed: widget changes reach the screen together at the next paint, while
    // freezing and thawing the window would repaint all of it, page included.
    if (previous != 0 && previous != handle)
        Win::ShowWindow(previous, Win::SW_HIDE);
    Win::MoveWindow(handle, 0, 0, FPanel2->width(), FPanel2->height());
    Win::ShowWindow(handle, show ? Win::SW_SHOW : Win::SW_HIDE);

    TabBarChanged();
    Win::SendMessage(handle, WM_HOSTCOMMAND, WPARAM(FAddressBoxHandle), HostCommandUrl);
    if (FAddressBox->text() == QStringLiteral("about:blank"))
        FAddressBox->setFocus();
    else
        FPanel2->setFocus();
}

void TfrmMain::CloseTab(int index) {
    TClosePlan plan = FTabs.PlanClose(index);
    if (!plan.Valid)
        return;
    const HWND handle = FTabs.Tab(index).Handle;
    if (plan.AskLocked) {
        if (ShowTip(QStringLiteral("确认"), QStringLiteral("是否要关闭已锁定的标签？"), QString(),
                    4) != 6)
            return;
        index = FTabs.IndexOfHandle(handle);
        plan = FTabs.PlanClose(index);
        if (!plan.Valid)
            return;
    }
    if (plan.ShowFirst >= 0)
        ShowTab(plan.ShowFirst);
    index = FTabs.IndexOfHandle(handle);
    if (index < 0)
        return;
    const std::unique_ptr<TTab> record = FTabs.Remove(index);
    Win::PostMessage(record->Handle, Win::WM_CLOSE, 0, 0);
    if (FTabs.Count() > 0)
        TabBarChanged();
    else
        OpenPage(Settings().Portal(TPortal::MiniSite));
}

void TfrmMain::TabBarChanged() {
    FTabBar->Redraw();
    QStringList lines;
    for (int i = 0; i < FTabs.Count(); ++i)
        lines << (i == FTabs.CurrentTab() ? QStringLiteral("*") : QString()) +
                     FTabs.Tab(i).Caption();
    Win::SetWindowText(FTabBarHandle, lines.join(QLatin1Char('\n')));
    if (FDeadTabs)
        FDeadTabs->CurrentChanged();
    emit TabsChanged();
}

void TfrmMain::ProtectTab(int index) {
    if (!FTabs.IsValid(index))
        return;
    const HWND handle = FTabs.Tab(index).Handle;
    TfrmPass dialog(this);
    dialog.SetCaption(ProtectCaption);
    if (dialog.ShowModal() != 1)
        return;
    index = FTabs.IndexOfHandle(handle);
    if (index < 0)
        return;
    FTabs.Tab(index).Password = dialog.Edit1->text();
    Win::ShowWindow(handle, Win::SW_HIDE);
}

bool TfrmMain::UnprotectTab(HWND handle) {
    TfrmPass dialog(this);
    dialog.SetCaption(ProtectCaption);
    const bool ok = dialog.ShowModal() == 1;
    const int index = FTabs.IndexOfHandle(handle);
    if (!ok || index < 0 || dialog.Edit1->text() != FTabs.Tab(index).Password)
        return false;
    FTabs.Tab(index).Password.clear();
    return true;
}

void TfrmMain::RefreshMenuPopup() {
    FRefreshMenuOn->setChecked(SendToTab(FTabs.CurrentTab(), HostCommandRefresh, 0) == 1);
}

void TfrmMain::AutoRefreshMenuPopup() {
    FAutoRefreshOn->setChecked(SendToTab(FTabs.ContextTab, HostCommandRefresh, 0) == 1);
}

void TfrmMain::SetRefreshInterval(int index) {
    if (!FTabs.IsValid(index))
        return;
    const HWND handle = FTabs.Tab(index).Handle;
    // The host cannot report its interval, so the window remembers what it last set; a host
    // that does not refresh starts from the default.
    const bool running = SendToTab(index, HostCommandRefresh, 0) == 1;
    const int current = running ? FRefreshSeconds.value(handle, TfrmSetRefresh::MinimumInterval)
                                : TfrmSetRefresh::MinimumInterval;
    TfrmSetRefresh dialog(this);
    dialog.Edit1->setText(QString::number(current));
    if (dialog.ShowModal() != 1 || FTabs.IndexOfHandle(handle) < 0)
        return;
    const int seconds = TfrmSetRefresh::IntervalFrom(dialog.Edit1->text());
    FRefreshSeconds[handle] = seconds;
    Win::PostMessage(handle, WM_HOSTCOMMAND, WPARAM(seconds), HostCommandRefresh);
}

// ---- Full screen and keys -------------------------------------------------------------------

void TfrmMain::ToggleFullScreen() {
    FFullScreen = !FFullScreen;
    FButtons[RowLeaveFullScreen].Visible = FFullScreen;
    if (FFullScreen) {
        FStatusWasVisible = FPanel1->isVisibleTo(this);
        FToolBar->hide();
        FPanel1->hide();
        SetFullScreen(true);
        showFullScreen();
    } else {
        SetFullScreen(false);
        FToolBar->show();
        FPanel1->setVisible(FStatusWasVisible);
        showMaximized();
    }
    LayoutClient();
    FTabBar->Redraw();
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Client() && event->type() == QEvent::Resize) {
        LayoutClient();
        return TSkinForm::eventFilter(watched, event);
    }
    if (watched == FPanel2 && event->type() == QEvent::Resize)
        Panel2Resize();
    if (watched == FAddressBox && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            FEnterModifiers =
                key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    }
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        if (FToolBar2->isVisible()) {
            FToolBar2->hide();
            FTimer1.stop();
        }
        const auto *key = static_cast<QKeyEvent *>(event);
        auto *widget = static_cast<QWidget *>(watched);
        if (TSkinForm::ModalForm() == nullptr && widget->window() == this && isActiveWindow()) {
            if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_F11) {
                ToggleFullScreen();
                return true;
            }
        }
    }
    return TSkinForm::eventFilter(watched, event);
}

// ---- Closing --------------------------------------------------------------------------------

void TfrmMain::closeEvent(QCloseEvent *event) {
    if (FShutDown) {
        event->accept();
        return;
    }
    // The player chose to update now: the window really closes.
    if (Settings().CloseToTray && !(FUpdater && FUpdater->RestartWanted())) {
        event->ignore();
        // Without a notification area the window must stay reachable: minimise instead.
        if (QSystemTrayIcon::isSystemTrayAvailable())
            hide();
        else
            showMinimized();
        return;
    }
    int action = Settings().ReadInteger(TKey::ActClose);
    if (Settings().ReadBool(TKey::AskClose)) {
        raise();
        activateWindow();
        bool askAgain = true;
        const bool close = AskCloseAction(action, askAgain);
        WriteSetting([action]() { Settings().WriteInteger(TKey::ActClose, action); });
        if (!close) {
            event->ignore();
            return;
        }
        WriteSetting([askAgain]() { Settings().WriteBool(TKey::AskClose, askAgain); });
    }
    if (action == 0)
        QFile::remove(AppDir() + QStringLiteral("user.dat"));
    else if (action == 1)
        ExportAccounts();
    Shutdown();
    event->accept();
}

void TfrmMain::Shutdown() {
    if (FShutDown)
        return;
    FShutDown = true;
    FAdTimer.stop();
    for (int i = 0; i < FTabs.Count(); ++i)
        Win::PostMessage(FTabs.Tab(i).Handle, Win::WM_DESTROY, 0, 0);
    SavePlacement();
    FCompanion.MainWindowDestroyed();
    CloseMiniHome();
    InstallPendingUpdate();
}

void TfrmMain::SavePlacement() {
    if (!SettingsOpen() || !FFirstShown)
        return;
    const Qt::WindowStates state = windowState();
    const QRect g = geometry();
    WriteSetting([state, g]() {
        if (!(state & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
            Settings().WriteInteger(TKey::Left, g.left());
            Settings().WriteInteger(TKey::Top, g.top());
            Settings().WriteInteger(TKey::Height, g.height());
            Settings().WriteInteger(TKey::Width, g.width());
        }
        Settings().WriteBool(TKey::State,
                             bool(state & (Qt::WindowMaximized | Qt::WindowFullScreen)));
    });
}

// ---- Call sites of the windows that arrive with their own parts ------------------------------

void TfrmMain::ShowLoginDialog(const QString &userName) {
    // The local user login dialog opens here, modally, with userName filled in.
    Q_UNUSED(userName);
}

void TfrmMain::CreateSidePanel() {
    // Nobody logged in: the anonymous user's accounts and lists are used, so games opened with
    // a stored account log in from the start.
    TUserData &data = UserData();
    if (data.CurrentFile().isEmpty()) {
        data.SetCurrentFile(TUserData::DefaultUserFile(AppDir()));
        if (!data.Load())
            ShowTip(QStringLiteral("提示"),
                    QStringLiteral("用户数据文件已损坏，无法读取：%1").arg(data.CurrentFile()),
                    QString(), 0);
        data.EnsureStructure();
    }
    // The side panel itself is created here as a child of this window and shown.
}

void TfrmMain::DailyStart() {
    FUpdater->DailyRoutine();
}

void TfrmMain::OpenSettingsWindow(int page) {
    // The settings window opens here, modal, on the given page; OK applies its settings.
    Q_UNUSED(page);
}

void TfrmMain::AddToFavorites() {
    // The shown page is added to the favourites here.
}

void TfrmMain::StartCapture() {
    // Pending messages first, so the tool bar is redrawn before the screen is grabbed.
    QCoreApplication::processEvents();
    // The region capture window is created and shown here.
}

void TfrmMain::ImportAccounts() {
    // The account import with its file dialog runs here.
}

void TfrmMain::ExportAccounts() {
    // The account export with its file dialog runs here.
}

void TfrmMain::ShowAbout() {
    TfrmAbout dialog(this);
    dialog.ShowModal();
}

void TfrmMain::CheckUpdate(bool withNotices) {
    FUpdater->StartCheck(withNotices ? TUpdater::Manual : TUpdater::Automatic);
}

void TfrmMain::ShowMiniHome() {
    if (FMiniHome)
        return;
    FMiniHome = new TMiniHome;
    FMiniHome->setAttribute(Qt::WA_DeleteOnClose, false);
    // The mini home's page is not a tab: its host never registers with this window.
    auto *host = new TWBEmbedded;
    FMiniHome->SetPageHost(host);
    host->ShowBrowser();
    FMiniHome->OnNavigate = [host](const QString &url) { host->Navigate(url); };
}

void TfrmMain::CloseMiniHome() {
    delete FMiniHome;
}

void TfrmMain::InstallPendingUpdate() {
    DestroyUpdateParts();
    FUpdater->InstallPending();
}

bool TfrmMain::AskCloseAction(int &action, bool &askAgain) {
    TfrmClose dialog(this);
    dialog.SelectTag(action);
    const bool close = dialog.ShowModal() == 1;
    if (dialog.SelectedTag() >= 0)
        action = dialog.SelectedTag();
    askAgain = !dialog.DontAskAgain();
    return close;
}

// ---- Tool bar -------------------------------------------------------------------------------

void TfrmMain::SetSearchEngine(int tag) {
    if (tag < 0 || tag >= SearchEngineCount)
        return;
    FSearchTag = tag;
    if (!FSearchBox->hasFocus() && FSearchHint.isEmpty())
        FSearchBox->setText(SearchEngineCaption(tag));
    FToolBar->Redraw();
}

void TfrmMain::SearchBoxFocusChange(bool focused) {
    if (focused) {
        FSearchBox->setText(FSearchHint);
    } else {
        FSearchHint = FSearchBox->text();
        if (FSearchHint.isEmpty())
            FSearchBox->setText(SearchEngineCaption(FSearchTag));
    }
}

void TfrmMain::AddressEnter(Qt::KeyboardModifiers modifiers) {
    FEnterModifiers = Qt::NoModifier;
    const QString url = CompleteAddress(FAddressBox->text(), modifiers);
    if (url.isEmpty())
        return;
    FAddressBox->SetAddressText(url);
    FPanel2->setFocus();
    OpenPage(url);
}

void TfrmMain::SearchEnter() {
    // Away from the box its text is the engine's caption; the typed text is in the hint.
    const QString text = FSearchBox->hasFocus() ? FSearchBox->text() : FSearchHint;
    const QString url = SearchUrl(Settings().Portal(TPortal::Search), FSearchTag, text);
    if (url.isEmpty())
        return;
    FAddressBox->SetAddressText(url);
    AddressEnter(Qt::NoModifier);
}

void TfrmMain::ToolBarAction(int index) {
    switch (index) {
    case RowHome:
        OpenPage(Settings().Portal(TPortal::MiniSite));
        break;
    case RowBack:
        PostToCurrent(HostCommandBack);
        break;
    case RowForward:
        PostToCurrent(HostCommandForward);
        break;
    case RowStop:
        PostToCurrent(HostCommandStop);
        break;
    case RowRefresh:
        PostToCurrent(HostCommandRefresh, 1);
        break;
    case RowAccounts:
        OpenSettingsWindow(1);
        break;
    case RowSettings:
        OpenSettingsWindow(0);
        break;
    case RowFullScreen:
        ToggleFullScreen();
        break;
    case RowChevron:
        OpenToolBar2();
        break;
    case FavoritesIndex:
        AddToFavorites();
        break;
    case CaptureIndex:
        StartCapture();
        break;
    case SearchGoIndex:
        SearchEnter();
        break;
    case AddressGoIndex:
        AddressEnter(Qt::NoModifier);
        break;
    default:
        break;
    }
}

void TfrmMain::OpenToolBar2() {
    const QRect r = FLayout.ToolBar2Rect();
    FToolBar2->setGeometry(FToolBar->x() + r.left(), FToolBar->y() + r.top(), r.width(),
                           r.height());
    FToolBar2->show();
    FToolBar2->raise();
    FToolBar2->Redraw();
    FTimer1.start();
}

void TfrmMain::Timer1Timer() {
    if (!FToolBar2->isVisible()) {
        FTimer1.stop();
        return;
    }
    if (QApplication::mouseButtons() != Qt::NoButton && FToolBar2->OverIndex() < 0) {
        FToolBar2->hide();
        FTimer1.stop();
    }
}

void TfrmMain::ToolBarGetIndex(TEControl *sender, int &index, int x, int y) {
    const TStripHit hit =
        FLayout.HitTest(sender == FToolBar2 ? TToolStrip::ToolBar2 : TToolStrip::ToolBar, x, y);
    sender->SetHint(hit.Hint);
    index = hit.Index;
}

void TfrmMain::ToolBarChangeIndex(TEControl *sender, int &index) {
    if (index >= 0 && !sender->Hint().isEmpty())
        QToolTip::showText(QCursor::pos(), sender->Hint(), sender);
    else
        QToolTip::hideText();
}

void TfrmMain::ToolBarMouseDown(TEControl *sender, Qt::MouseButton button, int x, int y) {
    if (button != Qt::LeftButton)
        return;
    const int index = sender->DownIndex();
    if ((index == RowRefresh || index == RowAccounts) && FButtons[size_t(index)].ArrowHit) {
        PopupArrowMenu(index == RowRefresh ? FPopupMenu3 : FPopupMenu4, index);
        return;
    }
    if (sender == FToolBar && FLayout.InSearchEngineZone(x, y)) {
        sender->SetDownIndex(NoIndex);
        FPopupMenu6->popup(FToolBar->mapToGlobal(FLayout.SearchMenuPos()));
    }
}

void TfrmMain::PopupArrowMenu(QMenu *menu, int row) {
    TEControl *strip =
        FToolBar2->isVisible() && !FButtons[size_t(row)].Visible ? FToolBar2 : FToolBar;
    menu->exec(strip->mapToGlobal(FLayout.ArrowMenuPos(row)));
    // The press is used up by the menu; the strip looks again at what is under the pointer.
    strip->SetDownIndex(NoIndex);
    strip->HoverTimerTick();
    strip->Redraw();
}

void TfrmMain::ToolBarMouseUp(TEControl *sender) {
    const int index = sender->DownIndex();
    sender->SetDownIndex(NoIndex);
    sender->Redraw();
    if (sender == FToolBar2) {
        FToolBar2->hide();
        FTimer1.stop();
    }
    if (index == NoIndex)
        return;
    if ((index == RowRefresh || index == RowAccounts) && FButtons[size_t(index)].ArrowHit)
        return;
    ToolBarAction(index);
}

void TfrmMain::ToolBarDrawControl(TEControl *sender, QPainter &canvas) {
    const QRect all = sender->rect();
    if (!Skin().ToolBar.isNull())
        canvas.drawImage(all, Skin().ToolBar);
    else
        canvas.fillRect(all, ColorToQColor(Skin().Face));
    const bool second = sender == FToolBar2;
    if (second) {
        canvas.setPen(ColorToQColor(Skin().Shadow));
        canvas.drawRect(all.adjusted(0, 0, -1, -1));
    }
    const QImage &icons = FImages.Icons;
    const QImage &grayIcons = FImages.GrayIcons;
    const QImage &small = FImages.SmallButtons;
    const QImage &searchGo = FImages.SearchGo;
    const QImage &addressGo = FImages.AddressGo;
    const int cell = icons.height();
    const int over = sender->OverIndex();
    const int down = sender->DownIndex();
    canvas.setFont(font());
    const QList<int> rows = FLayout.PlaceRows(second ? TToolStrip::ToolBar2 : TToolStrip::ToolBar);
    for (int row : rows) {
        const TToolButton &b = FButtons[size_t(row)];
        if (b.Kind == TToolButton::Separator) {
            const int x = b.Left + b.Width / 2;
            canvas.setPen(ColorToQColor(Skin().Shadow));
            canvas.drawLine(x, b.Top + 4, x, b.Bottom() - 5);
            canvas.setPen(ColorToQColor(Skin().Light));
            canvas.drawLine(x + 1, b.Top + 4, x + 1, b.Bottom() - 5);
            continue;
        }
        const TToolLook look = FLayout.Look(row, over, down);
        if (look.Frame) {
            DrawThreeSlice(canvas, look.Body, Skin().BgButton, look.BodyPressed);
            if (!look.Arrow.isNull())
                DrawThreeSlice(canvas, look.Arrow, Skin().BgButton, look.ArrowPressed);
        }
        const int shift = look.Shifted ? 1 : 0;
        const QImage &strip = b.Enabled ? icons : grayIcons;
        if (cell > 0) {
            const int square = row == RowChevron ? b.Width : b.Height;
            const int x = b.Left + (square - cell) / 2 + shift;
            const int y = b.Top + (b.Height - cell) / 2 + shift;
            canvas.drawImage(QPoint(x, y), strip, QRect(b.ImageIndex * cell, 0, cell, cell));
            if (b.Kind == TToolButton::DropDown) {
                const int aw = TToolBarLayout::ArrowHitWidth;
                canvas.drawImage(QPoint(b.Right() - aw, y), strip, QRect(9 * cell, 0, aw, cell));
            }
        }
        if (b.ShowCaption) {
            const int right = b.Kind == TToolButton::DropDown ? 18 : 6;
            canvas.setPen(b.Enabled ? ColorToQColor(Skin().FontColor) : QColor(0x80, 0x80, 0x80));
            canvas.drawText(QRect(b.Left + shift, b.Top + shift, b.Width - right, b.Height),
                            Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, b.Caption);
        }
    }
    if (second)
        return;

    // The boxes' frames, the engine and page icons, the small buttons and the go buttons.
    canvas.setRenderHint(QPainter::Antialiasing);
    for (const QRect &frame : {FLayout.SearchFrame(), FLayout.AddressFrame()}) {
        canvas.setPen(ColorToQColor(Skin().Shadow));
        canvas.setBrush(Qt::white);
        canvas.drawRoundedRect(QRectF(frame).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }
    {
        // The chosen engine: a round badge with the engine's first character and a small arrow.
        static const QColor engineColours[SearchEngineCount] = {
            QColor(0x2F, 0x6B, 0xD8), QColor(0x34, 0xA8, 0x53), QColor(0xE8, 0x6A, 0x1C)};
        const QRect frame = FLayout.SearchFrame();
        const QRect badge(frame.left() + 5, frame.center().y() - 7, 15, 15);
        canvas.setPen(Qt::NoPen);
        canvas.setBrush(engineColours[FSearchTag]);
        canvas.drawEllipse(badge);
        QFont badgeFont = font();
        badgeFont.setPixelSize(9);
        canvas.setFont(badgeFont);
        canvas.setPen(Qt::white);
        canvas.drawText(badge, Qt::AlignCenter, SearchEngineCaption(FSearchTag).left(1));
        canvas.setPen(Qt::NoPen);
        canvas.setBrush(ColorToQColor(Skin().FontColor));
        const int ax = badge.right() + 2, ay = frame.center().y();
        canvas.drawPolygon(
            QPolygon({QPoint(ax, ay - 1), QPoint(ax + 5, ay - 1), QPoint(ax + 2, ay + 2)}));
        // The page icon: a small globe.
        const QRect address = FLayout.AddressFrame();
        const QRectF globe(address.left() + 4.5, address.center().y() - 5.5, 11, 11);
        canvas.setBrush(Qt::NoBrush);
        canvas.setPen(QPen(QColor(0x4A, 0x86, 0xC8), 1.2));
        canvas.drawEllipse(globe);
        canvas.drawEllipse(globe.adjusted(3, 0, -3, 0));
        canvas.drawLine(QPointF(globe.left(), globe.center().y()),
                        QPointF(globe.right(), globe.center().y()));
        canvas.setFont(font());
    }
    canvas.setRenderHint(QPainter::Antialiasing, false);
    if (!small.isNull()) {
        const int sw = small.width() / 2, sh = small.height() / 3;
        for (int row : {RowFavorites, RowCapture}) {
            const TToolButton &b = FButtons[size_t(row)];
            const int index = row == RowFavorites ? FavoritesIndex : CaptureIndex;
            const int state = over == index ? (down == index ? 2 : 1) : 0;
            canvas.drawImage(QPoint(b.Left, b.Top), small,
                             QRect(b.ImageIndex * sw, state * sh, sw, sh));
        }
    }
    const auto drawGo = [&](const QRect &rect, const QImage &image, int index) {
        if (image.isNull())
            return;
        const int gw = image.width() / 3;
        const int state = down == index ? 2 : 0;
        canvas.drawImage(QPoint(rect.left(), rect.top() + (rect.height() - image.height()) / 2),
                         image, QRect(state * gw, 0, gw, image.height()));
    };
    drawGo(FLayout.SearchGo(), searchGo, SearchGoIndex);
    drawGo(FLayout.AddressGo(), addressGo, AddressGoIndex);
}

// ---- Tab bar --------------------------------------------------------------------------------

void TfrmMain::TabBarGetIndex(TEControl *sender, int &index, int x, int y) {
    const TStripHit hit = FTabs.HitTest(x, y);
    sender->SetHint(hit.Hint);
    index = hit.Index;
}

void TfrmMain::TabBarMouseDown(Qt::MouseButton button, bool doubleClick, int x, int y) {
    Q_UNUSED(x);
    Q_UNUSED(y);
    const int index = FTabBar->OverIndex();
    if (index < 0)
        return;
    if (button == Qt::LeftButton) {
        if (doubleClick)
            CloseTab(index);
        else
            ShowTab(index);
    } else if (button == Qt::RightButton) {
        FTabs.ContextTab = index;
        FTabBar->SetDownIndex(NoIndex);
        FPopupMenu1->popup(QCursor::pos());
    }
}

void TfrmMain::TabBarMouseUp() {
    const int index = FTabBar->DownIndex();
    FTabBar->SetDownIndex(NoIndex);
    if (index >= NoIndex) {
        FTabBar->Redraw();
        return;
    }
    // The button acts after its hot and pressed looks are gone.
    FTabBar->SetOverIndex(NoIndex);
    FTabBar->Redraw();
    switch (index) {
    case CloseTabIndex:
        CloseTab(FTabs.CurrentTab());
        break;
    case PrevTabIndex:
        ShowTab(FTabs.CurrentTab() - 1);
        break;
    case NextTabIndex:
        ShowTab(FTabs.CurrentTab() + 1);
        break;
    case LeaveFullScreenIndex:
        ToggleFullScreen();
        break;
    default:
        break;
    }
}

void TfrmMain::TabBarDrawControl(TEControl *sender, QPainter &canvas) {
    const QRect all = sender->rect();
    if (!Skin().TabBar.isNull())
        canvas.drawImage(all, Skin().TabBar);
    else
        canvas.fillRect(all, ColorToQColor(Skin().Face));
    const QImage lock = TMenuStyle::MenuImage(4);
    FTabs.SetBarSize(all.width(), all.height());
    const QList<TTabBarTab> cells = FTabs.Layout(lock.isNull() ? QSize(16, 16) : lock.size());
    const QFont normal = font();
    QFont bold = font();
    bold.setBold(true);
    canvas.setPen(ColorToQColor(Skin().FontColor));
    for (const TTabBarTab &cell : cells) {
        const TTab &tab = FTabs.Tab(cell.Index);
        DrawSlices(canvas, cell.ImageRect, cell.Active ? Skin().TabActive : Skin().TabUnactive);
        // The lock sits on the text's line, which is raised above the tab's middle.
        if (!cell.LockRect.isNull() && !lock.isNull())
            canvas.drawImage(
                QPoint(cell.LockRect.left(), cell.TextRect.center().y() - lock.height() / 2 + 1),
                lock);
        canvas.setFont(cell.Active ? bold : normal);
        const QFontMetrics metrics(canvas.font());
        const QString text = TTabSet::FitCaption(
            tab, cell, [&metrics](const QString &s) { return metrics.horizontalAdvance(s); });
        canvas.drawText(cell.TextRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
    if (FTabs.Count() == 0)
        return;
    const QImage &buttons = FImages.TabButtons;
    if (buttons.isNull())
        return;
    const int bw = buttons.width() / 4, bh = buttons.height() / 4;
    for (int row = RowCloseTab; row <= RowLeaveFullScreen; ++row) {
        const TToolButton &b = FButtons[size_t(row)];
        if (!b.Visible)
            continue;
        const int imageRow = FTabs.ButtonImageRow(row, sender->OverIndex(), sender->DownIndex());
        canvas.drawImage(QPoint(b.Left, b.Top), buttons,
                         QRect(b.ImageIndex * bw, imageRow * bh, bw, bh));
    }
}

// ---- Status bar and ad strip ----------------------------------------------------------------

void TfrmMain::StatusBarDrawControl(TEControl *sender, QPainter &canvas) {
    const QRect all = sender->rect();
    const QImage &image = Skin().StatusBar;
    if (!image.isNull())
        canvas.drawImage(all, image, QRect(0, 0, image.width() / 2, image.height()));
    else
        canvas.fillRect(all, ColorToQColor(Skin().Face));
    const QImage &bar = Skin().ProgressBar;
    const int cw = bar.width() / 4;
    const TStatusBarRects rects =
        TToolBarLayout::StatusBar(all.width(), all.height(), image.width() / 2,
                                  QSize(cw, bar.height()), FTabs.ShownProgress());
    if (!rects.Progress.isNull() && cw > 0) {
        const QRect p = rects.Progress;
        const int h = bar.height();
        const int y = p.top();
        canvas.drawImage(QRect(p.left(), y, cw, h), bar, QRect(0, 0, cw, h));
        canvas.drawImage(QRect(p.left() + cw, y, p.width() - 2 * cw, h), bar, QRect(cw, 0, cw, h));
        canvas.drawImage(QRect(p.right() + 1 - cw, y, cw, h), bar, QRect(2 * cw, 0, cw, h));
        if (!rects.Fill.isNull())
            canvas.drawImage(QRect(rects.Fill.left(), y, rects.Fill.width(), h), bar,
                             QRect(3 * cw, 0, cw, h));
    }
    canvas.setFont(font());
    canvas.setPen(ColorToQColor(Skin().FontColor));
    const QRect text = rects.Text;
    const QFontMetrics metrics(font());
    if (!sender->Caption().isEmpty()) {
        canvas.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                        metrics.elidedText(sender->Caption(), Qt::ElideRight, text.width()));
        return;
    }
    if (!FAdStrip.Running())
        return;
    const QList<TAdStrip::TItem> &items = FAdStrip.Layout(
        text.width(), [&metrics](const QString &s) { return metrics.horizontalAdvance(s); });
    canvas.setClipRect(text);
    QFont underlined = font();
    underlined.setUnderline(true);
    for (const TAdStrip::TItem &item : items) {
        canvas.setFont(item.Line == sender->OverIndex() ? underlined : font());
        canvas.drawText(
            QRect(text.left() + item.Left, text.top(), item.TextWidth + 1, text.height()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            TAdStrip::TextOf(FAdStrip.Lines().value(item.Line)));
    }
}

void TfrmMain::StatusBarGetIndex(TEControl *sender, int &index, int x, int y) {
    index = NoIndex;
    if (sender->Caption().isEmpty() && FAdStrip.Running())
        index = FAdStrip.HitTest(x - TToolBarLayout::StatusTextLeft, y, sender->height());
    sender->setCursor(index >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TfrmMain::StatusBarMouseDown(int x, int y) {
    int index = NoIndex;
    StatusBarGetIndex(FStatusBar, index, x, y);
    const QString url = FAdStrip.Url(index);
    if (!url.isEmpty())
        OpenPage(url);
}

void TfrmMain::AdTimerTimer() {
    if (FAdStrip.Tick(FStatusBar->OverIndex() >= 0, !FStatusBar->Caption().isEmpty()))
        FStatusBar->Redraw();
}

void TfrmMain::FetchAdStrip() {
    FAdFetched = true;
    if (FHTTPGet1 == nullptr)
        FHTTPGet1 = new THTTPGet(this);
    FHTTPGet1->SetURL(Settings().Portal(TPortal::AdStrip) + QStringLiteral("?pid=") +
                      Settings().PartnerId);
    FHTTPGet1->OnDoneString = [this](THTTPGet *, const QByteArray &result) {
        FAdStrip.SetAnswer(UnicodeFromAnsi(result));
        if (FAdStrip.Running())
            FAdTimer.start();
        else
            FAdTimer.stop();
        FStatusBar->Redraw();
    };
    FHTTPGet1->OnError = [this](THTTPGet *) {
        FAdStrip.Clear();
        FAdTimer.stop();
    };
    FHTTPGet1->StartTextFetch();
}
