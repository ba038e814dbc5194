// The side panel: building the groups for a catalogue of 5,000 games in 200 folders, the first
// expansion of a folder of 500 games, and a double click on a demo game until the portal has the
// login submitted by the new tab process.
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/bench/bench_side [runs]
#include "ProcessFigures.h"
#include "controls/TSkin.h"
#include "platform/AnsiCodePage.h"
#include "platform/WinMessages.h"
#include "side/TCatalogue.h"
#include "side/TTreeView1.h"
#include "side/TfrmSide.h"
#include "store/ScrambleText.h"
#include "store/TUserData.h"
#include "support/TTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

using TestSupport::ScreenRect;

namespace {

struct TFigures {
    QList<double> Values;
    void Print(const char *what, const char *target) {
        if (Values.isEmpty()) {
            std::printf("%-40s no samples\n", what);
            return;
        }
        std::sort(Values.begin(), Values.end());
        std::printf("%-40s min %8.2f  median %8.2f  max %8.2f ms  (%lld runs, target %s)\n", what,
                    Values.first(), Values.at(Values.size() / 2), Values.last(),
                    qint64(Values.size()), target);
    }
};

// 4 sections of 50 folders: 199 folders of 23 games and one of 500 ("大目录"), 5,077 games.
QString BigCatalogue() {
    QString xml = QStringLiteral("<?xml version=\"1.0\"?>\n<games version=\"1\">\n");
    int folder = 0;
    for (int s = 0; s < 4; ++s) {
        xml += QStringLiteral("<section caption=\"分类%1\">\n").arg(s);
        for (int f = 0; f < 50; ++f, ++folder) {
            const bool big = folder == 0;
            xml += QStringLiteral("<folder caption=\"%1\"%2>\n")
                       .arg(big ? QStringLiteral("大目录") : QStringLiteral("目录%1").arg(folder),
                            folder % 7 == 0 ? QStringLiteral(" new=\"1\"") : QString());
            const int games = big ? 500 : 23;
            for (int g = 0; g < games; ++g)
                xml += QStringLiteral("<game caption=\"游戏%1-%2\" url=\"http://127.0.0.1/g%1/%2/\""
                                      "%3/>\n")
                           .arg(folder)
                           .arg(g)
                           .arg(g % 11 == 0 ? QStringLiteral(" hot=\"1\"") : QString());
            xml += QStringLiteral("</folder>\n");
        }
        xml += QStringLiteral("</section>\n");
    }
    return xml + QStringLiteral("</games>\n");
}

void InProcess(int runs) {
    const QString gamesPath = QCoreApplication::applicationDirPath() + QStringLiteral("/games.xml");
    QFile games(gamesPath);
    if (!games.open(QIODevice::WriteOnly))
        return;
    games.write(ScrambleText(AnsiFromUnicode(BigCatalogue())));
    games.close();
    QTemporaryDir dir;
    UserData().SetCurrentFile(dir.path() + QStringLiteral("/defaultuser.dat"));
    UserData().EnsureStructure();

    TFigures parse, build, expand;
    for (int run = 0; run < runs; ++run) {
        TCatalogue fresh;
        QElapsedTimer t;
        t.start();
        fresh.LoadCatalogue(gamesPath);
        parse.Values << t.nsecsElapsed() / 1e6;
    }
    parse.Print("read and parse games.xml (5,077 games)", "-");
    // The program has read the catalogue at start-up, as the main role does.
    Catalogue().LoadCatalogue(gamesPath);
    QWidget host;
    host.resize(400, 800);
    auto *side = new TfrmSide(&host, TfrmSide::THost());
    side->setGeometry(0, 0, side->width(), 800);
    host.show();
    (void)QTest::qWaitForWindowExposed(&host);
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        side->RebuildGroups();
        side->repaint();
        build.Values << t.nsecsElapsed() / 1e6;

        TTreeView1 *tree = side->GroupTree(2);
        QTreeWidgetItem *big = tree->topLevelItem(0);
        t.restart();
        big->setExpanded(true);
        tree->viewport()->repaint();
        expand.Values << t.nsecsElapsed() / 1e6;
        QCoreApplication::processEvents();
    }
    build.Print("build groups, 5,077 games in 200 folders", "< 20 ms");
    expand.Print("first expansion of a 500-game folder", "< 30 ms");
    delete side;
    QFile::remove(gamesPath);
}

void DoubleClickToLogin(int runs) {
    QTemporaryDir dir;
    TestSupport::UsePrivateRuntimeDir(dir);
    if (!Win::Initialize())
        return;
    TestSupport::TPortalProcess portal;
    if (!portal.Start())
        return;
    const QString exe = TestSupport::MakeProgramDir(dir);
    const QString iniPath = dir.path() + QStringLiteral("/ludora.ini");
    portal.WriteProgramSettings(iniPath);
    {
        TUserData anonymous;
        anonymous.AppendAccount(QStringLiteral("休闲游戏\\经典小游戏\\贪吃蛇\\"),
                                QStringLiteral("abc"), QString(), QStringLiteral("pw"));
        anonymous.SetCurrentFile(TUserData::DefaultUserFile(dir.path() + QLatin1Char('/')));
        anonymous.Save();
        QFile games(dir.path() + QStringLiteral("/games.xml"));
        games.open(QIODevice::WriteOnly);
        games.write(portal.Get(QStringLiteral("games.xml")));
    }
    QProcess main;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LUDORA_PRINT_HANDLES"), QStringLiteral("1"));
    // The tab processes inherit it and the main process's standard error.
    env.insert(QStringLiteral("LUDORA_TRACE_START"), QStringLiteral("1"));
    main.setProcessEnvironment(env);
    main.start(exe, {});
    main.waitForStarted();
    (void)QTest::qWaitFor([&] { return main.canReadLine(); }, 30000);
    const HWND window = main.readLine().split(' ').value(2).toULongLong();
    HWND side = 0;
    (void)QTest::qWaitFor([&] { return (side = Win::FindWindow(TfrmSide::WindowClass)) != 0; },
                          30000);
    auto rowPoint = [&](const QString &text) {
        QPoint panel, row;
        for (const QString &line : Win::GetWindowText(side, -1).split('\n')) {
            const QStringList f = line.split(' ');
            if (f.value(0) == QStringLiteral("panel"))
                panel = QPoint(f.value(1).toInt(), f.value(2).toInt());
            if (f.value(0) == QStringLiteral("row") && line.section(' ', 5) == text)
                row = QPoint(f.value(1).toInt() + 40, f.value(2).toInt() + 11);
        }
        return row.isNull() ? row : ScreenRect(Win::NativeWindowOf(window)).topLeft() + panel + row;
    };
    auto xdotool = [](const QStringList &a) { QProcess::execute(QStringLiteral("xdotool"), a); };
    (void)QTest::qWaitFor([&] { return !rowPoint(QStringLiteral("经典小游戏")).isNull(); }, 30000);
    QTest::qWait(2000);
    const QPoint folder = rowPoint(QStringLiteral("经典小游戏"));
    xdotool({"mousemove", QString::number(folder.x()), QString::number(folder.y()), "click", "1"});
    (void)QTest::qWaitFor([&] { return !rowPoint(QStringLiteral("贪吃蛇")).isNull(); }, 10000);
    const QPoint game = rowPoint(QStringLiteral("贪吃蛇"));
    xdotool({"mousemove", QString::number(game.x()), QString::number(game.y())});
    TFigures figures;
    QMap<QString, TFigures> marks;
    for (int run = 0; run < runs; ++run) {
        portal.Get(QStringLiteral("api/logins/clear"));
        QTest::qWait(500);
        main.readAllStandardError();
        QElapsedTimer t;
        t.start();
        xdotool({"click", "--repeat", "2", "--delay", "40", "1"});
        QJsonArray logins;
        if (QTest::qWaitFor(
                [&] {
                    logins =
                        QJsonDocument::fromJson(portal.Get(QStringLiteral("api/logins"))).array();
                    return !logins.isEmpty();
                },
                30000))
            // The portal's own stamp of the request: polling adds nothing to the figure.
            figures.Values << double(logins.first().toObject().value("received").toInteger() -
                                     t.msecsSinceReference());
        QTest::qWait(1500);
        // The new tab process's marks.
        const QMap<QString, qint64> m =
            StartMarks(main.readAllStandardError(), t.msecsSinceReference());
        for (auto it = m.begin(); it != m.end(); ++it)
            marks[QStringLiteral("  ") + it.key()].Values << double(it.value());
    }
    std::printf("where the time goes (ms from the first click, the tab process's marks):\n");
    for (auto it = marks.begin(); it != marks.end(); ++it)
        it.value().Print(qPrintable(it.key()), "-");
    figures.Print("double click to login submitted", "< 600 ms");
    Win::PostMessage(window, Win::WM_CLOSE);
    main.waitForFinished(30000);
    Win::Finalize();
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("LUDORA_SOURCE_DIR"))
        qputenv("LUDORA_SOURCE_DIR", LUDORA_SOURCE_DIR);
    if (qEnvironmentVariableIsEmpty("LUDORA_BUILD_DIR"))
        qputenv("LUDORA_BUILD_DIR", LUDORA_BUILD_DIR);
    QApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 5;
    LoadSkinFrom(QStringLiteral(LUDORA_BUILD_DIR) + QStringLiteral("/skin/default.skin"),
                 QStringLiteral("default"), Skin());
    InProcess(runs);
    DoubleClickToLogin(runs);
    return 0;
}
