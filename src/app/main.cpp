// Program entry: the one-shot switches, the self-update swap, then the role decision between the
// main role and the tab role.
#include "controls/TSkin.h"
#include "core/TProgram.h"
#include "core/TTabRole.h"
#include "dialogs/TTranslations.h"
#include "dialogs/TfrmTip.h"
#include "mainwindow/TMainRole.h"
#include "mainwindow/TUpdater.h"
#include "net/TUpdateInstaller.h"
#include "net/TUsageReport.h"
#include "platform/TProcessInfo.h"
#include "platform/WinMessages.h"
#include "store/TSettings.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

// The uninstall report: sent (or given up after a few seconds), then the process ends.
static int RunUninstall() {
    SendUninstallReport();
    return 0;
}

int main(int argc, char *argv[]) {
    TProgram::TraceStart("1-main");
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const TProgram program(TProcessInfo::ExecutablePath(argv[0]), args);
    // An update install cut short is finished or taken back before anything reads a file.
    const QFileInfo self(program.ExecutablePath());
    const TUpdateInstaller::TRecovery recovery =
        TUpdateInstaller::Recover(self.absolutePath() + QLatin1Char('/'));
    OpenSettings(TSettings::PathForExecutable(program.ExecutablePath()));
    static const char RecoveredMark[] = "LUDORA_STARTED_AFTER_RECOVERY";
    if (recovery != TUpdateInstaller::TRecovery::None) {
        TUpdater::NoteRecovery(recovery);
        // The files on disk are no longer the ones this process was started from. Once only: a
        // folder that cannot be put right never starts the program over and over.
        if (recovery != TUpdateInstaller::TRecovery::Unreadable &&
            !qEnvironmentVariableIsSet(RecoveredMark) && !program.IsUninstall() &&
            !program.IsEncrypt()) {
            qputenv(RecoveredMark, "1");
            if (QProcess::startDetached(program.ExecutablePath(), args))
                return 0;
        }
    }
    qunsetenv(RecoveredMark);

    if (program.IsUninstall()) {
        QCoreApplication app(argc, argv);
        return RunUninstall();
    }
    if (program.IsEncrypt())
        return program.RunEncrypt();
    if (program.CompletePendingUpdate())
        return 0;

    TProgram::PrepareEngineEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TProgram::EngineEnvironmentTaken();
    TTranslations::Load();
    TProgram::TraceStart("2-application");
    if (!Win::Initialize()) {
        std::fprintf(stderr,
                     "Ludora: cannot set up the private folder \"%s\" for its windows: %s\n",
                     qPrintable(Win::RuntimeDir()), qPrintable(Win::InitializeError()));
        // A player starting from a menu sees no stderr.
        LoadSkin(QStringLiteral("default"));
        ShowTip(QStringLiteral("提示"), QStringLiteral("程序无法启动。"), Win::InitializeError(),
                bkOk);
        return 1;
    }
    const HWND mainWindow = TProgram::ProbeMainWindow();
    TProgram::TraceStart("3-layer");
    if (mainWindow != 0 && !args.isEmpty())
        return RunTabRole(app, QStringList{program.ExecutablePath()} + args);
    return RunMainRole(app, args);
}
