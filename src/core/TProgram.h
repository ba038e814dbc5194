#pragma once
// The program entry: one-shot switches, the self-update swap and the role decision. Both roles
// share the main window's class name and the probe by which a tab process finds its main window.

#include "platform/WinMessages.h"
#include "protocol/Messages.h"
#include "store/TSettings.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class TProgram {
public:
    // args: the command line without the executable.
    TProgram(const QString &executablePath, const QStringList &args);

    const QString &ExecutablePath() const { return FExecutable; }
    const QStringList &Arguments() const { return FArgs; }
    QString PendingUpdatePath() const { return FExecutable + "_"; }
    QString PreviousExecutablePath() const { return FExecutable + ".bak"; }

    // First argument "/uninstall", whatever follows.
    bool IsUninstall() const;
    // Exactly two arguments, the first "/EnCrYpT".
    bool IsEncrypt() const;
    // Scrambles the named file in place; the exit code (1 with a message on stderr on failure).
    int RunEncrypt() const;
    // When a pending update file exists: the swap. True when it is done and the process is to
    // end (the new executable has been started); false to carry on in this one.
    bool CompletePendingUpdate() const;

    // Chromium flags, the Qt platform and how pages are drawn (General/Graphics and whether
    // the display can make an OpenGL context), before QApplication exists.
    static void PrepareEngineEnvironment();
    // The engine's switches for a drawing choice, whether or not OpenGL is there.
    static QList<QByteArray> EngineFlags(TGraphics graphics, bool openGL);
    // Whether the display can make an OpenGL context: asked once, then inherited by the
    // processes this one starts (LUDORA_OPENGL).
    static bool OpenGLAvailable();
    // Once QApplication exists: what only this process was to see leaves the environment.
    static void EngineEnvironmentTaken();
    // The running main window that answers the probe, 0 when there is none. Needs the layer.
    static HWND ProbeMainWindow();
    // A decimal window handle as given on a command line; 0 when it is not a number.
    static HWND ParseHandle(const QString &text);
    // With LUDORA_TRACE_START set: "start-trace <mark> <monotonic ms>" on stderr, so a benchmark
    // can see where a start's time goes.
    static void TraceStart(const char *mark);

private:
    QString FExecutable;
    QStringList FArgs;
};
