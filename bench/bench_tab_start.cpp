// How long a tab process takes: from its start to its registration with the main window, to its
// page's title (the page is loaded and parsed), from WM_CLOSE of its last host to its end, and
// from the death of the main window's process to its own end; where its start-up time goes (the
// process's own marks, LUDORA_TRACE_START); and the proportional memory (PSS) of its process
// tree, engine helpers included, with the page loaded.
//
//   xvfb-run -a build/bench/bench_tab_start [runs]
#include "ProcessFigures.h"
#include "THostTestKit.h"
#include "TMainDouble.h"
#include "support/TTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

struct TFigures {
    QList<qint64> Values;
    void Print(const char *what, const char *unit = "ms") {
        if (Values.isEmpty()) {
            std::printf("%-34s no samples\n", what);
            return;
        }
        std::sort(Values.begin(), Values.end());
        std::printf("%-34s min %5lld  median %5lld  max %5lld %s  (%lld runs)\n", what,
                    Values.first(), Values.at(Values.size() / 2), Values.last(), unit,
                    qint64(Values.size()));
    }
};

// Serves events while waiting. Not QTest::qWaitFor: it sleeps 10 ms between turns, and each of
// the tab's sends to the main window double would wait for that sleep.
bool WaitFor(const std::function<bool()> &done, int ms = 60000) {
    QElapsedTimer clock;
    clock.start();
    QTimer tick; // wakes the loop for conditions that arrive without an event
    tick.start(5);
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// What a process of the tree is: the tab process itself, or an engine helper by its --type.
QString Kind(qint64 pid, qint64 root) {
    if (pid == root)
        return QStringLiteral("tab process");
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    for (const QByteArray &arg : cmdline.readAll().split('\0'))
        if (arg.startsWith("--type="))
            return QString::fromLatin1(arg.mid(7));
    return QStringLiteral("other");
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("LUDORA_SOURCE_DIR"))
        qputenv("LUDORA_SOURCE_DIR", LUDORA_SOURCE_DIR);
    if (qEnvironmentVariableIsEmpty("LUDORA_BUILD_DIR"))
        qputenv("LUDORA_BUILD_DIR", LUDORA_BUILD_DIR);
    THostTestKit::PrepareEngine();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 5;

    QTemporaryDir dir;
    TestSupport::UsePrivateRuntimeDir(dir);
    if (!Win::Initialize())
        return 1;
    TestSupport::TPortalProcess portal;
    if (!portal.Start()) {
        std::fprintf(stderr, "the demo portal did not start\n");
        return 1;
    }
    const QString exe = TestSupport::MakeProgramDir(dir);
    const QString url = portal.BaseUrl() + QStringLiteral("games/snake/");
    const QString title = QStringLiteral("贪吃蛇 - 登录");

    TFigures registration, loaded, closed, orphaned, pss, processes;
    QMap<QString, TFigures> marks, pssOfKind;
    qputenv("LUDORA_TRACE_START", "1");
    {
        TMainDouble main;
        for (int i = 0; i < runs; ++i) {
            main.Registrations.clear();
            main.TitleOf.clear();
            QProcess tab;
            tab.setProgram(exe);
            tab.setArguments({QString::number(main.PageArea()), url});
            QElapsedTimer clock;
            clock.start();
            const qint64 origin = clock.msecsSinceReference();
            tab.start();
            if (!WaitFor([&]() { return !main.Registrations.isEmpty(); }))
                break;
            registration.Values.append(clock.elapsed());
            const HWND host = main.Registrations.first().Host;
            if (!WaitFor([&]() { return main.TitleOf.value(host) == title; }))
                break;
            loaded.Values.append(clock.elapsed());
            QTest::qWait(1500); // the page settles: its helpers have their memory
            const QList<qint64> tree = ProcessTree(tab.processId());
            qint64 kb = 0;
            QMap<QString, qint64> kindKb;
            for (qint64 pid : tree) {
                const QMap<QString, qint64> sizes = RollupKb(pid);
                kb += sizes.value(QStringLiteral("Pss"));
                kindKb[Kind(pid, tab.processId())] += sizes.value(QStringLiteral("Pss"));
                for (const char *part : {"Pss_Anon", "Pss_File", "Pss_Shmem"})
                    kindKb[QStringLiteral("whole tree, ") + part] += sizes.value(part);
            }
            for (auto it = kindKb.begin(); it != kindKb.end(); ++it)
                pssOfKind[it.key()].Values.append(it.value() / 1024);
            pss.Values.append(kb / 1024);
            processes.Values.append(tree.size());
            const QMap<QString, qint64> m = StartMarks(tab.readAllStandardError(), origin);
            for (auto it = m.begin(); it != m.end(); ++it)
                marks[it.key()].Values.append(it.value());
            clock.restart();
            Win::PostMessage(host, Win::WM_CLOSE, 0, 0);
            if (!WaitFor([&]() { return tab.state() == QProcess::NotRunning; }))
                break;
            closed.Values.append(clock.elapsed());
        }
    }

    // The main window's process dies: its tab process notices and ends.
    const QString doubleExe = QStringLiteral(LUDORA_BUILD_DIR) + "/tests/host_main_double";
    for (int i = 0; i < runs; ++i) {
        QProcess main;
        main.start(doubleExe, {});
        QByteArray out;
        const auto read = [&](const char *what) {
            return WaitFor([&]() {
                main.waitForReadyRead(50);
                out += main.readAllStandardOutput();
                return out.contains(what);
            });
        };
        if (!read("\n"))
            break;
        QProcess tab;
        tab.setProgram(exe);
        tab.setArguments({QString::fromLatin1(out.mid(10).trimmed().split('\n').first()), url});
        tab.start();
        if (!read("registered "))
            break;
        QTest::qWait(1000); // let the page settle
        QElapsedTimer clock;
        clock.start();
        main.kill();
        if (!WaitFor([&]() { return tab.state() == QProcess::NotRunning; }))
            break;
        orphaned.Values.append(clock.elapsed());
        main.waitForFinished(5000);
    }

    std::printf("where the start goes (ms from the process's start):\n");
    for (auto it = marks.begin(); it != marks.end(); ++it)
        it.value().Print(qPrintable(QStringLiteral("  ") + it.key()));
    registration.Print("start -> registered");
    loaded.Print("start -> page title (loaded)");
    // Nothing else here maps the engine's libraries, so the tab bears all of their pages; beside
    // a running main window (bench_mainwindow) it shares them.
    pss.Print("tab process tree PSS, alone", "MB");
    for (auto it = pssOfKind.begin(); it != pssOfKind.end(); ++it)
        it.value().Print(qPrintable(QStringLiteral("  ") + it.key()), "MB");
    processes.Print("processes in the tree", "");
    closed.Print("WM_CLOSE of last host -> exit");
    orphaned.Print("main process killed -> exit");
    Win::Finalize();
    return 0;
}
