// Games at full speed: the demo portal's Phaser game ("星海漫游") in the hall against a bare web
// view of the same page (bench_play_view), on this machine, in this run.
//
// 1. Frames per second of a canvas and a WebGL scene at a light and a heavy load, in rounds
//    that alternate a page of the main process (the hall's start page), a game tab (a tab
//    process) and the bare view, so that the machine's other load falls on all three alike;
//    ratios of medians against the bare view. Whether game tabs have WebGL.
// 2. A game tab behind another tab, then every tab with the main window unmapped (minimised or
//    in the tray): ticks of the page's 100 ms timer against the ticks its clock asked for.
// 3. Memory (PSS from the kernel's rollup, engine helpers included): the main process, one game
//    tab's process tree and the bare view's on the heavy scene, and the cost of each added
//    game tab of a small page.
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/bench/bench_play [--runs N] [--seconds S]
//       [--hidden-minutes M] [--only fps|hidden|memory]
//
// Defaults: 2 rounds of 8 s per scene, 20 s hidden. PSS divides shared pages among every
// process that maps them: run it with no other program of the engine on the machine (the
// benchmark counts the others and says so).
#include "ProcessFigures.h"
#include "platform/WinMessages.h"
#include "protocol/Messages.h"
#include "store/TSettings.h"
#include "support/TTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

struct TOptions {
    int Runs = 2;
    int Seconds = 8;
    double HiddenMinutes = 20.0 / 60;
    QString Only;
};

double Median(QList<double> v) {
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v.at(v.size() / 2) : (v.at(v.size() / 2 - 1) + v.at(v.size() / 2)) / 2;
}

QString Figures(const QList<double> &v) {
    QStringList parts;
    for (double x : v)
        parts << QString::number(x, 'f', 1);
    return parts.join(QLatin1Char(' '));
}

bool WaitFor(const std::function<bool()> &done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QTest::qWait(200);
    }
    return true;
}

QString KindOf(qint64 pid, qint64 root, const QString &rootName) {
    if (pid == root)
        return rootName;
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    for (const QByteArray &arg : cmdline.readAll().split('\0'))
        if (arg.startsWith("--type="))
            return QString::fromLatin1(arg.mid(7));
    return QStringLiteral("other");
}

// PSS of a process tree in MB, and by kind of process.
double TreePss(qint64 root, QMap<QString, double> *byKind = nullptr,
               const QString &rootName = QStringLiteral("process")) {
    double kb = 0;
    for (qint64 pid : ProcessTree(root)) {
        const double pss = RollupKb(pid).value(QStringLiteral("Pss"));
        kb += pss;
        if (byKind)
            (*byKind)[KindOf(pid, root, rootName)] += pss / 1024;
    }
    return kb / 1024;
}

// Processes of the engine that are none of ours: they lower every PSS figure.
int ForeignEngineProcesses(const QList<qint64> &ours) {
    int count = 0;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok || ours.contains(pid))
            continue;
        QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
        if (maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore"))
            ++count;
    }
    return count;
}

class TBench {
public:
    TOptions Options;

    bool Start() {
        if (!FPortal.Start()) {
            std::fprintf(stderr, "the demo portal did not start\n");
            return false;
        }
        FExe = TestSupport::MakeProgramDir(FDir);
        FIni = TSettings::PathForExecutable(FExe);
        FPortal.WriteProgramSettings(FIni);
        FView = QStringLiteral(LUDORA_BUILD_DIR) + QStringLiteral("/bench/bench_play_view");
        if (FPortal.Get(QStringLiteral("vendor/phaser.min.js")).size() < 100000) {
            std::fprintf(stderr, "the portal serves no Phaser: run scripts/setup.sh (npm ci)\n");
            return false;
        }
        return true;
    }

    QString SceneUrl(const QString &mode, int sprites, const QString &tag) const {
        // "end" last: the start page gets "?pid=..." appended to its address.
        return FPortal.BaseUrl() +
               QStringLiteral("games/phaser/play?user=bench&mode=%1&sprites=%2&report=%3&end=1")
                   .arg(mode)
                   .arg(sprites)
                   .arg(tag);
    }

    QJsonArray Reports(const QString &tag) const {
        return QJsonDocument::fromJson(FPortal.Get(QStringLiteral("api/play?tag=") + tag)).array();
    }

    // The page's reports from its third second on, until `seconds` more of its own clock.
    QList<QJsonObject> Window(const QString &tag, int seconds) {
        const int from = 3000, to = from + seconds * 1000;
        QList<QJsonObject> got;
        WaitFor(
            [&]() {
                const QJsonArray all = Reports(tag);
                got.clear();
                for (const QJsonValue &v : all) {
                    const QJsonObject r = v.toObject();
                    const int ms = r.value(QStringLiteral("ms")).toString().toInt();
                    if (ms >= from && ms <= to + 500)
                        got << r;
                }
                return !all.isEmpty() &&
                       all.last().toObject().value(QStringLiteral("ms")).toString().toInt() >= to;
            },
            60000 + seconds * 3000);
        return got;
    }

    static double Fps(const QList<QJsonObject> &reports) {
        QList<double> v;
        for (const QJsonObject &r : reports)
            v << r.value(QStringLiteral("fps")).toString().toDouble();
        return Median(v);
    }

    // The main role, its start page the given address (the mini site when empty).
    bool StartMain(const QString &startPage = QString()) {
        {
            TIniFile ini(FIni);
            ini.WriteString(QStringLiteral("Portal"), TSettings::PortalKeyName(TPortal::MiniSite),
                            startPage.isEmpty() ? FPortal.BaseUrl() + QStringLiteral("mini/")
                                                : startPage);
        }
        TestSupport::TMainHandles h;
        QString error;
        if (!TestSupport::StartMainProcess(FMain, FExe, h, {}, &error)) {
            std::fprintf(stderr, "the main window did not start: %s\n", qPrintable(error));
            return false;
        }
        FMainWindow = h.MainWindow;
        FPageArea = h.PageArea;
        FTabBar = h.TabBar;
        return true;
    }

    void StopMain() {
        if (FMain.state() == QProcess::NotRunning)
            return;
        Win::PostMessage(FMainWindow, Win::WM_CLOSE);
        if (!FMain.waitForFinished(30000))
            FMain.kill();
        FMain.waitForFinished(5000);
        for (QProcess *tab : FTabs) {
            if (!tab->waitForFinished(10000))
                tab->kill();
            delete tab;
        }
        FTabs.clear();
    }

    int TabCount() const {
        return Win::GetWindowText(FTabBar).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size();
    }

    QProcess *OpenTab(const QString &url) {
        const int before = TabCount();
        auto *tab = new QProcess;
        tab->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tab->start(FExe, {QString::number(FPageArea), url});
        FTabs << tab;
        WaitFor([&]() { return TabCount() > before; }, 60000);
        return tab;
    }

    void Fps() {
        std::printf("== frames per second (rounds alternate start page, game tab, bare view; "
                    "%d s each after 3 s)\n",
                    Options.Seconds);
        std::printf("%-8s %6s  %-22s %-22s %-22s %7s %7s\n", "scene", "stars", "start page (main)",
                    "game tab", "bare view", "main/b", "tab/b");
        struct TScene {
            QString Mode;
            int Sprites;
        };
        const TScene scenes[] = {
            {"canvas", 300}, {"canvas", 2000}, {"webgl", 300}, {"webgl", 2000}};
        for (const TScene &s : scenes) {
            QList<double> main, tab, bare;
            QString webgl;
            for (int round = 0; round < Options.Runs; ++round) {
                const QString id = QStringLiteral("%1-%2-%3").arg(s.Mode).arg(s.Sprites).arg(round);
                if (StartMain(SceneUrl(s.Mode, s.Sprites, QStringLiteral("main-") + id))) {
                    main << Fps(Window(QStringLiteral("main-") + id, Options.Seconds));
                    OpenTab(SceneUrl(s.Mode, s.Sprites, QStringLiteral("tab-") + id));
                    const QList<QJsonObject> w =
                        Window(QStringLiteral("tab-") + id, Options.Seconds);
                    tab << Fps(w);
                    if (!w.isEmpty())
                        webgl = w.last().value(QStringLiteral("webgl")).toString() == "1"
                                    ? QStringLiteral("yes, ") +
                                          w.last().value(QStringLiteral("renderer")).toString()
                                    : QStringLiteral("no");
                    StopMain();
                }
                QProcess view;
                QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
                // WebGL on a blocked driver needs the block list ignored in the bare view too.
                if (s.Mode == QStringLiteral("webgl"))
                    env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
                               QStringLiteral("--ignore-gpu-blocklist"));
                view.setProcessEnvironment(env);
                view.start(FView, {SceneUrl(s.Mode, s.Sprites, QStringLiteral("bare-") + id)});
                bare << Fps(Window(QStringLiteral("bare-") + id, Options.Seconds));
                view.terminate();
                if (!view.waitForFinished(10000))
                    view.kill();
            }
            const double b = Median(bare);
            std::printf("%-8s %6d  %-22s %-22s %-22s %7.2f %7.2f\n", qPrintable(s.Mode), s.Sprites,
                        qPrintable(Figures(main)), qPrintable(Figures(tab)),
                        qPrintable(Figures(bare)), b > 0 ? Median(main) / b : 0,
                        b > 0 ? Median(tab) / b : 0);
            if (s.Mode == QStringLiteral("webgl"))
                FWebGL = webgl;
            std::fflush(stdout);
        }
        std::printf("WebGL in a game tab: %s\n", qPrintable(FWebGL.isEmpty() ? "?" : FWebGL));
    }

    // Ticks of a page's 100 ms timer between its first and last report in [from, to) of the
    // bench's clock, against what its own clock asked for.
    struct TTicks {
        qint64 Ticks = 0, Expected = 0;
        double AudioSeconds = -1, Seconds = 0;
        bool Hidden = false;
    };
    TTicks TicksOf(const QString &tag, int fromCount) const {
        const QJsonArray all = Reports(tag);
        TTicks t;
        if (all.size() < fromCount + 2)
            return t;
        const QJsonObject a = all.at(fromCount).toObject(), b = all.last().toObject();
        const auto num = [](const QJsonObject &r, const char *k) {
            return r.value(QLatin1String(k)).toString().toDouble();
        };
        t.Ticks = qint64(num(b, "ticks") - num(a, "ticks"));
        t.Seconds = (num(b, "ms") - num(a, "ms")) / 1000;
        t.Expected = qint64(t.Seconds * 10);
        t.Hidden = b.value(QStringLiteral("hidden")).toString() == "1";
        if (!a.value(QStringLiteral("audio")).toString().isEmpty())
            t.AudioSeconds = num(b, "audio") - num(a, "audio");
        return t;
    }

    static void PrintTicks(const char *what, const TTicks &t) {
        std::printf("%-44s %6lld of %6lld ticks (%5.1f %%) over %.0f s, document.hidden %s", what,
                    t.Ticks, t.Expected, t.Expected ? 100.0 * t.Ticks / t.Expected : 0, t.Seconds,
                    t.Hidden ? "true" : "false");
        if (t.AudioSeconds >= 0)
            std::printf(", sound clock %.0f s", t.AudioSeconds);
        std::printf("\n");
    }

    void Hidden() {
        const int ms = int(Options.HiddenMinutes * 60000);
        std::printf("== hidden game tabs (%.1f min each)\n", ms / 60000.0);
        if (!StartMain())
            return;
        const QString back = QStringLiteral("hidden-back"), front = QStringLiteral("hidden-front");
        OpenTab(SceneUrl(QStringLiteral("canvas"), 300, back) + QStringLiteral("&audio=1"));
        WaitFor([&]() { return Reports(back).size() >= 2; }, 60000);
        OpenTab(SceneUrl(QStringLiteral("canvas"), 300, front));
        WaitFor([&]() { return Reports(front).size() >= 2; }, 60000);
        int fromBack = Reports(back).size();
        QTest::qWait(ms);
        PrintTicks("game tab behind another tab", TicksOf(back, fromBack));

        // What a window manager does to a minimised window, and the tray to a hidden one.
        const quint64 native = Win::NativeWindowOf(FMainWindow);
        QProcess::execute(QStringLiteral("xdotool"), {"windowunmap", QString::number(native)});
        fromBack = Reports(back).size();
        const int fromFront = Reports(front).size();
        QTest::qWait(ms);
        PrintTicks("shown game tab, main window unmapped", TicksOf(front, fromFront));
        PrintTicks("hidden game tab, main window unmapped", TicksOf(back, fromBack));
        QProcess::execute(QStringLiteral("xdotool"), {"windowmap", QString::number(native)});
        StopMain();
    }

    void Memory() {
        std::printf("== memory (PSS, MB)\n");
        const auto settle = []() { QTest::qWait(8000); };
        // The main process with its start page, then one game tab of the heavy scene.
        if (!StartMain())
            return;
        settle();
        QMap<QString, double> mainKinds;
        const double main0 = TreePss(FMain.processId(), &mainKinds, QStringLiteral("main"));
        const QList<qint64> mainTree = ProcessTree(FMain.processId());
        std::printf("foreign processes of the engine on the machine: %d%s\n",
                    ForeignEngineProcesses(mainTree),
                    ForeignEngineProcesses(mainTree) ? " (figures below are too low)" : "");
        std::printf("%-52s %7.1f\n", "main process tree, start page", main0);
        for (auto it = mainKinds.begin(); it != mainKinds.end(); ++it)
            std::printf("  %-50s %7.1f\n", qPrintable(it.key()), it.value());

        QProcess *heavy = OpenTab(SceneUrl(QStringLiteral("canvas"), 2000, QStringLiteral("mem")));
        WaitFor([&]() { return Reports(QStringLiteral("mem")).size() >= 2; }, 60000);
        settle();
        QMap<QString, double> tabKinds;
        const double tabTree = TreePss(heavy->processId(), &tabKinds, QStringLiteral("tab"));
        const double mainWithTab = TreePss(FMain.processId());
        std::printf("%-52s %7.1f\n", "game tab process tree, canvas 2000 stars", tabTree);
        for (auto it = tabKinds.begin(); it != tabKinds.end(); ++it)
            std::printf("  %-50s %7.1f\n", qPrintable(it.key()), it.value());
        std::printf("%-52s %7.1f\n", "main process tree beside it", mainWithTab);
        StopMain();

        double bareTree = 0;
        {
            QProcess view;
            view.start(FView,
                       {SceneUrl(QStringLiteral("canvas"), 2000, QStringLiteral("mem-bare"))});
            WaitFor([&]() { return Reports(QStringLiteral("mem-bare")).size() >= 2; }, 60000);
            settle();
            bareTree = TreePss(view.processId());
            view.terminate();
            if (!view.waitForFinished(10000))
                view.kill();
        }
        std::printf("%-52s %7.1f\n", "bare view process tree, canvas 2000 stars", bareTree);
        std::printf("%-52s %7.2f\n", "game tab tree / bare view tree",
                    bareTree > 0 ? tabTree / bareTree : 0);

        // Added game tabs of a small page: the whole hall's PSS against the main window alone.
        std::printf("%-52s %7s %7s\n", "game tabs of a small page (snake login)", "hall",
                    "per tab");
        const QString small = FPortal.BaseUrl() + QStringLiteral("games/snake/");
        for (int count : {1, 3, 5}) {
            if (!StartMain())
                return;
            settle();
            const double alone = TreePss(FMain.processId());
            QList<QProcess *> tabs;
            for (int i = 0; i < count; ++i)
                tabs << OpenTab(small);
            WaitFor(
                [&]() { return !Win::GetWindowText(FTabBar).contains(QStringLiteral("正在打开")); },
                60000);
            settle();
            double hall = TreePss(FMain.processId());
            for (QProcess *tab : tabs)
                hall += TreePss(tab->processId());
            std::printf("  %-50d %7.1f %7.1f\n", count, hall, (hall - alone) / count);
            if (count == 5) {
                // Where one of them goes, by process and by kind of page.
                std::printf(
                    "  one of them, by process and kind (Pss_Anon / Pss_File / Pss_Shmem)\n");
                const qint64 root = tabs.last()->processId();
                for (qint64 pid : ProcessTree(root)) {
                    const QMap<QString, qint64> r = RollupKb(pid);
                    std::printf("    %-48s %7.1f %7.1f %7.1f\n",
                                qPrintable(KindOf(pid, root, QStringLiteral("tab"))),
                                r.value(QStringLiteral("Pss_Anon")) / 1024.0,
                                r.value(QStringLiteral("Pss_File")) / 1024.0,
                                r.value(QStringLiteral("Pss_Shmem")) / 1024.0);
                }
            }
            std::fflush(stdout);
            StopMain();
        }
    }

private:
    QTemporaryDir FDir;
    TestSupport::TPortalProcess FPortal;
    QString FExe, FIni, FView, FWebGL;
    QProcess FMain;
    HWND FMainWindow = 0, FPageArea = 0, FTabBar = 0;
    QList<QProcess *> FTabs;
};

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("LUDORA_SOURCE_DIR"))
        qputenv("LUDORA_SOURCE_DIR", LUDORA_SOURCE_DIR);
    if (qEnvironmentVariableIsEmpty("LUDORA_BUILD_DIR"))
        qputenv("LUDORA_BUILD_DIR", LUDORA_BUILD_DIR);
    QGuiApplication app(argc, argv);
    TBench bench;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QStringLiteral("--runs"))
            bench.Options.Runs = std::max(1, args.at(i + 1).toInt());
        else if (args.at(i) == QStringLiteral("--seconds"))
            bench.Options.Seconds = std::max(2, args.at(i + 1).toInt());
        else if (args.at(i) == QStringLiteral("--hidden-minutes"))
            bench.Options.HiddenMinutes = std::max(0.05, args.at(i + 1).toDouble());
        else if (args.at(i) == QStringLiteral("--only"))
            bench.Options.Only = args.at(i + 1);
    }
    QTemporaryDir runtime;
    TestSupport::UsePrivateRuntimeDir(runtime);
    if (!Win::Initialize() || !bench.Start())
        return 1;
    std::printf("bench_play: the demo portal's Phaser game, hall against a bare web view\n");
    std::fflush(stdout);
    if (bench.Options.Only.isEmpty() || bench.Options.Only == QStringLiteral("fps"))
        bench.Fps();
    if (bench.Options.Only.isEmpty() || bench.Options.Only == QStringLiteral("hidden"))
        bench.Hidden();
    if (bench.Options.Only.isEmpty() || bench.Options.Only == QStringLiteral("memory"))
        bench.Memory();
    Win::Finalize();
    return 0;
}
