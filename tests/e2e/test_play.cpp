// Games play in the hall as they would in a browser: a game tab (a tab process) gets WebGL on
// whatever OpenGL this machine has, and its timers keep running while another tab is shown and
// while the main window is unmapped (minimised or in the tray). The demo portal's Phaser game
// reports what its page sees (api/play).

#include "support/TTestSupport.h"

#include "platform/WinMessages.h"
#include "protocol/Messages.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

class TestPlay : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    TestSupport::TPortalProcess FPortal;
    QString FExe;
    QProcess FMain;
    HWND FMainWindow = 0;
    HWND FPageArea = 0;
    HWND FTabBar = 0;
    QList<QProcess *> FTabs;

    int TabCount() const {
        return Win::GetWindowText(FTabBar).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size();
    }

    QString GameUrl(const QString &mode, const QString &tag) const {
        return FPortal.BaseUrl() +
               QStringLiteral("games/phaser/play?user=t&mode=%1&sprites=50&report=%2")
                   .arg(mode, tag);
    }

    QList<QJsonObject> Reports(const QString &tag) const {
        QList<QJsonObject> list;
        const QJsonArray all =
            QJsonDocument::fromJson(FPortal.Get(QStringLiteral("api/play?tag=") + tag)).array();
        for (const QJsonValue &v : all)
            list << v.toObject();
        return list;
    }

    static double Field(const QJsonObject &r, const char *key) {
        return r.value(QLatin1String(key)).toString().toDouble();
    }

    // A tab process showing url; it becomes the shown tab.
    void OpenTab(const QString &url) {
        const int before = TabCount();
        auto *tab = new QProcess(this);
        tab->setProcessChannelMode(QProcess::ForwardedChannels);
        tab->start(FExe, {QString::number(FPageArea), url});
        FTabs << tab;
        QVERIFY(tab->waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(TabCount(), before + 1, 30000);
    }

    // The ticks of the page's 100 ms timer over at least five seconds of its own clock, from
    // the `after`th report on; with hidden given, the page says so all along ("1" or "0").
    void CountTicks(const QString &tag, int after, const char *hidden, double &ticks,
                    double &expected) {
        QList<QJsonObject> r;
        // Reports come once a second when the timer runs, once a minute at the worst.
        QTRY_VERIFY_WITH_TIMEOUT((r = Reports(tag)).size() > after + 1 &&
                                     Field(r.last(), "ms") - Field(r.at(after), "ms") >= 5000,
                                 90000);
        const QJsonObject &a = r.at(after), &b = r.last();
        for (int i = after; hidden && i < r.size(); ++i)
            QCOMPARE(r.at(i).value(QStringLiteral("hidden")).toString(),
                     QString::fromLatin1(hidden));
        ticks = Field(b, "ticks") - Field(a, "ticks");
        expected = (Field(b, "ms") - Field(a, "ms")) / 100;
    }

private slots:
    void initTestCase() {
        TestSupport::UsePrivateRuntimeDir(FDir);
        QVERIFY(Win::Initialize());
        QVERIFY(FPortal.Start());
        QVERIFY2(FPortal.Get(QStringLiteral("vendor/phaser.min.js")).size() > 100000,
                 "the portal serves no Phaser: run scripts/setup.sh");
        FExe = TestSupport::MakeProgramDir(FDir);
        FPortal.WriteProgramSettings(FDir.path() + QStringLiteral("/ludora.ini"));
        TestSupport::TMainHandles h;
        QString line;
        QVERIFY2(TestSupport::StartMainProcess(FMain, FExe, h, {}, &line), qPrintable(line));
        FMainWindow = h.MainWindow;
        FPageArea = h.PageArea;
        FTabBar = h.TabBar;
        QTRY_COMPARE_WITH_TIMEOUT(TabCount(), 1, 20000);
    }

    void cleanupTestCase() {
        if (FMain.state() != QProcess::NotRunning) {
            Win::PostMessage(FMainWindow, Win::WM_CLOSE);
            if (!FMain.waitForFinished(30000))
                FMain.kill();
        }
        for (QProcess *tab : FTabs)
            if (!tab->waitForFinished(30000))
                tab->kill();
        Win::Finalize();
    }

    // Mesa's software rasteriser is all the OpenGL these machines have, and the engine's block
    // list refuses WebGL on it.
    void gameTabHasWebGL() {
        OpenTab(GameUrl(QStringLiteral("webgl"), QStringLiteral("webgl")));
        QList<QJsonObject> r;
        QTRY_VERIFY_WITH_TIMEOUT(!(r = Reports(QStringLiteral("webgl"))).isEmpty() &&
                                     r.last().value(QStringLiteral("renderer")).toString() !=
                                         QStringLiteral("none"),
                                 60000);
        QCOMPARE(r.last().value(QStringLiteral("error")).toString(), QString());
        QCOMPARE(r.last().value(QStringLiteral("webgl")).toString(), QStringLiteral("1"));
        QCOMPARE(r.last().value(QStringLiteral("renderer")).toString(), QStringLiteral("webgl"));
    }

    // A game behind another tab, then every game while the main window is unmapped (what a
    // window manager does to a minimised window, and the tray to a hidden one), keeps its 100 ms
    // timer far above the engine's once a second for background pages.
    void hiddenGamesKeepTheirTimers() {
        const QString back = QStringLiteral("back"), front = QStringLiteral("front");
        OpenTab(GameUrl(QStringLiteral("canvas"), back));
        QTRY_VERIFY_WITH_TIMEOUT(Reports(back).size() >= 2, 60000);
        OpenTab(GameUrl(QStringLiteral("canvas"), front));
        QTRY_VERIFY_WITH_TIMEOUT(Reports(front).size() >= 2, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(
            Reports(back).last().value(QStringLiteral("hidden")).toString() == "1", 20000);
        double ticks = 0, expected = 0;
        CountTicks(back, Reports(back).size() - 1, "1", ticks, expected);
        QVERIFY2(ticks >= 0.6 * expected,
                 qPrintable(QStringLiteral("%1 of %2").arg(ticks).arg(expected)));

        const QString native = QString::number(Win::NativeWindowOf(FMainWindow));
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("windowunmap"), native});
        CountTicks(front, Reports(front).size(), nullptr, ticks, expected);
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("windowmap"), native});
        QVERIFY2(ticks >= 0.6 * expected,
                 qPrintable(QStringLiteral("%1 of %2").arg(ticks).arg(expected)));
    }

    // On a display that cannot make any OpenGL context the program still starts and loads its
    // start page, drawn in software.
    void startsWithoutOpenGL() {
        Win::PostMessage(FMainWindow, Win::WM_CLOSE);
        QVERIFY(FMain.waitForFinished(30000));
        QProcess xvfb;
        xvfb.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-extension"),
                    QStringLiteral("GLX"), QStringLiteral("-screen"), QStringLiteral("0"),
                    QStringLiteral("1280x900x24")});
        QTRY_VERIFY_WITH_TIMEOUT(xvfb.canReadLine(), 20000);
        const QString display = QString::fromLatin1(xvfb.readLine()).trimmed();
        QVERIFY(!display.isEmpty());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + display);
        env.remove(QStringLiteral("LUDORA_OPENGL"));
        TestSupport::TMainHandles h;
        QString line;
        QVERIFY2(TestSupport::StartMainProcess(FMain, FExe, h, env, &line), qPrintable(line));
        FMainWindow = h.MainWindow;
        FTabBar = h.TabBar;
        QTRY_COMPARE_WITH_TIMEOUT(Win::GetWindowText(FTabBar), QStringLiteral("*游戏大厅迷你站"),
                                  30000);
        Win::PostMessage(FMainWindow, Win::WM_CLOSE);
        QVERIFY(FMain.waitForFinished(30000));
        xvfb.terminate();
        xvfb.waitForFinished(5000);
    }
};

int main(int argc, char *argv[]) {
    QGuiApplication app(argc, argv);
    TestPlay test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_play.moc"
