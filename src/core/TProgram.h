#pragma once
// The program entry: one-shot switches, the self-update swap and the role decision. Both roles
// share the main window's class name and the probe by which a tab process finds its main window.

#include "platform/WinMessages.h"

#include <QString>
#include <QStringList>

class QApplication;

// The class name the main window registers under; tab processes look it up with FindWindow.
inline constexpr char MainWindowClassName[] = "TLudoraMainWindow";

// Main window messages.
inline constexpr quint32 WM_MAINPROBE = Win::WM_USER + 201; // 1225, sent by a tab process
inline constexpr quint32 WM_TRAYICON = Win::WM_USER + 202;  // 1226, the tray callback
inline constexpr quint32 WM_COMPANION = Win::WM_USER + 203; // 1227, companion browser handshake
inline constexpr LRESULT MainProbeAnswer = 100083;

class TProgram {
public:
    TProgram(const QString &executablePath, const QStringList &args);

    // Runs the whole start-up and returns the process exit code. argc/argv go to QApplication.
    int Run(int &argc, char **argv);

    // The one-shot forms and the swap, in order; each returns true when it has done its job and
    // the process is to end with exitCode.
    bool RunUninstall(int &exitCode);
    bool RunEncrypt(int &exitCode);
    bool CompletePendingUpdate();

    // The running main window that answers the probe, 0 when there is none. Needs the layer.
    static HWND ProbeMainWindow();
    // A decimal window handle as given on a command line; 0 when it is not a number.
    static HWND ParseHandle(const QString &text);

    QString PendingUpdatePath() const { return FExecutable + "_"; }
    QString PreviousExecutablePath() const { return FExecutable + ".bak"; }

private:
    QString FExecutable;
    QStringList FArgs; // without the executable
};
