// The main window's call sites of the windows that arrive with their own parts: log-in, side
// panel, settings, favourites, capture, accounts, about, the mini home and the close question.

#include "mainwindow/TfrmMain.h"

#include "capture/TfrmCaptor.h"
#include "core/TWBEmbedded.h"
#include "dialogs/TAccountActions.h"
#include "dialogs/TMiniHome.h"
#include "dialogs/TfrmAbout.h"
#include "dialogs/TfrmAddFav.h"
#include "dialogs/TfrmClose.h"
#include "dialogs/TfrmTip.h"
#include "mainwindow/TBossKey.h"
#include "mainwindow/TMenuStyle.h"
#include "mainwindow/TUpdater.h"
#include "options/TfrmOptions.h"
#include "side/TfrmAddUser.h"
#include "side/TfrmSide.h"
#include "store/TUserData.h"
#include "store/TUsers.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>

void TfrmMain::ShowLoginDialog(const QString &userName) {
    // With a name: the start-up log-in, before the side panel opens the anonymous file when
    // nobody logs in. Without: "登录帐号", which falls back to the anonymous file itself.
    if (!userName.isEmpty()) {
        TAccountActions::Login(this, ProgramDir(), userName, FLoginArea);
        return;
    }
    TAccountActions::SwitchUser(this, ProgramDir());
    emit UserSwitched();
    ShowCurrentUser();
}

void TfrmMain::ShowCurrentUser() {
    const QString line = TUsers::CurrentUserLine(TUsers(ProgramDir()).CurrentUser(UserData()));
    FMenus->SetUserLine(line);
    FTrayTip = QStringLiteral("Ludora");
    if (!line.isEmpty())
        FTrayTip += QLatin1Char('\n') + line;
    FTrayTip = FTrayTip.left(TrayTipLength);
    if (FTray)
        FTray->setToolTip(FTrayTip);
}

void TfrmMain::CreateSidePanel() {
    // Nobody logged in: the anonymous user's accounts and lists are used, so games opened with
    // a stored account log in from the start.
    TUserData &data = UserData();
    if (data.CurrentFile().isEmpty()) {
        data.SetCurrentFile(TUserData::DefaultUserFile(ProgramDir()));
        if (!data.Load())
            ShowTip(QStringLiteral("提示"),
                    QStringLiteral("用户数据文件已损坏，无法读取：%1").arg(data.CurrentFile()),
                    QString(), bkOk);
        data.EnsureStructure();
    }
    TfrmSide::THost host;
    host.OpenPage = [this](const QString &url) { OpenPage(url); };
    host.PageArea = FPanel2Handle;
    host.Program = QCoreApplication::applicationFilePath();
    host.CurrentTab = [this](QString &title, quint64 &handle) {
        const TTab *tab = FTabs.Current();
        title = tab ? tab->Title : QString();
        handle = tab ? quint64(tab->Handle) : 0;
    };
    FSide = new TfrmSide(Client(), host);
    FSide->setFont(font());
    TMenuStyle::Apply(FSide->PopupMenu());
    connect(FSide, &TfrmSide::WidthChanged, this, &TfrmMain::LayoutClient);
    // Another user brings other lists and accounts; a captured login moved its game.
    connect(this, &TfrmMain::UserSwitched, FSide, &TfrmSide::RebuildGroups);
    connect(this, &TfrmMain::RecentGamesChanged, FSide, &TfrmSide::RecentGamesChanged);
    FSide->show();
    LayoutClient();
}

void TfrmMain::DailyStart() {
    FUpdater->DailyRoutine();
}

void TfrmMain::OpenSettingsWindow(int page) {
    TfrmOptions form(this);
    form.OnCheckUpdate = [this]() { CheckUpdate(true); };
    form.OnAddAccount = [](QWidget *owner) {
        TfrmAddUser dialog(owner);
        if (!dialog.Execute())
            return QDomElement();
        return UserData().FindAccount(dialog.Location(), dialog.User());
    };
    if (form.Open(page) == mrOk && FBossKey && !FBossKey->Apply())
        ShowTip(QStringLiteral("提示"),
                QStringLiteral("老板键“%1”无法使用：").arg(TBossKey::KeyText()),
                QStringLiteral("它已被其他程序占用，或不是可用的组合键。"), bkOk);
}

void TfrmMain::AddToFavorites() {
    const TTab *tab = FTabs.Current();
    // The side panel writes the shortcut and shows it in its favourites tree.
    if (FSide)
        FSide->AddFavourite(tab ? tab->Title : QString(), tab ? quint64(tab->Handle) : 0);
    else
        TfrmAddFav::AddFavourite(this, tab ? tab->Title : QString(), tab ? tab->Handle : 0);
}

void TfrmMain::StartCapture() {
    // Pending messages first, so the tool bar is redrawn before the screen is grabbed.
    QCoreApplication::processEvents();
    TfrmCaptor::Start();
}

void TfrmMain::ImportAccounts() {
    TAccountActions::Import(this);
}

void TfrmMain::ExportAccounts() {
    TAccountActions::Export(this);
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
    // Windows the mini home's page opens are tabs of this window, brought to the front.
    host->SetNewWindowHandler([this](THostPage *page) {
        OpenPage(QString(), page);
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
    });
    FMiniHome->SetPageHost(host);
    host->ShowBrowser();
    FMiniHome->OnNavigate = [host](const QString &url) { host->Navigate(url); };
}

TMiniHome *TfrmMain::MiniHome() const {
    return FMiniHome;
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
    const bool close = dialog.ShowModal() == mrOk;
    if (dialog.SelectedTag() >= 0)
        action = dialog.SelectedTag();
    askAgain = !dialog.DontAskAgain();
    return close;
}
