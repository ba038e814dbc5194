// Mute, per-game zoom and the boss key through the real executable under the X server: a tab
// process's page and a page of the main process that play sound show the speaker mark and are
// muted by a click on it and from the tab menu (the state read back from the engine); a game
// comes back at the zoom it was left at; the boss key, pressed while another program has the
// keyboard, takes every window of the hall away and brings them back in place.

#include "support/TTestSupport.h"

#include "platform/WinMessages.h"
#include "protocol/Messages.h"
#include "store/TSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QTest>

using TestSupport::ScreenRect;

namespace {

const QString Mines = QStringLiteral("休闲游戏\\扫雷\\");
const char BossKey[] = "ctrl+alt+shift+h";

void Xdotool(const QStringList &arguments) {
    QProcess::execute(QStringLiteral("xdotool"), arguments);
}

QString XdotoolOutput(const QStringList &arguments) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// The engine's sound state of a host's page (THostAudio bits).
LPARAM Audio(HWND host) {
    return Win::SendMessage(host, WM_HOSTCOMMAND, HostMuteQuery, HostCommandMute);
}

int Zoom(HWND host) {
    return int(Win::SendMessage(host, WM_HOSTCOMMAND, 0, HostCommandZoom));
}

} // namespace

class TestPlayerTools : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    TestSupport::TPortalProcess FPortal;
    QString FExe;
    QString FIni;
    QProcess FMain;
    HWND FMainWindow = 0;
    HWND FPageArea = 0;
    HWND FTabBar = 0;

    QStringList TabLines() const {
        return Win::GetWindowText(FTabBar).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    HWND CurrentTab() const {
        return HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryCurrentTab));
    }

    void StartMain() {
        TestSupport::TMainHandles h;
        QString line;
        QVERIFY2(TestSupport::StartMainProcess(FMain, FExe, h, {}, &line), qPrintable(line));
        FMainWindow = h.MainWindow;
        FPageArea = h.PageArea;
        FTabBar = h.TabBar;
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 1, 20000);
    }

    void CloseMain() {
        Win::PostMessage(FMainWindow, Win::WM_CLOSE);
        QVERIFY(FMain.waitForFinished(30000));
    }

    // A tab process for a catalogue location or a plain address; it becomes the shown tab.
    void StartTab(QProcess &tab, const QString &location, int tabsAfter, HWND &host) {
        host = 0;
        tab.setProcessChannelMode(QProcess::ForwardedChannels);
        tab.start(FExe, {QString::number(FPageArea), location});
        QVERIFY(tab.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), tabsAfter, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!TabLines().join('\n').contains(QStringLiteral("正在打开")),
                                 20000);
        host = CurrentTab();
    }

    // Screen point in tab number index: dx from the tab's left edge (tabs are 168 px from x 3).
    QPoint InTab(int index, int dx) const {
        const QRect bar = ScreenRect(Win::NativeWindowOf(FTabBar));
        return QPoint(bar.left() + 3 + 168 * index + dx, bar.top() + bar.height() / 2);
    }

    // The speaker mark sits where a caption starts, 6 px into the tab.
    void ClickMark(int index) {
        const QPoint p = InTab(index, 6 + 7);
        Xdotool({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "1"});
    }

    // The tab menu's last entry: "静音" or "取消静音".
    void MuteFromMenu(int index) {
        const QPoint p = InTab(index, 84);
        const int windows = VisibleCount();
        Xdotool({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "3"});
        // The menu's window is up, then its keys.
        QTRY_VERIFY_WITH_TIMEOUT(VisibleCount() > windows, 10000);
        Xdotool({"key", "Up", "Return"});
        QTRY_COMPARE_WITH_TIMEOUT(VisibleCount(), windows, 10000);
    }

    static void KeyInPage(HWND host, const QString &key) {
        const QRect page = ScreenRect(Win::NativeWindowOf(host));
        Xdotool({"mousemove", QString::number(page.left() + 4), QString::number(page.top() + 4),
                 "click", "1"});
        Xdotool({"key", key});
    }

    // How many windows the X server shows, whoever's: cheap, for a menu coming and going.
    static int VisibleCount() {
        return XdotoolOutput({"search", "--onlyvisible", "--name", ""})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
            .size();
    }

    // The windows of the main process that the X server shows, with where it shows them.
    QMap<QString, QRect> ShownWindows() const {
        QMap<QString, QRect> shown;
        const QStringList ids = XdotoolOutput({"search", "--onlyvisible", "--pid",
                                               QString::number(FMain.processId()), "--name", ""})
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        // The search also answers windows that name no process (the root, other programs').
        const QString pid = QString::number(FMain.processId());
        for (const QString &id : ids) {
            QProcess xprop;
            xprop.start(QStringLiteral("xprop"), {"-id", id, "_NET_WM_PID"});
            xprop.waitForFinished(10000);
            const QString owner =
                QString::fromLocal8Bit(xprop.readAllStandardOutput()).section(u'=', 1).trimmed();
            if (owner == pid)
                shown.insert(id, ScreenRect(id.toULongLong()));
        }
        return shown;
    }

private slots:
    void initTestCase() {
        TestSupport::UsePrivateRuntimeDir(FDir);
        QVERIFY(Win::Initialize());
        QVERIFY(FPortal.Start());
        FExe = TestSupport::MakeProgramDir(FDir);
        FIni = FDir.path() + QStringLiteral("/ludora.ini");
        FPortal.WriteProgramSettings(FIni);
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

    // A click on the mark and the tab menu mute and unmute a tab process's page and a page of
    // the main process.
    void muteTabs() {
        StartMain();
        if (QTest::currentTestFailed())
            return;
        const QString sound = FPortal.BaseUrl() + QStringLiteral("static/sound.html");
        QProcess tab;
        HWND game = 0;
        StartTab(tab, sound, 2, game);
        QVERIFY(game != 0);
        QTRY_VERIFY_WITH_TIMEOUT(Audio(game) & HostAudioAudible, 30000);
        QCOMPARE(Audio(game) & HostAudioMuted, 0);

        ClickMark(1);
        QTRY_VERIFY_WITH_TIMEOUT(Audio(game) & HostAudioMuted, 10000);
        // The click was the mark's: the tab is still there and shown.
        QCOMPARE(TabLines().size(), 2);
        QVERIFY(TabLines().value(1).startsWith(QLatin1Char('*')));
        ClickMark(1);
        QTRY_COMPARE_WITH_TIMEOUT(Audio(game) & HostAudioMuted, 0, 10000);

        MuteFromMenu(1);
        QTRY_VERIFY_WITH_TIMEOUT(Audio(game) & HostAudioMuted, 10000);
        MuteFromMenu(1);
        QTRY_COMPARE_WITH_TIMEOUT(Audio(game) & HostAudioMuted, 0, 10000);

        // The same page in the main process, opened from the address box.
        const HWND box = HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryAddressBox));
        const QRect boxRect = ScreenRect(Win::NativeWindowOf(box));
        Xdotool({"mousemove", QString::number(boxRect.center().x()),
                 QString::number(boxRect.center().y()), "click", "1"});
        Xdotool({"key", "ctrl+a"});
        Xdotool({"type", "--delay", "10", sound});
        Xdotool({"key", "Return"});
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 3, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().value(2), QStringLiteral("*有声小游戏"), 20000);
        const HWND page = CurrentTab();
        QVERIFY(page != game);
        QTRY_VERIFY_WITH_TIMEOUT(Audio(page) & HostAudioAudible, 30000);
        MuteFromMenu(2);
        QTRY_VERIFY_WITH_TIMEOUT(Audio(page) & HostAudioMuted, 10000);
        QCOMPARE(Audio(game) & HostAudioMuted, 0);
        ClickMark(2);
        QTRY_COMPARE_WITH_TIMEOUT(Audio(page) & HostAudioMuted, 0, 10000);

        CloseMain();
        QVERIFY(tab.waitForFinished(30000));
    }

    // Zoomed with the keys and the wheel inside the page, a game opened again comes back at
    // the zoom it was left at; Ctrl+0 forgets it.
    void zoomComesBackWithTheGame() {
        StartMain();
        if (QTest::currentTestFailed())
            return;
        QProcess first;
        HWND game = 0;
        StartTab(first, Mines, 2, game);
        QVERIFY(game != 0);
        QCOMPARE(Zoom(game), 100);
        KeyInPage(game, QStringLiteral("ctrl+equal"));
        QTRY_COMPARE_WITH_TIMEOUT(Zoom(game), 110, 10000);
        KeyInPage(game, QStringLiteral("ctrl+plus"));
        QTRY_COMPARE_WITH_TIMEOUT(Zoom(game), 125, 10000);
        // One notch of the wheel up with Ctrl held.
        Xdotool({"keydown", "ctrl", "click", "4", "keyup", "ctrl"});
        QTRY_COMPARE_WITH_TIMEOUT(Zoom(game), 150, 10000);
        KeyInPage(game, QStringLiteral("ctrl+minus"));
        QTRY_COMPARE_WITH_TIMEOUT(Zoom(game), 125, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(TSettings(FIni).ReadZoom(Mines), 125, 10000);

        // Closed with a double click on its tab, then opened again.
        const QPoint p = InTab(1, 84);
        Xdotool({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "--repeat",
                 "2", "--delay", "80", "1"});
        QVERIFY(first.waitForFinished(30000));
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 1, 10000);
        QProcess second;
        HWND again = 0;
        StartTab(second, Mines, 2, again);
        QVERIFY(again != 0 && again != game);
        QTRY_COMPARE_WITH_TIMEOUT(Zoom(again), 125, 20000);

        KeyInPage(again, QStringLiteral("ctrl+0"));
        QTRY_COMPARE_WITH_TIMEOUT(Zoom(again), 100, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(TSettings(FIni).Ini().ReadString(QStringLiteral("Zoom"),
                                                                   TSettings::ZoomKeyOf(Mines),
                                                                   QStringLiteral("none")),
                                  QStringLiteral("none"), 10000);
        CloseMain();
        QVERIFY(second.waitForFinished(30000));
    }

    // With the mini home open beside the main window and a tab process playing sound, the boss
    // key pressed while another program has the keyboard takes every window away and mutes the
    // tab; pressed again it brings them back where they were and the sound with them.
    void bossKeyHidesAndBringsBack() {
        // Not yet started today: the mini home window opens.
        TSettings(FIni).WriteDate(TKey::LastRun, QDate::currentDate().addDays(-1));
        StartMain();
        if (QTest::currentTestFailed())
            return;
        QProcess tab;
        HWND game = 0;
        StartTab(tab, FPortal.BaseUrl() + QStringLiteral("static/sound.html"), 2, game);
        QVERIFY(game != 0);
        QTRY_VERIFY_WITH_TIMEOUT(Audio(game) & HostAudioAudible, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(ShownWindows().size() >= 2, 20000);
        QTest::qWait(1000); // the mini home settles in its place
        const QMap<QString, QRect> before = ShownWindows();
        const QRect mainRect = ScreenRect(Win::NativeWindowOf(FMainWindow));
        QVERIFY(before.values().contains(mainRect));

        QProcess other;
        other.start(QStringLiteral("xmessage"), {QStringLiteral("另一个程序")});
        QVERIFY(other.waitForStarted());
        const QString otherId =
            XdotoolOutput({"search", "--sync", "--onlyvisible", "--class", "xmessage"})
                .section(QLatin1Char('\n'), 0, 0);
        QVERIFY(!otherId.isEmpty());
        Xdotool({"windowfocus", "--sync", otherId});

        Xdotool({"key", QString::fromLatin1(BossKey)});
        QTRY_VERIFY_WITH_TIMEOUT(ShownWindows().isEmpty(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(Audio(game) & HostAudioMuted, 10000);

        Xdotool({"key", QString::fromLatin1(BossKey)});
        QTRY_COMPARE_WITH_TIMEOUT(ShownWindows(), before, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(Audio(game) & HostAudioMuted, 0, 10000);

        other.kill();
        other.waitForFinished();
        CloseMain();
        QVERIFY(tab.waitForFinished(30000));
    }
};

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    TestPlayerTools test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_player_tools.moc"
