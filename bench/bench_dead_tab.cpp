// How soon the main window notices a game tab whose process has died: from the kill of the tab
// process to the dead-tab notice being visible in the page area, with the real executable.
//
//   xvfb-run -a build/bench/bench_dead_tab [runs]

#include "platform/WinMessages.h"
#include "protocol/Messages.h"
#include "store/TSettings.h"
#include "support/TTestSupport.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("LUDORA_SOURCE_DIR"))
        qputenv("LUDORA_SOURCE_DIR", LUDORA_SOURCE_DIR);
    if (qEnvironmentVariableIsEmpty("LUDORA_BUILD_DIR"))
        qputenv("LUDORA_BUILD_DIR", LUDORA_BUILD_DIR);
    if (qEnvironmentVariableIsEmpty("LUDORA_EXE"))
        qputenv("LUDORA_EXE", LUDORA_EXE);
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    QTemporaryDir dir;
    TestSupport::UsePrivateRuntimeDir(dir);
    TestSupport::TPortalProcess portal;
    if (!Win::Initialize() || !portal.Start())
        return 1;
    const QString exe = TestSupport::MakeProgramDir(dir);
    const QString ini = dir.path() + "/ludora.ini";
    portal.WritePortalSettings(ini);
    {
        TSettings settings(ini);
        settings.WriteBool(TKey::AskClose, false);
        settings.WriteDate(TKey::LastRun, QDate::currentDate());
    }
    QFile games(dir.path() + "/games.xml");
    games.open(QIODevice::WriteOnly);
    games.write(portal.Get("games.xml"));
    games.close();

    QProcess main;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LUDORA_PRINT_HANDLES", "1");
    main.setProcessEnvironment(env);
    main.start(exe, {});
    if (!QTest::qWaitFor([&]() { return main.canReadLine(); }, 30000))
        return 1;
    const QRegularExpressionMatch m = QRegularExpression("^main window (\\d+) page area (\\d+)")
                                          .match(QString::fromLocal8Bit(main.readLine()));
    const HWND mainWindow = m.captured(1).toULongLong();
    const QString pageArea = m.captured(2);

    QList<qint64> figures;
    for (int r = 0; r < runs; ++r) {
        QProcess tab;
        tab.start(exe, {pageArea, "休闲游戏\\经典小游戏\\贪吃蛇\\"});
        HWND host = 0;
        const bool shown = QTest::qWaitFor(
            [&]() {
                host = HWND(Win::SendMessage(mainWindow, WM_HOSTQUERY, 0, HostQueryCurrentTab));
                return host != 0 && Win::GetWindowText(host, 255).contains("贪吃蛇");
            },
            30000);
        if (!shown) {
            std::fprintf(stderr, "the game tab never showed its title\n");
            return 1;
        }
        const HWND notice = Win::FindWindow("TDeadTabNotice");
        QTest::qWait(500);
        QElapsedTimer t;
        t.start();
        tab.kill();
        while (!Win::IsWindowVisible(notice) && t.elapsed() < 10000)
            QTest::qWait(2);
        figures.append(t.elapsed());
        tab.waitForFinished();
        std::printf("run %d: kill to notice %lld ms\n", r + 1,
                    static_cast<long long>(figures.last()));
    }
    std::sort(figures.begin(), figures.end());
    std::printf("kill to notice: min %lld median %lld max %lld ms (%d runs)\n", figures.first(),
                figures.at(figures.size() / 2), figures.last(), int(figures.size()));
    Win::PostMessage(mainWindow, Win::WM_CLOSE);
    main.waitForFinished(30000);
    Win::Finalize();
    return 0;
}
