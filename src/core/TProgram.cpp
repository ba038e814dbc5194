#include "core/TProgram.h"

#include "platform/TFileSystem.h"
#include "platform/TGLProbe.h"
#include "platform/TProcessInfo.h"
#include "store/ScrambleText.h"
#include "store/TSettings.h"

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
    // Chromium reads only the last of a repeated --disable-features: join them into one.
    static const QByteArray features = "--disable-features=";
    if (flag.startsWith(features)) {
        QList<QByteArray> words = flags.split(' ');
        for (QByteArray &word : words)
            if (word.startsWith(features)) {
                for (const QByteArray &feature : flag.mid(features.size()).split(','))
                    if (!word.mid(features.size()).split(',').contains(feature))
                        word += ',' + feature;
                flags = words.join(' ');
                return;
            }
    }
    if (!flags.isEmpty())
        flags += ' ';
    flags += flag;
}

QList<QByteArray> TProgram::EngineFlags(TGraphics graphics, bool openGL) {
    // Games keep playing behind other tabs and with the window minimised: hidden pages keep
    // their timers at the shown rate, also after five minutes (intensive throttling), and their
    // renderer keeps its priority.
    QList<QByteArray> flags{
        "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
        "--disable-backgrounding-occluded-windows", "--disable-features=IntensiveWakeUpThrottling"};
    if (!openGL)
        flags << "--disable-gpu";
    else if (graphics == TGraphics::Auto)
        // The block list refuses WebGL on software rasterisers and on old drivers, where a game
        // that starts slowly beats one that cannot start; a driver that then fails takes the
        // engine's GPU process down, and the engine falls back to drawing without it.
        flags << "--ignore-gpu-blocklist";
    return flags;
}

bool TProgram::OpenGLAvailable() {
    // The main process asks the display once; the tab processes it starts inherit the answer
    // instead of paying for the question again.
    static const char *const known = "LUDORA_OPENGL";
    const QByteArray inherited = qgetenv(known);
    if (inherited == "1" || inherited == "0")
        return inherited == "1";
    const TGLProbe::TResult probe = TGLProbe::Run();
    if (!probe.OpenGL)
        std::fprintf(stderr, "Ludora: pages are drawn without OpenGL (%s)\n",
                     qPrintable(probe.Reason));
    qputenv(known, probe.OpenGL ? "1" : "0");
    return probe.OpenGL;
}

void TProgram::PrepareEngineEnvironment() {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    // Chromium's sandbox refuses to run as root; a normal user keeps it.
    if (TProcessInfo::IsRoot())
        AddChromiumFlag(flags, "--no-sandbox");
    const int setting = SettingsOpen() ? Settings().ReadInteger(TKey::Graphics) : 0;
    const TGraphics graphics = setting == int(TGraphics::BlockList)  ? TGraphics::BlockList
                               : setting == int(TGraphics::Software) ? TGraphics::Software
                                                                     : TGraphics::Auto;
    const bool openGL = graphics != TGraphics::Software && OpenGLAvailable();
    for (const QByteArray &flag : EngineFlags(graphics, openGL))
        AddChromiumFlag(flags, flag);
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    if (!openGL) {
        // Without an OpenGL context Qt Quick and the engine both draw in software: games run
        // at a fraction of their speed, but every page still shows.
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION")) {
            qputenv("QT_XCB_GL_INTEGRATION", "none");
            GGlIntegrationSet = true;
        }
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
