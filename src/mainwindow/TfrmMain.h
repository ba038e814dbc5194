#pragma once
// The main role's window: the skinned frame with the tool bar (address and search boxes), the
// tab bar, the page area every tab's page host lives in, and the status bar with the ad strip.
// It owns the tab set and answers the page hosts' messages, in this process or a tab process.

#include "controls/TSkinForm.h"
#include "core/TCompanion.h"
#include "mainwindow/TAdStrip.h"
#include "mainwindow/THostDispatch.h"
#include "mainwindow/TMainMenus.h"
#include "mainwindow/TNavigation.h"
#include "mainwindow/TStripHandlers.h"
#include "mainwindow/TTabBarPainter.h"
#include "mainwindow/TTabSet.h"
#include "mainwindow/TTabTools.h"
#include "mainwindow/TToolBarLayout.h"
#include "mainwindow/TToolBarPainter.h"
#include "mainwindow/TToolButton.h"
#include "platform/WinMessages.h"

#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class QMenu;
class TAddressBox;
class TEControl;
class TEEdit;
class THTTPGet;
class TPaintPanel;
class THostPage;
class TWBEmbedded;
class TMiniHome;
class QActionGroup;
class TfrmSide;
class TUpdater;
class TNoticePane;
class TDeadTabs;
class QSystemTrayIcon;
class TPlayerTools;
class TBossKey;

class TfrmMain : public TSkinForm {
    Q_OBJECT
public:
    static constexpr int MinWidth = 790;
    static constexpr int MinHeight = 550;
    static constexpr int DesignWidth = 798;
    static constexpr int DesignHeight = 598;
    static constexpr int Panel1Height = 30;
    static constexpr int CaptureDelay = 50; // ms before a capture report is handled
    static constexpr int ToolBar2Poll = 100;
    static constexpr int TrayTipLength = 63;

    // companion: the companion browser's window from the command line, 0 for none.
    explicit TfrmMain(HWND companion = 0);
    ~TfrmMain() override;

    HWND Handle() const { return FHandle; }
    HWND PageAreaHandle() const { return FPanel2Handle; }
    HWND StatusBarHandle() const { return FStatusBarHandle; }
    HWND AddressBoxHandle() const { return FAddressBoxHandle; }
    HWND TabBarHandle() const { return FTabBarHandle; }

    // Open page: a new page host in this process, in the page area; it registers and becomes
    // the shown tab.
    // A page host in the page area; it shows an existing page when one is given.
    TWBEmbedded *OpenPage(const QString &url, THostPage *page = nullptr);
    void ShowTab(int index);
    void CloseTab(int index);
    void ToggleFullScreen();
    // Shows a hidden or minimised window in the state it had (maximised stays maximised) and
    // brings it to the front: the tray's way back.
    void BringBack();
    bool IsFullScreen() const { return FFullScreen; }

    TTabSet &Tabs() { return FTabs; }
    const TToolButtons &Buttons() const { return FButtons; }
    TAddressBox *AddressBox() const { return FAddressBox; }
    TEEdit *SearchBox() const { return FSearchBox; }
    int SearchEngine() const { return FSearchTag; }
    void SetSearchEngine(int tag);
    TEControl *ToolBar() const { return FToolBar; }
    TEControl *ToolBar2() const { return FToolBar2; }
    TEControl *TabBar() const { return FTabBar; }
    TEControl *StatusBar() const { return FStatusBar; }
    const TAdStrip &AdStrip() const { return FAdStrip; }
    QMenu *TabMenu() const { return FMenus->PopupMenu1; }
    QMenu *RefreshMenu() const { return FMenus->PopupMenu3; }
    QMenu *AccountMenu() const { return FMenus->PopupMenu4; }
    QMenu *EngineMenu() const { return FMenus->PopupMenu6; }
    QString PendingCaptureReport() const { return FCaptureReport; }
    // The tray icon's tip: the program's title, and who is logged in.
    QString TrayTip() const { return FTrayTip; }
    QString UserLine() const { return FMenus->UserLine(); }

    // Tool bar actions by strip index, as a release on that item does.
    void ToolBarAction(int index);
    // Enter in the address box with the given modifiers; Enter in the search box.
    void AddressEnter(Qt::KeyboardModifiers modifiers);
    void SearchEnter();
    // Opens the chevron's drop-down strip below the tool bar.
    void OpenToolBar2();
    void CloseToolBar2();
    // The mini home window (the first run of the day opens it); nullptr when it is not open.
    void ShowMiniHome();
    TMiniHome *MiniHome() const;

signals:
    // After a capture report's 50 ms delay: the typed login to offer for saving.
    void CapturedLogin(const QString &report);

protected:
    void FormShow() override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The program's folder, ending with "/": user data and the update live there.
    static QString ProgramDir();
    // The units that act on the window's tabs, strips and components on its behalf.
    friend class TMainMenus;
    friend class THostDispatch;
    friend class TStripHandlers;
    friend class TTabTools;
    friend class TNavigation;

    void CreateComponents();
    void FirstShow();
    void LayoutClient();
    void Panel3Resize();
    void Panel2Resize();
    void ApplyMetrics();
    void ToolBarResize();
    void TabBarChanged();
    void SavePlacement();
    void Shutdown();

    void ToolBar2PressElsewhere(QWidget *target, const QPoint &pos);
    void CaptureTimerTimer();
    void PostToCurrent(LPARAM command, WPARAM argument = 0);
    LRESULT SendToTab(int index, LPARAM command, WPARAM argument);

    void Panel3Paint(TPaintPanel *sender, QPainter &canvas);
    void FetchAdStrip();
    QString StartPageUrl() const;

    // Call sites of the parts that arrive with their own windows.
    void ShowLoginDialog(const QString &userName);
    // Names the logged-in user in the tray tip and the menus.
    void ShowCurrentUser();
    void CreateSidePanel();
    void DailyStart();
    void OpenSettingsWindow(int page);
    void AddToFavorites();
    void StartCapture();
    void ImportAccounts();
    void ExportAccounts();
    void ShowAbout();
    void CloseMiniHome();
    void InstallPendingUpdate();
    bool AskCloseAction(int &action, bool &askAgain);

    QSystemTrayIcon *FTray = nullptr;
    QString FTrayTip;
    QRect FLoginArea;            // where the start-up log-in dialog is centred
    bool FChevronClosed = false; // the press on the chevron closed ToolBar2
    HWND FHandle = 0;
    HWND FPanel3Handle = 0;
    HWND FPanel2Handle = 0;
    HWND FStatusBarHandle = 0;
    HWND FAddressBoxHandle = 0;
    HWND FTabBarHandle = 0;
    TCompanion FCompanion;

    TToolButtons FButtons;
    TTabSet FTabs;
    TToolBarLayout FLayout;
    TAdStrip FAdStrip;
    TToolBarPainter FToolBarPainter;
    TTabBarPainter FTabBarPainter;
    THostDispatch FHostDispatch;
    TStripHandlers FStrips;
    TTabTools FTabTools;
    TNavigation FNavigation;
    bool FMetricsDone = false;
    bool FFirstShown = false;
    bool FFullScreen = false;
    bool FStatusWasVisible = true;
    bool FShutDown = false;
    int FSearchTag = 0;
    QString FSearchHint;
    QString FCaptureReport;
    // Modifiers of the Enter that the address box is about to hand on.
    Qt::KeyboardModifiers FEnterModifiers;

    TEControl *FToolBar = nullptr;
    TEControl *FToolBar2 = nullptr;
    TAddressBox *FAddressBox = nullptr;
    TEEdit *FSearchBox = nullptr;
    TPaintPanel *FPanel3 = nullptr;
    TEControl *FTabBar = nullptr;
    QWidget *FPanel2 = nullptr;
    QWidget *FPanel1 = nullptr;
    TEControl *FStatusBar = nullptr;

    std::unique_ptr<TMainMenus> FMenus;

    QTimer FTimer1;       // closes ToolBar2 on a press elsewhere
    QTimer FAdTimer;      // scrolls the ad strip
    QTimer FCaptureTimer; // handles the capture report
    THTTPGet *FHTTPGet1 = nullptr;
    QPointer<TMiniHome> FMiniHome;
    bool FAdFetched = false;

signals:
    // "登录帐号" ended: another user's (or the anonymous) document is loaded.
    void UserSwitched();
    // A captured login moved its game to the top of the recently played list.
    void RecentGamesChanged(const QString &location);

public:
    // The side panel at the left edge, from the first show on (nullptr before).
    TfrmSide *SidePanel() const { return FSide; }

private:
    TfrmSide *FSide = nullptr;
    // ---- Update, notification pane and dead game tabs (TfrmMainUpdate.cpp) ----
public:
    // The update check from the stored description: with notices (the menus' "检查新版本", the
    // settings window's "立即检查") it says "未发现新版本！" when there is nothing new.
    void CheckUpdate(bool withNotices);
    TUpdater *Updater() const { return FUpdater; }
    TNoticePane *NoticePane() const { return FNoticePane; }
    TDeadTabs *DeadTabs() const { return FDeadTabs; }

private:
    void CreateUpdateParts();
    void DestroyUpdateParts();
    // "games.xml" was replaced by a newer catalogue: the side panel rebuilds its groups.
    void CatalogueReplaced();
    void UpdateStateChanged(bool idle);
    // A registering host that restarts a dead game tab takes that tab's place; true when so.
    bool TakeDeadTabPlace(HWND host, const QString &startText, const QDomNode &game,
                          const QString &user);

    TUpdater *FUpdater = nullptr;
    TNoticePane *FNoticePane = nullptr;
    TDeadTabs *FDeadTabs = nullptr;

    // ---- Mute, per-game zoom and the boss key ----
public:
    TPlayerTools *PlayerTools() const { return FPlayerTools.get(); }
    TBossKey *BossKey() const { return FBossKey.get(); }

private:
    friend class TPlayerTools;
    friend class TBossKey;
    std::unique_ptr<TPlayerTools> FPlayerTools;
    std::unique_ptr<TBossKey> FBossKey;
};
