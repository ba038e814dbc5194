// The main window's side of the update, the notification pane and dead game tabs: creating and
// wiring the parts, which live in their own units.

#include "mainwindow/TfrmMain.h"
#include "side/TfrmSide.h"

#include "controls/TEControl.h"
#include "controls/TPaintPanel.h"
#include "core/TWBEmbedded.h"
#include "dialogs/TfrmUpdate.h"
#include "mainwindow/TDeadTabs.h"
#include "mainwindow/TNoticePane.h"
#include "mainwindow/TUpdater.h"
#include "store/TSettings.h"

#include <QAction>
#include <QWebEngineView>

void TfrmMain::CreateUpdateParts() {
    FUpdater = new TUpdater(ProgramDir(), this);
    FUpdater->OnStateChanged = [this](bool idle) { UpdateStateChanged(idle); };
    FUpdater->OnCatalogueReplaced = [this]() { CatalogueReplaced(); };
    FUpdater->OnCloseMainWindow = [this]() {
        // The normal close path, once the question that asked has gone.
        QTimer::singleShot(0, this, [this]() { close(); });
    };
    FUpdater->OnPlaceDownload = [this](TfrmUpdate *form) {
        // Right-aligned 5 px from the client's edge, standing on the status bar's panel.
        const QPoint at = FPanel1->mapToGlobal(QPoint(ClientWidth() - form->width() - 5, 0));
        form->move(at.x(), at.y() - form->height());
    };
    // Told once the window is up.
    QTimer::singleShot(1000, FUpdater, [updater = FUpdater]() { updater->ReportFailedInstall(); });

    FNoticePane = new TNoticePane(FPanel3Handle, FPanel3, Settings().Portal(TPortal::Notice));
    FNoticePane->OnNewWindow = [this]() -> QWebEnginePage * {
        TWBEmbedded *host = OpenPage(QString());
        return host && host->View() ? host->View()->page() : nullptr;
    };

    FDeadTabs = new TDeadTabs(FPanel2Handle, FPanel2, this);
    FDeadTabs->IsTab = [this](HWND host) { return FTabs.IndexOfHandle(host) >= 0; };
    FDeadTabs->CurrentHost = [this]() { return FTabs.Current() ? FTabs.Current()->Handle : 0; };
    FDeadTabs->ShuttingDown = [this]() { return FShutDown; };
    FDeadTabs->OnDied = [this](HWND host) {
        // Its page will not finish loading: no progress is shown for it.
        if (FTabs.SetProgress(host, 0))
            FStatusBar->Redraw();
        const int index = FTabs.IndexOfHandle(host);
        if (index >= 0) {
            FTabs.Tab(index).Dead = true;
            FTabBar->Redraw();
        }
    };
}

void TfrmMain::DestroyUpdateParts() {
    // The pane is a window of its own inside the frame: it goes before the frame does.
    if (FNoticePane) {
        Win::SetParent(FNoticePane->Handle(), 0);
        delete FNoticePane;
        FNoticePane = nullptr;
    }
}

void TfrmMain::CatalogueReplaced() {
    if (FSide)
        FSide->RebuildGroups();
}

void TfrmMain::UpdateStateChanged(bool idle) {
    for (QAction *action : findChildren<QAction *>())
        if (action->text() == QStringLiteral("检查新版本"))
            action->setEnabled(idle);
}

bool TfrmMain::TakeDeadTabPlace(HWND host, const QString &startText, const QDomNode &game,
                                const QString &user) {
    const HWND dead = FDeadTabs->TakeRestarted(startText);
    const int index = dead != 0 ? FTabs.IndexOfHandle(dead) : -1;
    if (index < 0)
        return false;
    TTab &tab = FTabs.Tab(index);
    tab.Handle = host;
    tab.Title = QStringLiteral("正在打开...");
    tab.Game = game;
    tab.User = user;
    tab.Progress = 0;
    tab.CanBack = false;
    tab.CanForward = false;
    tab.Dead = false;
    FDeadTabs->Registered(host, startText);
    // Shown in its old place once the registration's send has returned.
    QTimer::singleShot(0, this, [this, host]() {
        const int i = FTabs.IndexOfHandle(host);
        if (i >= 0)
            ShowTab(i);
    });
    return true;
}
