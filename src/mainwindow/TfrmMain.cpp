#include "mainwindow/TfrmMain.h"

#include "controls/TAddressBox.h"
#include "controls/TEControl.h"
#include "controls/TEEdit.h"
#include "controls/TPaintPanel.h"
#include "controls/TSkin.h"
#include "core/TProgram.h"
#include "core/TWBEmbedded.h"
#include "dialogs/TAccountActions.h"
#include "dialogs/TfrmAbout.h"
#include "dialogs/TfrmTip.h"
#include "mainwindow/SearchAddress.h"
#include "mainwindow/TBossKey.h"
#include "mainwindow/TDeadTabs.h"
#include "mainwindow/TMenuStyle.h"
#include "mainwindow/TPlayerTools.h"
#include "mainwindow/TStatusBarPainter.h"
#include "mainwindow/TUpdater.h"
#include "net/THTTPGet.h"
#include "platform/AnsiCodePage.h"
#include "protocol/Messages.h"
#include "protocol/THostProtocol.h"
#include "side/TCatalogue.h"
#include "side/TfrmSide.h"
#include "store/EWriteError.h"
#include "store/TSettings.h"
#include "store/TUserData.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace {

void WriteSetting(const std::function<void()> &write) {
    try {
        write();
    } catch (const EWriteError &) {
        // A read-only settings file must not stop the window from closing.
    }
}

} // namespace

QString TfrmMain::ProgramDir() {
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

TfrmMain::TfrmMain(HWND companion)
    : TSkinForm(nullptr, TBorderStyle::Sizeable), FCompanion(companion),
      FButtons(DefaultToolButtons()), FTabs(FButtons), FLayout(FButtons),
      FToolBarPainter(FButtons, FLayout), FTabBarPainter(FButtons), FHostDispatch(*this),
      FStrips(*this), FTabTools(*this), FNavigation(*this) {
    QApplication::setApplicationDisplayName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("Ludora"));
    SetCaption(QStringLiteral("Ludora"));
    setWindowTitle(QStringLiteral("Ludora"));
    setObjectName(QStringLiteral("frmMain"));
    // The program's icon for the title bar, the tray and the desktop's task list.
    const QIcon icon = TfrmAbout::ProgramIcon();
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("ludora"));
    setWindowIcon(icon);
    setFont(Skin().Font);
    setMinimumSize(MinWidth, MinHeight);
    resize(DesignWidth, DesignHeight);

    FHandle =
        Win::RegisterWindow(this, QString::fromLatin1(MainWindowClassName),
                            [this](const Win::TMessage &m) { return FHostDispatch.WndProc(m); });
    CreateComponents();
    FMenus = std::make_unique<TMainMenus>(*this);

    UserData().Clear();
    SetSearchEngine(0);
    FSearchBox->setText(SearchEngineCaption(FSearchTag));

    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        auto *tray = new QSystemTrayIcon(windowIcon(), this);
        FTray = tray;
        tray->setToolTip(QStringLiteral("Ludora"));
        tray->setContextMenu(FMenus->PopupMenu2);
        connect(tray, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::DoubleClick)
                        Win::PostMessage(FHandle, WM_TRAYICON, 0, TrayLeftDoubleClick);
                });
        tray->show();
    }

    FTimer1.setInterval(ToolBar2Poll);
    connect(&FTimer1, &QTimer::timeout, this, [this]() { FStrips.Timer1Timer(); });
    FAdTimer.setInterval(TAdStrip::Interval);
    connect(&FAdTimer, &QTimer::timeout, this, [this]() { FNavigation.AdTimerTimer(); });
    FCaptureTimer.setSingleShot(true);
    FCaptureTimer.setInterval(CaptureDelay);
    connect(&FCaptureTimer, &QTimer::timeout, this, &TfrmMain::CaptureTimerTimer);

    SetTipOwner(this);
    TfrmAbout::SetOpenPage([this](const QString &url) { OpenPage(url); });
    // This window holds the companion handle; every title bar reads it from here.
    TSkinForm::SetCompanionSource([this]() { return FCompanion.Handle(); });
    qApp->installEventFilter(this);
    // A press in a page of a tab process reaches no widget here; the keyboard going there does.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *window) {
        if (window == nullptr && FToolBar2->isVisible() && !QApplication::activePopupWidget())
            CloseToolBar2();
    });
    FCompanion.MainWindowCreated(FHandle);
    CreateUpdateParts();
    FPlayerTools = std::make_unique<TPlayerTools>(*this);
    FBossKey = std::make_unique<TBossKey>(*this);
    FBossKey->Apply();
}

TfrmMain::~TfrmMain() {
    qApp->removeEventFilter(this);
    TSkinForm::SetCompanionSource(nullptr);
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
    FToolBar->OnDrawControl = [this](TEControl *s, QPainter &c) {
        FToolBarPainter.Paint(c, *s, s == FToolBar2 ? TToolStrip::ToolBar2 : TToolStrip::ToolBar,
                              FSearchTag, font());
    };
    FToolBar->OnGetIndex = [this](TEControl *s, int &i, int x, int y) {
        FStrips.ToolBarGetIndex(s, i, x, y);
    };
    FToolBar->OnChangeIndex = [this](TEControl *s, int &i) { FStrips.ToolBarChangeIndex(s, i); };
    FToolBar->OnMouseDown = [this](TEControl *s, Qt::MouseButton b, TShiftState, int x, int y) {
        FStrips.ToolBarMouseDown(s, b, x, y);
    };
    FToolBar->OnMouseUp = [this](TEControl *s, Qt::MouseButton, TShiftState, int, int) {
        FStrips.ToolBarMouseUp(s);
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
    FSearchBox->FocusChange = [this](TEEdit *, bool focused) {
        FNavigation.SearchBoxFocusChange(focused);
    };
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
    FTabBar->OnDrawControl = [this](TEControl *s, QPainter &c) {
        FTabBarPainter.Paint(c, *s, FTabs, TMenuStyle::MenuImage(4), font());
    };
    FTabBar->OnGetIndex = [this](TEControl *s, int &i, int x, int y) {
        FStrips.TabBarGetIndex(s, i, x, y);
    };
    FTabBar->OnChangeIndex = [this](TEControl *s, int &i) { FStrips.ToolBarChangeIndex(s, i); };
    FTabBar->OnMouseDown = [this](TEControl *, Qt::MouseButton b, TShiftState shift, int, int) {
        FStrips.TabBarMouseDown(b, shift.Double);
    };
    FTabBar->OnMouseUp = [this](TEControl *, Qt::MouseButton, TShiftState, int, int) {
        FStrips.TabBarMouseUp();
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
    FStatusBar->OnDrawControl = [this](TEControl *s, QPainter &c) {
        TStatusBarPainter::Paint(c, *s, FTabs.ShownProgress(), FAdStrip, font(),
                                 FPlayerTools ? FPlayerTools->ZoomText() : QString());
    };
    FStatusBar->OnGetIndex = [this](TEControl *s, int &i, int x, int y) {
        FStrips.StatusBarGetIndex(s, i, x, y);
    };
    FStatusBar->OnMouseDown = [this](TEControl *, Qt::MouseButton b, TShiftState, int x, int y) {
        if (b == Qt::LeftButton)
            FStrips.StatusBarMouseDown(x, y);
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
            // A protected tab's page may still load (auto-refresh) behind its hidden window.
            const TTab *tab = FTabs.Current();
            if (tab != nullptr && !tab->Password.isEmpty())
                return LRESULT(0);
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

// ---- Start-up -------------------------------------------------------------------------------

void TfrmMain::FormShow() {
    if (FFirstShown)
        return;
    FFirstShown = true;
    FirstShow();
}

void TfrmMain::FirstShow() {
    ApplyMetrics();

    const QRect work = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    const int width = Settings().ReadInteger(TKey::Width, DesignWidth);
    int height = Settings().ReadInteger(TKey::Height, DesignHeight);
    // A window taller than the screen gives up what the panels of the desktop take.
    const QRect whole = screen() ? screen()->geometry() : work;
    if (height > whole.height())
        height -= whole.height() - work.height();
    const int left = Settings().ReadInteger(TKey::Left, work.left() + (work.width() - width) / 2);
    const int top = Settings().ReadInteger(TKey::Top, work.top() + (work.height() - height) / 2);
    const QRect placement(left, top, std::max(width, MinWidth), std::max(height, MinHeight));

    const QString login = Settings().ReadString(TKey::Login);
    if (!login.isEmpty() && QFile::exists(TUserData::UserFile(ProgramDir(), login))) {
        // The window is not placed yet: the dialog stands in the middle of the screen it will
        // open on, not at the corner where the window waits.
        QScreen *target = QGuiApplication::screenAt(placement.center());
        if (target == nullptr)
            target = screen();
        FLoginArea = target ? target->availableGeometry() : work;
        ShowLoginDialog(login);
        FLoginArea = QRect();
    }

    CreateSidePanel();
    ShowCurrentUser();

    setGeometry(placement);
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
    // The side panel stands at the left edge, as high as the page frame beside it.
    int left = 0;
    if (FSide != nullptr && FSide->isVisibleTo(this)) {
        left = FSide->width();
        FSide->setGeometry(0, top, left, std::max(0, bottom - top));
    }
    FPanel3->setGeometry(left, top, std::max(0, w - left), std::max(0, bottom - top));
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

// ---- Page hosts -----------------------------------------------------------------------------

void TfrmMain::CaptureTimerTimer() {
    // The slot is emptied first: a report arriving while the prompt is open waits its own turn.
    const QString report = std::exchange(FCaptureReport, QString());
    emit CapturedLogin(report);
    TAccountActions::ProcessCapture(
        this, report, [this](const QString &location) { emit RecentGamesChanged(location); });
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

TWBEmbedded *TfrmMain::OpenPage(const QString &url, THostPage *page) {
    auto *host = new TWBEmbedded(url, page);
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
        show = FTabTools.Unprotect(handle);
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
        Win::ShowWindowAsync(previous, Win::SW_HIDE); // it may be hung
    Win::MoveWindow(handle, 0, 0, FPanel2->width(), FPanel2->height());
    Win::ShowWindow(handle, show ? Win::SW_SHOW : Win::SW_HIDE);

    TabBarChanged();
    // The box shows this tab's address or none: a dead host does not answer, and a protected
    // page keeps its address to itself until the password is given.
    FAddressBox->SetAddressText(QString());
    if (show)
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
                    bkYesNo) != mrYes)
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
}

// ---- Full screen and keys -------------------------------------------------------------------

void TfrmMain::BringBack() {
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

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
    if (FSide != nullptr)
        FSide->SetPanelExpanded(!FFullScreen);
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
    if ((event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonDblClick) &&
        watched->isWidgetType())
        ToolBar2PressElsewhere(static_cast<QWidget *>(watched),
                               static_cast<QMouseEvent *>(event)->position().toPoint());
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        if (FToolBar2->isVisible()) {
            FToolBar2->hide();
            FTimer1.stop();
        }
        const auto *key = static_cast<QKeyEvent *>(event);
        auto *widget = static_cast<QWidget *>(watched);
        // A key reaches a widget of this window only while the window has the keyboard: it is
        // the active one, even when no window manager told the toolkit so.
        if (TSkinForm::ModalForm() == nullptr && widget->window() == this) {
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
    TAccountActions::CloseAction(this, ProgramDir(), action);
    Shutdown();
    event->accept();
    // Page hosts of this process are top-level windows of their own, embedded in the page area:
    // waiting for the last window to close would wait for ever.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TfrmMain::Shutdown() {
    if (FShutDown)
        return;
    FShutDown = true;
    FAdTimer.stop();
    for (int i = 0; i < FTabs.Count(); ++i) {
        const HWND host = FTabs.Tab(i).Handle;
        Win::PostMessage(host, Win::WM_DESTROY, 0, 0);
        // A host of this process goes with the window that showed it (the role deletes it).
        if (QWidget *widget = Win::WidgetOf(host))
            widget->hide();
    }
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

// ---- Tool bar -------------------------------------------------------------------------------

void TfrmMain::SetSearchEngine(int tag) {
    FNavigation.SetSearchEngine(tag);
}

void TfrmMain::AddressEnter(Qt::KeyboardModifiers modifiers) {
    FNavigation.AddressEnter(modifiers);
}

void TfrmMain::SearchEnter() {
    FNavigation.SearchEnter();
}

void TfrmMain::ToolBarAction(int index) {
    FNavigation.ToolBarAction(index);
}

void TfrmMain::FetchAdStrip() {
    FNavigation.FetchAdStrip();
}

void TfrmMain::CloseToolBar2() {
    FToolBar2->hide();
    FTimer1.stop();
}

// A drop-down closes at a press anywhere but on itself; a press on the chevron that opened it
// only closes it, its release must not open it again.
void TfrmMain::ToolBar2PressElsewhere(QWidget *target, const QPoint &pos) {
    if (!FToolBar2->isVisible() || target == FToolBar2 || FToolBar2->isAncestorOf(target))
        return;
    FChevronClosed = target == FToolBar && FToolBar->IndexAt(pos.x(), pos.y()) == RowChevron;
    CloseToolBar2();
}

void TfrmMain::OpenToolBar2() {
    if (std::exchange(FChevronClosed, false))
        return;
    const QRect r = FLayout.ToolBar2Rect();
    FToolBar2->setGeometry(FToolBar->x() + r.left(), FToolBar->y() + r.top(), r.width(),
                           r.height());
    FToolBar2->show();
    FToolBar2->raise();
    FToolBar2->Redraw();
    FTimer1.start();
}
