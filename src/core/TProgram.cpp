#include "core/TProgram.h"

#include "platform/TFileSystem.h"
#include "platform/TProcessInfo.h"
#include "store/ScrambleText.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QQuickWindow>
#include <QSaveFile>

#include <cstdio>

TProgram::TProgram(const QString &executablePath, const QStringList &args)
    : FExecutable(executablePath), FArgs(args) {}

bool TProgram::IsUninstall() const {
    return !FArgs.isEmpty() && FArgs.at(0) == "/uninstall";
}

bool TProgram::IsEncrypt() const {
    return FArgs.size() == 2 && FArgs.at(0) == "/EnCrYpT";
}

int TProgram::RunEncrypt() const {
    const QString path = FArgs.at(1);
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Ludora: cannot read \"%s\": %s\n", qPrintable(path),
                     qPrintable(in.errorString()));
        return 1;
    }
    const QByteArray plain = in.readAll();
    in.close();
    // Through a temporary file: a failed write leaves the original untouched.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(ScrambleText(plain)) != plain.size() ||
        !out.commit()) {
        std::fprintf(stderr, "Ludora: cannot write \"%s\": %s\n", qPrintable(path),
                     qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}

bool TProgram::CompletePendingUpdate() const {
    const QString pending = PendingUpdatePath();
    const QString previous = PreviousExecutablePath();
    if (!QFileInfo::exists(pending))
        return false;
    if (QFileInfo::exists(previous) || QFileInfo(previous).isSymLink())
        QFile::remove(previous);
    // The old executable keeps its name until the new one replaces it in one step: a kill in
    // between never leaves the installation without its executable.
    if (!TFileSystem::Link(FExecutable, previous) && !QFile::copy(FExecutable, previous))
        return false; // the pending file waits for the next start
    if (!TFileSystem::Replace(pending, FExecutable))
        return false;
    // The update is written as a plain file; it runs with the rights the old executable had.
    const QFile::Permissions exec =
        QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther;
    QFile::setPermissions(FExecutable,
                          QFile::permissions(FExecutable) | (QFile::permissions(previous) & exec));
    if (!QProcess::startDetached(FExecutable, {}))
        std::fprintf(stderr, "Ludora: cannot start the updated program \"%s\"\n",
                     qPrintable(FExecutable));
    return true;
}

static bool GGlIntegrationSet = false;

static void AddChromiumFlag(QByteArray &flags, const QByteArray &flag) {
    if (flags.split(' ').contains(flag))
        return;
    if (!flags.isEmpty())
        flags += ' ';
    flags += flag;
}

void TProgram::PrepareEngineEnvironment() {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    // Chromium's sandbox refuses to run as root; a normal user keeps it.
    if (TProcessInfo::IsRoot())
        AddChromiumFlag(flags, "--no-sandbox");
    // No GPU on the virtual displays this runs on.
    AddChromiumFlag(flags, "--disable-gpu");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    // The engine composes pages in software, so Qt has nothing to gain from OpenGL in showing
    // them; without a GPU its driver is a software renderer of some 25 MB that every tab process
    // would load and start up.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION")) {
        qputenv("QT_XCB_GL_INTEGRATION", "none");
        GGlIntegrationSet = true;
    }
    // Embedding windows of other processes needs X11, also inside a Wayland session.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

void TProgram::EngineEnvironmentTaken() {
    // Qt has read it; programs this one starts (a file manager) must keep their OpenGL.
    if (GGlIntegrationSet)
        qunsetenv("QT_XCB_GL_INTEGRATION");
    GGlIntegrationSet = false;
}

HWND TProgram::ProbeMainWindow() {
    const HWND found = Win::FindWindow(QString::fromLatin1(MainWindowClassName));
    if (found == 0)
        return 0;
    return Win::SendMessage(found, WM_MAINPROBE, 0, 0) == MainProbeAnswer ? found : 0;
}

HWND TProgram::ParseHandle(const QString &text) {
    bool ok = false;
    const HWND handle = text.toULongLong(&ok, 10);
    return ok ? handle : 0;
}

void TProgram::TraceStart(const char *mark) {
    static const bool on = qEnvironmentVariableIsSet("LUDORA_TRACE_START");
    if (!on)
        return;
    QElapsedTimer now;
    now.start();
    std::fprintf(stderr, "start-trace %s %lld\n", mark, now.msecsSinceReference());
}
