// The main window's figures, against the demo portal under Xvfb:
//   cold start: starting the executable until the start page's title is in the tab bar;
//   memory: resident set and proportional set (PSS: shared pages counted by share) of the main
//           process and of one game tab's process, each with its engine helper processes;
//   tab switch: ShowTab between loaded tabs of a main window in this process.
// Usage: xvfb-run -a bench_mainwindow [runs] [switches]. Run by hand; not part of the tests.

#include "ProcessFigures.h"
#include "controls/TSkin.h"
#include "core/TProgram.h"
#include "core/TWBEmbedded.h"
#include "mainwindow/TfrmMain.h"
#include "platform/WinMessages.h"
#include "protocol/Messages.h"
#include "store/TSettings.h"
#include "support/TTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString BuildDir() {
    return QStringLiteral(LUDORA_BUILD_DIR);
}

struct TMemory {
    qint64 Rss = 0; // kB
    qint64 Pss = 0; // kB
};

// Resident and proportional kilobytes of a process and all its descendants.
TMemory TreeMemory(qint64 root) {
    TMemory total;
    for (qint64 pid : ProcessTree(root)) {
        const QMap<QString, qint64> sizes = RollupKb(pid);
        total.Rss += sizes.value(QStringLiteral("Rss"));
        total.Pss += sizes.value(QStringLiteral("Pss"));
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

    if (qEnvironmentVariableIsEmpty("LUDORA_SOURCE_DIR"))
        qputenv("LUDORA_SOURCE_DIR", LUDORA_SOURCE_DIR);
    if (qEnvironmentVariableIsEmpty("LUDORA_BUILD_DIR"))
        qputenv("LUDORA_BUILD_DIR", LUDORA_BUILD_DIR);
    QTemporaryDir dir;
    TestSupport::UsePrivateRuntimeDir(dir);
    if (!Win::Initialize())
        return 1;
    TestSupport::TPortalProcess portal;
    if (!portal.Start())
        return 1;
    // A program folder of its own: the executable, the skin and the settings.
    const QString exe = TestSupport::MakeProgramDir(dir);
    portal.WriteProgramSettings(dir.path() + QStringLiteral("/ludora.ini"));

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
        const QString base = portal.BaseUrl();
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
    Win::Finalize();
    return 0;
}
