#pragma once
// Helpers shared by the tests.

#include <QProcess>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

namespace TestSupport {

QString SourceDir();      // the checkout ($LUDORA_SOURCE_DIR)
QString BuildDir();       // the build folder ($LUDORA_BUILD_DIR)
QString ExecutablePath(); // build/ludora ($LUDORA_EXE)

// Runs xdotool with these arguments; its output, trimmed.
QString Xdotool(const QStringList &arguments);
// The first window with exactly this title (only a mapped one when onlyVisible), 0 while none.
quint64 FindTitled(const QString &title, bool onlyVisible = false);
// Saves the whole screen as build/screenshots/<name>, for a person to look at.
void Screenshot(const QString &name);

// A private program folder: a copy of the executable (and the skin folder when built), so that
// a test's settings and user data never touch the build folder. Returns the copied executable.
QString MakeProgramDir(const QTemporaryDir &dir);

// Gives this test process a private folder for the window-message layer, so that tests running
// side by side never see each other's windows. Call before the layer starts.
void UsePrivateRuntimeDir(const QTemporaryDir &dir);

// The handles a main-role process prints first with LUDORA_PRINT_HANDLES.
struct TMainHandles {
    quint64 MainWindow = 0;
    quint64 PageArea = 0;
    quint64 TabBar = 0;
};

// Starts exe in the main role with LUDORA_PRINT_HANDLES set on top of env (the system's when
// empty), its standard error forwarded, and reads its handles. False (the line read, if any, in
// *error) when it does not start or print them within timeoutMs.
bool StartMainProcess(QProcess &main, const QString &exe, TMainHandles &handles,
                      QProcessEnvironment env = QProcessEnvironment(), QString *error = nullptr,
                      int timeoutMs = 30000);

// Where the X server shows a native window, in screen coordinates (from xwininfo).
QRect ScreenRect(quint64 native);

// A GET, waiting for the answer while the event loop keeps running; empty after 10 s.
QByteArray HttpGet(const QString &url);

// The demo portal (tools/portal/portal.py) on a free port of 127.0.0.1, for one test.
class TPortalProcess {
public:
    TPortalProcess() = default;
    ~TPortalProcess();
    bool Start(); // waits until it listens
    void Stop();
    int Port() const { return FPort; }
    QString BaseUrl() const; // "http://127.0.0.1:<port>/"
    QByteArray Get(const QString &path) const { return HttpGet(BaseUrl() + path); }
    // Points every portal address of a settings file at this portal; other lines are kept.
    void WritePortalSettings(const QString &iniPath) const;
    // The portal settings, and a program that starts in a normal window, closes without a
    // question and, with dailyStartDone, has had its first start of the day (no mini home).
    void WriteProgramSettings(const QString &iniPath, bool dailyStartDone = true) const;

private:
    QProcess FProcess;
    int FPort = 0;
};

} // namespace TestSupport
