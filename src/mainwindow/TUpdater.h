#pragma once
// The update as the main window drives it: the daily routine (report, "update.ini", automatic
// check), the manual check, the catalogue refresh, the program download window, the pending
// update installed when the main window goes, and the restart. State shared by every caller
// (the update state, the pending file, the restart flag) is process-wide.

#include "dialogs/TfrmUpdate.h"
#include "mainwindow/TCatalogueRefresh.h"
#include "net/TUpdateInstaller.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class TUpdater : public QObject {
    Q_OBJECT

public:
    enum TState { Idle = 0, Manual = 1, Automatic = 2 };

    // programDir ends with "/".
    explicit TUpdater(const QString &programDir, QObject *parent = nullptr);
    ~TUpdater() override;

    // The one updater of the process (the main window's); nullptr before it exists.
    static TUpdater *Instance();

    static int State();
    QString PendingUpdate() const { return FPending; }
    bool RestartWanted() const { return FRestart; }

    // Report, store a non-empty answer as "update.ini", then the automatic check when
    // "General"/"CheckUpdate" is on. Returns when the report has been answered.
    void DailyRoutine();
    // A check of the description: Manual asks the portal for it first (a notice when no answer
    // comes) and shows "未发现新版本！" when there is nothing; Automatic reads the stored one.
    // Does nothing while a check or download is running.
    void StartCheck(TState state);
    // At main window destruction: installs the downloaded archive, then restarts when the
    // player chose to update at once. Returns whether an update was installed.
    bool InstallPending();
    // An install that failed at the last exit is told once, at the next start.
    void ReportFailedInstall();
    // Keeps what the start found of an install cut short, for ReportFailedInstall to tell.
    static void NoteRecovery(TUpdateInstaller::TRecovery recovery);

    QString UpdateIniPath() const { return FDir + QStringLiteral("update.ini"); }
    QString ArchivePath() const { return FDir + QStringLiteral("update.dat"); }
    TfrmUpdate *DownloadWindow() const { return FDownload; }

    // Wiring to the main window.
    std::function<void(bool idle)> OnStateChanged;     // enable "检查新版本" when idle
    std::function<void()> OnCatalogueReplaced;         // games.xml was replaced
    std::function<void()> OnCloseMainWindow;           // the player chose to update now
    std::function<void(TfrmUpdate *)> OnPlaceDownload; // position the download window

private:
    void SetState(int state);
    // Keeps a non-empty answer as "update.ini"; false when there is none or it was not written.
    bool StoreDescription(const QByteArray &answer);
    void DownloadProgram(const QString &address);
    void DownloadDone(const QString &fileName);

    QString FDir;
    QString FPending;
    bool FRestart = false;
    QPointer<TfrmUpdate> FDownload;
    QPointer<TCatalogueRefresh> FRefresh;
};
