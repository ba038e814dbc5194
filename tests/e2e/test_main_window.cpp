// The real executable in the main role against the demo portal: the start page becomes the first
// tab, a game started as a tab process registers, logs in with the stored account and shows its
// title with the account's name in the tab bar, F11 and Esc in pages toggle full screen, and
// closing the main window ends the tab process.

#include "support/TTestSupport.h"

#include "core/TProgram.h"
#include "platform/WinMessages.h"
#include "protocol/Messages.h"
#include "store/TSettings.h"
#include "store/TUserData.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QTest>

#include <csignal>

using TestSupport::ScreenRect;

class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    TestSupport::TPortalProcess FPortal;
    QString FExe;
    QProcess FMain;
    HWND FMainWindow = 0;
    HWND FPageArea = 0;
    HWND FTabBar = 0;

    // The tab bar's text: one caption a line, the shown tab marked "*".
    QStringList TabLines() const {
        return Win::GetWindowText(FTabBar).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static void Xdotool(const QStringList &arguments) {
        QProcess::execute(QStringLiteral("xdotool"), arguments);
    }

    // Starts the executable in the main role and reads the handles it prints.
    void StartMain() {
        TestSupport::TMainHandles h;
        QString line;
        QVERIFY2(TestSupport::StartMainProcess(FMain, FExe, h, {}, &line), qPrintable(line));
        FMainWindow = h.MainWindow;
        FPageArea = h.PageArea;
        FTabBar = h.TabBar;
    }

    static QStringList Unmarked(QStringList lines) {
        for (QString &line : lines)
            if (line.startsWith(QLatin1Char('*')))
                line.remove(0, 1);
        return lines;
    }

    // Types an address into the main window's address box through the X server and enters it.
    void TypeIntoAddressBox(const QString &url) {
        const HWND box = HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryAddressBox));
        QVERIFY(box != 0);
        const QRect boxRect = ScreenRect(Win::NativeWindowOf(box));
        QVERIFY(!boxRect.isEmpty());
        Xdotool({"mousemove", QString::number(boxRect.center().x()),
                 QString::number(boxRect.center().y()), "click", "1"});
        Xdotool({"key", "ctrl+a"});
        Xdotool({"type", "--delay", "10", url});
        Xdotool({"key", "Return"});
    }

    // A click into the page's corner gives it the keyboard focus, then the key goes to it.
    static void KeyInPage(HWND host, const char *key) {
        const QRect page = ScreenRect(Win::NativeWindowOf(host));
        Xdotool({"mousemove", QString::number(page.left() + 4), QString::number(page.top() + 4),
                 "click", "1"});
        Xdotool({"key", QString::fromLatin1(key)});
    }

private slots:
    void initTestCase() {
        TestSupport::UsePrivateRuntimeDir(FDir);
        QVERIFY(Win::Initialize());
        QVERIFY(FPortal.Start());
        FExe = TestSupport::MakeProgramDir(FDir);

        const QString iniPath = FDir.path() + QStringLiteral("/ludora.ini");
        FPortal.WriteProgramSettings(iniPath);
        // Nobody logs in: the anonymous user's stored account for the snake game.
        {
            TUserData anonymous;
            anonymous.AppendAccount(QStringLiteral("休闲游戏\\经典小游戏\\贪吃蛇\\"),
                                    QStringLiteral("abc"), QStringLiteral("主号"),
                                    QStringLiteral("蛇pass1"));
            anonymous.SetCurrentFile(TUserData::DefaultUserFile(FDir.path() + QLatin1Char('/')));
            anonymous.Save();
        }
        // The portal's catalogue, scrambled as the update leaves it beside the program.
        QFile games(FDir.path() + QStringLiteral("/games.xml"));
        QVERIFY(games.open(QIODevice::WriteOnly));
        games.write(FPortal.Get(QStringLiteral("games.xml")));
        games.close();
    }

    void cleanupTestCase() {
        if (FMain.state() != QProcess::NotRunning) {
            FMain.kill();
            FMain.waitForFinished();
        }
        Win::Finalize();
    }

    void startPageIsTheFirstTab() {
        StartMain();
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(Win::FindWindow(QString::fromLatin1(MainWindowClassName)), FMainWindow);
        QCOMPARE(Win::SendMessage(FMainWindow, WM_MAINPROBE), MainProbeAnswer);
        QCOMPARE(Win::GetRootWindow(FPageArea), FMainWindow);

        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 1, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(TabLines().value(0) != QStringLiteral("*正在打开..."), 20000);
        const HWND start =
            HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryCurrentTab));
        QVERIFY(start != 0);
        // The tab shows the page's address until its title arrives.
        QTRY_COMPARE_WITH_TIMEOUT(QStringLiteral("*") + Win::GetWindowText(start, 255),
                                  TabLines().value(0), 20000);
    }

    // Typed into the address box and clicked on the tab bar through the X server, as a player
    // would: a page opens in a new tab, a double click on a tab closes it.
    void addressBoxAndTabBar() {
        TypeIntoAddressBox(FPortal.BaseUrl() + QStringLiteral("home.html"));
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 2, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().value(1), QStringLiteral("*官方网站"), 20000);

        // A double click on the first tab, 168 pixels wide from x = 3, closes it.
        const QRect bar = ScreenRect(Win::NativeWindowOf(FTabBar));
        QVERIFY(!bar.isEmpty());
        Xdotool({"mousemove", QString::number(bar.left() + 3 + 84),
                 QString::number(bar.top() + bar.height() / 2), "click", "--repeat", "2", "--delay",
                 "80", "1"});
        QTRY_COMPARE_WITH_TIMEOUT(TabLines(), QStringList{QStringLiteral("*官方网站")}, 20000);
    }

    void gameTabFromTabProcess() {
        FPortal.Get(QStringLiteral("api/requests/clear"));
        FPortal.Get(QStringLiteral("api/logins/clear"));
        QProcess tab;
        tab.setProcessChannelMode(QProcess::ForwardedChannels);
        tab.start(FExe, {QString::number(FPageArea),
                         QStringLiteral("休闲游戏\\经典小游戏\\贪吃蛇\\"), QStringLiteral("abc")});
        QVERIFY(tab.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 2, 20000);
        QVERIFY(TabLines().value(1).startsWith(QStringLiteral("*[abc]")));
        QVERIFY(!TabLines().value(0).startsWith(QLatin1Char('*')));
        // The registration reply sent the game's address with the partner id.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&]() {
                const QJsonArray requests =
                    QJsonDocument::fromJson(FPortal.Get(QStringLiteral("api/requests"))).array();
                for (const QJsonValue &r : requests)
                    if (r.toObject().value(QStringLiteral("path")).toString() ==
                            QStringLiteral("/games/snake/") &&
                        r.toObject()
                            .value(QStringLiteral("query"))
                            .toString()
                            .contains(QStringLiteral("pid=")))
                        return true;
                return false;
            }(),
            20000);
        // The stored account was filled in and submitted by the tab process.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&]() {
                const QJsonArray logins =
                    QJsonDocument::fromJson(FPortal.Get(QStringLiteral("api/logins"))).array();
                for (const QJsonValue &l : logins)
                    if (l.toObject().value(QStringLiteral("user")).toString() ==
                            QStringLiteral("abc") &&
                        l.toObject().value(QStringLiteral("password")).toString() ==
                            QStringLiteral("蛇pass1"))
                        return true;
                return false;
            }(),
            30000);
        QTRY_VERIFY_WITH_TIMEOUT(TabLines().value(1) != QStringLiteral("*[abc]正在打开..."), 20000);
        const HWND game = HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryCurrentTab));
        QCOMPARE(QStringLiteral("*[abc]") + Win::GetWindowText(game, 255), TabLines().value(1));
        QVERIFY(Win::IsWindowVisible(game));
        QCOMPARE(Win::GetRootWindow(game), FMainWindow);

        // F11 and Esc with the keyboard focus inside a tab process's page toggle full screen (the
        // tool bar with the address box goes and comes back).
        const HWND box = HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryAddressBox));
        QVERIFY(Win::IsWindowVisible(box));
        KeyInPage(game, "F11");
        QTRY_VERIFY_WITH_TIMEOUT(!Win::IsWindowVisible(box), 10000);
        KeyInPage(game, "Escape");
        QTRY_VERIFY_WITH_TIMEOUT(Win::IsWindowVisible(box), 10000);
        // Full screen left the window maximised: a double click on the caption restores it, so
        // that its placement is stored at the end.
        const QRect frame = ScreenRect(Win::NativeWindowOf(FMainWindow));
        Xdotool({"mousemove", QString::number(frame.left() + 200),
                 QString::number(frame.top() + 10), "click", "--repeat", "2", "--delay", "80",
                 "1"});
        QTest::qWait(500);

        // Closing the main window ends the tab process as well.
        Win::PostMessage(FMainWindow, Win::WM_CLOSE);
        QVERIFY(FMain.waitForFinished(30000));
        QCOMPARE(FMain.exitCode(), 0);
        QVERIFY(tab.waitForFinished(30000));
        const TSettings after(FDir.path() + QStringLiteral("/ludora.ini"));
        QVERIFY(after.ReadInteger(TKey::Width, 0) >= 790);
    }

    // Two stopped tab processes cost only their own tabs: when another tab's title changes, the
    // main window keeps their last titles instead of waiting on them. Then, with a page of the
    // main process in front, closing the main window ends the program.
    void hungTabsAndClosingOverAPageOfItsOwn() {
        StartMain();
        if (QTest::currentTestFailed())
            return;
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 1, 20000);
        QProcess tabs[2];
        for (QProcess &tab : tabs) {
            tab.setProcessChannelMode(QProcess::ForwardedChannels);
            tab.start(FExe,
                      {QString::number(FPageArea), QStringLiteral("休闲游戏\\经典小游戏\\贪吃蛇\\"),
                       QStringLiteral("abc")});
            QVERIFY(tab.waitForStarted());
        }
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 3, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!TabLines().join('\n').contains(QStringLiteral("正在打开")),
                                 30000);
        const QStringList before = Unmarked(TabLines());
        for (QProcess &tab : tabs)
            ::kill(pid_t(tab.processId()), SIGSTOP);

        TypeIntoAddressBox(FPortal.BaseUrl() + QStringLiteral("home.html"));
        // How long the new tab takes to show its title: the main window re-reads titles then.
        // (Sends from here are served even while it waits, so their answers show no freeze.)
        Win::SetSendTimeout(60000);
        QStringList lines;
        QElapsedTimer total;
        total.start();
        while (total.elapsed() < 30000 && lines.value(3) != QStringLiteral("*官方网站")) {
            lines = TabLines();
            QTest::qWait(20);
        }
        Win::SetSendTimeout(3000);
        qInfo("title of a new tab shown %lld ms after Return, with two stopped tabs",
              total.elapsed());
        QCOMPARE(lines.value(3), QStringLiteral("*官方网站"));
        QCOMPARE(Unmarked(lines).mid(0, 3), before);

        for (QProcess &tab : tabs)
            ::kill(pid_t(tab.processId()), SIGCONT);
        Win::PostMessage(FMainWindow, Win::WM_CLOSE);
        QVERIFY(FMain.waitForFinished(30000));
        QCOMPARE(FMain.exitCode(), 0);
        for (QProcess &tab : tabs)
            QVERIFY(tab.waitForFinished(30000));
    }
};

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_main_window.moc"
