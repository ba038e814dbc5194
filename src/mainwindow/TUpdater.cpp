#include "mainwindow/TUpdater.h"

#include "dialogs/TfrmTip.h"
#include "dialogs/TfrmUpdate.h"
#include "mainwindow/TCatalogueRefresh.h"
#include "net/TUpdateInstaller.h"
#include "net/TUpdateLogic.h"
#include "net/TUsageReport.h"
#include "side/TCatalogue.h"
#include "store/EWriteError.h"
#include "store/TIniFile.h"
#include "store/TSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QTimer>

namespace {

TUpdater *GInstance = nullptr;
int GState = TUpdater::Idle;

// Where a failed install leaves its reason for the next start.
const QString FailSection = QStringLiteral("Update");
const QString FailKey = QStringLiteral("InstallFailed");
// An install cut short that the next start finished.
const QString ResumedKey = QStringLiteral("InstallResumed");

void WriteNotice(const QString &key, const QString &value) {
    try {
        TIniFile(Settings().FileName()).WriteString(FailSection, key, value);
    } catch (const EWriteError &) {
    }
}

} // namespace

TUpdater::TUpdater(const QString &programDir, QObject *parent) : QObject(parent), FDir(programDir) {
    GInstance = this;
}

TUpdater::~TUpdater() {
    if (GInstance == this)
        GInstance = nullptr;
}

TUpdater *TUpdater::Instance() {
    return GInstance;
}

int TUpdater::State() {
    return GState;
}

void TUpdater::SetState(int state) {
    GState = state;
    if (OnStateChanged)
        OnStateChanged(state == Idle);
}

bool TUpdater::StoreDescription(const QByteArray &answer) {
    if (answer.isEmpty())
        return false;
    QSaveFile ini(UpdateIniPath());
    // On failure the previous description stays.
    return ini.open(QIODevice::WriteOnly) && ini.write(answer) == answer.size() && ini.commit();
}

void TUpdater::DailyRoutine() {
    if (!StoreDescription(SendDailyReport()))
        return;
    if (Settings().ReadBool(TKey::CheckUpdate))
        StartCheck(Automatic);
}

void TUpdater::StartCheck(TState state) {
    if (GState != Idle)
        return;
    SetState(state);
    if (state == Manual) {
        // The morning's answer may be old by now: the player's check asks the portal.
        const QPointer<TUpdater> alive(this);
        const QByteArray answer = AskUpdateDescription();
        if (!alive)
            return;
        if (answer.isEmpty()) {
            ShowTip(QStringLiteral("提示"), QStringLiteral("无法获取版本信息！"),
                    QStringLiteral("请检查网络设置，稍后再试。"), 0);
            SetState(Idle);
            return;
        }
        StoreDescription(answer);
    }
    const TUpdateDescription d = TUpdateDescription::Read(UpdateIniPath());
    if (CatalogueRefreshDue(d, Catalogue().Version()) && !FRefresh) {
        FRefresh = new TCatalogueRefresh(TCatalogue::FileName(FDir), this);
        FRefresh->OnReplaced = [this]() {
            if (OnCatalogueReplaced)
                OnCatalogueReplaced();
        };
        FRefresh->Start(DownloadAddress(d.GameDownload, Settings().PartnerId));
    }
    if (!ProgramUpdateOffered(d, RunningBuildNumber())) {
        if (state == Manual)
            ShowTip(QStringLiteral("提示"), QStringLiteral("未发现新版本！"), QString(), 0);
        SetState(Idle);
        return;
    }
    if (ShowTip(QStringLiteral("提示"), QStringLiteral("新版本经已发布，是否现在更新？"), QString(),
                4) == 6)
        DownloadProgram(DownloadAddress(d.MainDownload, Settings().PartnerId));
    else
        SetState(Idle);
}

void TUpdater::DownloadProgram(const QString &address) {
    if (GState == Idle || FDownload)
        return;
    FDownload = new TfrmUpdate;
    connect(FDownload, &QObject::destroyed, this, [this]() { SetState(Idle); });
    FDownload->OnDone = [this](const QString &fileName) { DownloadDone(fileName); };
    FDownload->OnFailed = []() {
        ShowTip(QStringLiteral("提示"), QStringLiteral("下载失败！请检查网络设置，稍后再试。"),
                QString(), 0);
    };
    FDownload->show();
    // After showing: a skinned window centres itself on its owner when shown.
    if (OnPlaceDownload)
        OnPlaceDownload(FDownload);
    FDownload->Start(address, ArchivePath());
}

void TUpdater::DownloadDone(const QString &fileName) {
    FPending = fileName;
    if (ShowTip(QStringLiteral("提示"), QStringLiteral("下载完成！是否现在更新？"), QString(), 4) ==
        6) {
        FRestart = true;
        if (OnCloseMainWindow)
            OnCloseMainWindow();
    }
}

bool TUpdater::InstallPending() {
    if (FPending.isEmpty() || !QFileInfo::exists(FPending))
        return false;
    const TInstallResult result = TUpdateInstaller::Install(
        FPending, FDir, QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    QFile::remove(FPending);
    FPending.clear();
    if (!result.Ok)
        WriteNotice(FailKey, result.Error);
    if (FRestart) {
        FRestart = false;
        QProcess::startDetached(QCoreApplication::applicationFilePath(), {});
        // The new program runs: this one ends even when a window of its own is left open.
        QTimer::singleShot(0, qApp, []() { QCoreApplication::exit(0); });
    }
    return result.Ok;
}

void TUpdater::NoteRecovery(TUpdateInstaller::TRecovery recovery) {
    if (!SettingsOpen())
        return;
    switch (recovery) {
    case TUpdateInstaller::TRecovery::None:
        break;
    case TUpdateInstaller::TRecovery::Finished:
        WriteNotice(ResumedKey, QStringLiteral("1"));
        break;
    case TUpdateInstaller::TRecovery::RolledBack:
        WriteNotice(FailKey, QStringLiteral("上次安装更新时程序被中断。"));
        break;
    case TUpdateInstaller::TRecovery::Unreadable:
        WriteNotice(FailKey,
                    QStringLiteral("更新安装记录已损坏，程序文件可能不完整，请重新安装程序。"));
        break;
    }
}

void TUpdater::ReportFailedInstall() {
    if (!SettingsOpen())
        return;
    TIniFile ini(Settings().FileName());
    if (!ini.ReadString(FailSection, ResumedKey, QString()).isEmpty()) {
        try {
            ini.DeleteKey(FailSection, ResumedKey);
        } catch (const EWriteError &) {
        }
        ShowTip(QStringLiteral("提示"),
                QStringLiteral("上次安装更新时程序被中断，现已完成安装，程序已是新版本。"),
                QString(), 0);
    }
    const QString reason = ini.ReadString(FailSection, FailKey, QString());
    if (reason.isEmpty())
        return;
    try {
        ini.DeleteKey(FailSection, FailKey);
    } catch (const EWriteError &) {
        // A read-only settings file: the notice comes again at the next start.
    }
    ShowTip(QStringLiteral("提示"), QStringLiteral("更新安装失败，程序仍是原来的版本。"), reason,
            0);
}
