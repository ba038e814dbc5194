// The main window's figures, against the demo portal under Xvfb:
//   cold start: starting the executable until the start page's title is in the tab bar;
//   memory: resident set and proportional set (PSS: shared pages counted by share) of the main
//           process and of one game tab's process, each with its engine helper processes;
//   tab switch: ShowTab between loaded tabs of a main window in this process.
// Usage: xvfb-run -a bench_mainwindow [runs] [switches]. Run by hand; not part of the tests.

#include "controls/TSkin.h"
#include "core/TProgram.h"
#include "core/TWBEmbedded.h"
#include "mainwindow/TfrmMain.h"
#include "platform/WinMessages.h"
#include "protocol/Messages.h"
#include "store/TSettings.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString BuildDir() {
    return QStringLiteral(LUDORA_BUILD_DIR);
}

// Every portal address on the demo portal's port.
void WriteIni(const QString &path, int port) {
    QFile ini(path);
    ini.open(QIODevice::WriteOnly);
    QString text = QStringLiteral("[Portal]\r\n");
    for (int p = int(TPortal::MiniSite); p <= int(TPortal::AdStrip); ++p) {
        QString value = TSettings::PortalDefault(TPortal(p));
        value.replace(QStringLiteral("127.0.0.1:%1").arg(DemoPortalPort),
                      QStringLiteral("127.0.0.1:%1").arg(port));
        text += TSettings::PortalKeyName(TPortal(p)) + QLatin1Char('=') + value +
                QStringLiteral("\r\n");
    }
    ini.write(text.toLatin1());
    ini.close();
    TSettings settings(path);
    settings.WriteBool(TKey::AskClose, false);
    settings.WriteBool(TKey::State, false);
    settings.WriteDate(TKey::LastRun, QDate::currentDate());
}

struct TMemory {
    qint64 Rss = 0; // kB
    qint64 Pss = 0; // kB
};

qint64 PssKb(qint64 pid) {
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : rollup.readAll().split('\n'))
        if (line.startsWith("Pss:"))
            return line.simplified().split(' ').value(1).toLongLong();
    return 0;
}

// Resident and proportional kilobytes of a process and all its descendants.
TMemory TreeMemory(qint64 root) {
    QProcess ps;
    ps.start(QStringLiteral("ps"), {QStringLiteral("-eo"), QStringLiteral("pid=,ppid=,rss=")});
    ps.waitForFinished();
    struct TRow {
        qint64 Pid, Parent, Rss;
    };
    std::vector<TRow> rows;
    for (const QByteArray &line : ps.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() == 3)
            rows.push_back({f[0].toLongLong(), f[1].toLongLong(), f[2].toLongLong()});
    }
    QList<qint64> tree{root};
    TMemory total;
    for (int i = 0; i < tree.size(); ++i)
        for (const TRow &r : rows) {
            if (r.Pid == tree[i]) {
                total.Rss += r.Rss;
                total.Pss += PssKb(r.Pid);
            }
            if (r.Parent == tree[i])
                tree.append(r.Pid);
        }
    return total;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

QStringList TabLines(HWND tabBar) {
    return Win::GetWindowText(tabBar).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

int main(int argc, char *argv[]) {
    // The program's own engine environment, for the main window of this process too.
    TProgram::PrepareEngineEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TProgram::EngineEnvironmentTaken();
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const int switches = argc > 2 ? std::max(2, atoi(argv[2])) : 200;

    QTemporaryDir dir;
    const QString runtime = dir.path() + QStringLiteral("/run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("LUDORA_RUNTIME_DIR", runtime.toLocal8Bit());
    if (!Win::Initialize())
        return 1;

    QProcess portal;
    portal.start(QStringLiteral("python3"),
                 {QStringLiteral(LUDORA_SOURCE_DIR "/tools/portal/portal.py"),
                  QStringLiteral("--port"), QStringLiteral("0")});
    if (!portal.waitForReadyRead(10000))
        return 1;
    const QRegularExpressionMatch port = QRegularExpression(QStringLiteral(":(\\d+)/"))
                                             .match(QString::fromLatin1(portal.readLine()));
    const int portalPort = port.captured(1).toInt();

    // A program folder of its own: the executable, the skin and the settings.
    const QString exe = dir.path() + QStringLiteral("/ludora");
    QFile::copy(BuildDir() + QStringLiteral("/ludora"), exe);
    QFile::setPermissions(exe, QFile::permissions(BuildDir() + QStringLiteral("/ludora")));
    QDir().mkpath(dir.path() + QStringLiteral("/skin"));
    QFile::copy(BuildDir() + QStringLiteral("/skin/default.skin"),
                dir.path() + QStringLiteral("/skin/default.skin"));
    WriteIni(dir.path() + QStringLiteral("/ludora.ini"), portalPort);

    std::vector<double> starts;
    TMemory mainMemory, tabMemory;
    for (int run = 0; run < runs; ++run) {
        QProcess main;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LUDORA_PRINT_HANDLES"), QStringLiteral("1"));
        main.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        main.start(exe, {});
        if (!main.waitForReadyRead(30000))
            return 1;
        const QStringList handles = QString::fromLatin1(main.readLine()).split(QLatin1Char(' '));
        const HWND mainWindow = handles.value(2).toULongLong();
        const HWND pageArea = handles.value(5).toULongLong();
        const HWND tabBar = handles.value(8).trimmed().toULongLong();
        while (clock.elapsed() < 60000) {
            const QStringList lines = TabLines(tabBar);
            if (lines.size() == 1 && lines[0] != QStringLiteral("*正在打开..."))
                break;
            QTest::qWait(5);
        }
        starts.push_back(clock.nsecsElapsed() / 1e6);
        if (run == runs - 1) {
            QTest::qWait(2000);
            mainMemory = TreeMemory(main.processId());
            QProcess tab;
            tab.start(
                exe, {QString::number(pageArea), QStringLiteral("休闲游戏\\经典小游戏\\贪吃蛇\\")});
            tab.waitForStarted();
            while (TabLines(tabBar).size() < 2 ||
                   TabLines(tabBar).value(1).startsWith(QStringLiteral("*正在打开")))
                QTest::qWait(20);
            QTest::qWait(2000);
            tabMemory = TreeMemory(tab.processId());
            Win::PostMessage(mainWindow, Win::WM_CLOSE);
            tab.waitForFinished(30000);
        } else {
            Win::PostMessage(mainWindow, Win::WM_CLOSE);
        }
        main.waitForFinished(30000);
    }
    std::printf("cold start to the start page's title: median %.0f ms over %d runs\n",
                Median(starts), runs);
    std::printf("resident memory with engine helpers: main process %lld MB, one tab process "
                "%lld MB\n",
                mainMemory.Rss / 1024, tabMemory.Rss / 1024);
    std::printf("proportional memory (PSS) with engine helpers: main process %lld MB, one game "
                "tab's process %lld MB\n",
                mainMemory.Pss / 1024, tabMemory.Pss / 1024);

    // Tab switches in this process between four loaded pages.
    OpenSettings(dir.path() + QStringLiteral("/ludora.ini"));
    LoadSkinFrom(BuildDir() + QStringLiteral("/skin/default.skin"), QStringLiteral("default"),
                 Skin());
    {
        TfrmMain frmMain;
        frmMain.show();
        if (!QTest::qWaitFor([&]() { return frmMain.Tabs().Count() == 1; }, 30000))
            return 1;
        const QString base = QStringLiteral("http://127.0.0.1:%1/").arg(portalPort);
        for (const char *page : {"games/snake/info.html", "games/2048/info.html", "home.html"})
            frmMain.OpenPage(base + QLatin1String(page));
        if (!QTest::qWaitFor([&]() { return frmMain.Tabs().Count() == 4; }, 30000))
            return 1;
        QTest::qWait(3000);
        std::vector<double> times, painted;
        for (int i = 0; i < switches; ++i) {
            QElapsedTimer clock;
            clock.start();
            frmMain.ShowTab(i % 4);
            times.push_back(clock.nsecsElapsed() / 1e6);
            QCoreApplication::processEvents();
            painted.push_back(clock.nsecsElapsed() / 1e6);
        }
        std::printf("tab switch (show, hide, URL into the address box): median %.2f ms, worst "
                    "%.2f ms over %d switches\n",
                    Median(times), *std::max_element(times.begin(), times.end()), switches);
        std::printf("tab switch until the events it caused are handled (page repaint included): "
                    "median %.2f ms\n",
                    Median(painted));
    }
    TWBEmbedded::DestroyAll();
    portal.kill();
    portal.waitForFinished();
    Win::Finalize();
    return 0;
}
