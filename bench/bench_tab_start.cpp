// How long a tab process takes: from its start to its registration with the main window, to its
// page's title (the page is loaded and parsed), from WM_CLOSE of its last host to its end, and
// from the death of the main window's process to its own end.
//
//   xvfb-run -a build/bench/bench_tab_start [runs]
#include "THostTestKit.h"
#include "TMainDouble.h"
#include "support/TTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

struct TFigures {
    QList<qint64> Values;
    void Print(const char *what) {
        if (Values.isEmpty()) {
            std::printf("%-34s no samples\n", what);
            return;
        }
        std::sort(Values.begin(), Values.end());
        std::printf("%-34s min %5lld  median %5lld  max %5lld ms  (%lld runs)\n", what,
                    Values.first(), Values.at(Values.size() / 2), Values.last(),
                    qint64(Values.size()));
    }
};

bool WaitFor(const std::function<bool()> &done, int ms = 60000) {
    return QTest::qWaitFor(done, ms);
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

    TFigures registration, loaded, closed, orphaned;
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
            tab.start();
            if (!WaitFor([&]() { return !main.Registrations.isEmpty(); }))
                break;
            registration.Values.append(clock.elapsed());
            const HWND host = main.Registrations.first().Host;
            if (!WaitFor([&]() { return main.TitleOf.value(host) == title; }))
                break;
            loaded.Values.append(clock.elapsed());
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

    registration.Print("start -> registered");
    loaded.Print("start -> page title (loaded)");
    closed.Print("WM_CLOSE of last host -> exit");
    orphaned.Print("main process killed -> exit");
    Win::Finalize();
    return 0;
}
