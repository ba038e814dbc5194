// The side panel in the real executable against the demo portal, driven through the X server as
// a player would: without a catalogue only the two user lists show; with one, a double click on a
// game starts a tab process that logs in with the stored account, two accounts open the chooser,
// the context menu logs in with a listed account and adds a game to "我的游戏"; a favourite added
// from the favourites section shows in its tree and opens in a tab; another user's accounts are
// the ones offered after "登录帐号".

#include "support/TTestSupport.h"

#include "platform/WinMessages.h"
#include "store/TUserData.h"
#include "store/TZipFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QTest>

using TestSupport::ScreenRect;

namespace {

const QString Snake = QStringLiteral("休闲游戏\\经典小游戏\\贪吃蛇\\");
const QString Game2048 = QStringLiteral("休闲游戏\\经典小游戏\\二〇四八\\");

void Xdotool(const QStringList &arguments) {
    QProcess::execute(QStringLiteral("xdotool"), arguments);
}

// The first window with this title, 0 while there is none.
quint64 FindTitled(const QString &title) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), {"search", "--name", QStringLiteral("^%1$").arg(title)});
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).section('\n', 0, 0).toULongLong();
}

// A bitmap of the default skin.
QImage SkinImage(const QString &member) {
    TZipFile zip;
    QByteArray bytes;
    if (!zip.Open(TestSupport::BuildDir() + QStringLiteral("/skin/default.skin")) ||
        !zip.Extract(member, bytes))
        return QImage();
    return QImage::fromData(bytes);
}

} // namespace

class TestSidePanel : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    TestSupport::TPortalProcess FPortal;
    QString FExe;
    QProcess FMain;
    HWND FMainWindow = 0;
    HWND FTabBar = 0;
    HWND FSide = 0;

    QStringList SideLines() const { return Win::GetWindowText(FSide, -1).split('\n'); }
    QStringList Groups() const {
        QStringList groups;
        for (const QString &line : SideLines())
            if (line.startsWith(QStringLiteral("group ")))
                groups << line.mid(6);
        return groups;
    }
    QStringList TabLines() const {
        return Win::GetWindowText(FTabBar).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // The screen point on a row of the open group, a little into its text; null when absent.
    QPoint RowPoint(const QString &text) const {
        QPoint panel;
        for (const QString &line : SideLines()) {
            const QStringList f = line.split(' ');
            if (f.value(0) == QStringLiteral("panel"))
                panel = QPoint(f.value(1).toInt(), f.value(2).toInt());
            if (f.value(0) == QStringLiteral("row") && line.section(' ', 5) == text) {
                const QRect main = ScreenRect(Win::NativeWindowOf(FMainWindow));
                return main.topLeft() + panel +
                       QPoint(f.value(1).toInt() + 40, f.value(2).toInt() + f.value(4).toInt() / 2);
            }
        }
        return QPoint();
    }

    // The screen point in the middle of a "section" or "title" line whose last field is text.
    QPoint LinePoint(const QString &kind, const QString &text) const {
        QPoint panel;
        for (const QString &line : SideLines()) {
            const QStringList f = line.split(' ');
            if (f.value(0) == QStringLiteral("panel"))
                panel = QPoint(f.value(1).toInt(), f.value(2).toInt());
            if (f.value(0) == kind && line.section(' ', 5) == text)
                return ScreenRect(Win::NativeWindowOf(FMainWindow)).topLeft() + panel +
                       QPoint(f.value(1).toInt() + f.value(3).toInt() / 2,
                              f.value(2).toInt() + f.value(4).toInt() / 2);
        }
        return QPoint();
    }

    void Click(const QPoint &p, const QString &button, int count = 1) {
        Xdotool({"mousemove", QString::number(p.x()), QString::number(p.y())});
        QTest::qWait(300); // the hover poll and the move reach the panel first
        Xdotool({"click", "--repeat", QString::number(count), "--delay", "80", button});
    }

    int Logins(const QString &game, const QString &user, const QString &password) const {
        int n = 0;
        const QJsonArray logins =
            QJsonDocument::fromJson(FPortal.Get(QStringLiteral("api/logins"))).array();
        for (const QJsonValue &l : logins) {
            const QJsonObject o = l.toObject();
            if (o.value("game").toString() == game && o.value("user").toString() == user &&
                o.value("password").toString() == password && o.value("ok").toBool())
                ++n;
        }
        return n;
    }

    bool StartMain() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The favourites folder lies below the data home.
        env.insert(QStringLiteral("XDG_DATA_HOME"), FDir.path() + QStringLiteral("/data"));
        TestSupport::TMainHandles h;
        if (!TestSupport::StartMainProcess(FMain, FExe, h, env))
            return false;
        FMainWindow = h.MainWindow;
        FTabBar = h.TabBar;
        for (int i = 0; i < 200 && FSide == 0; ++i) {
            FSide = Win::FindWindow(QStringLiteral("TfrmSide"));
            QTest::qWait(100);
        }
        return FMainWindow != 0 && FSide != 0;
    }

    void StopMain() {
        Win::PostMessage(FMainWindow, Win::WM_CLOSE);
        const bool ended = FMain.waitForFinished(30000);
        if (!ended) {
            FMain.kill();
            FMain.waitForFinished();
        }
        FSide = 0;
        QVERIFY(ended);
    }

private slots:
    void initTestCase() {
        TestSupport::UsePrivateRuntimeDir(FDir);
        QVERIFY(Win::Initialize());
        QVERIFY(FPortal.Start());
        FExe = TestSupport::MakeProgramDir(FDir);
        const QString iniPath = FDir.path() + QStringLiteral("/ludora.ini");
        FPortal.WriteProgramSettings(iniPath);
        // The anonymous user: one account for the snake game, two for 2048.
        TUserData anonymous;
        anonymous.AppendAccount(Snake, QStringLiteral("abc"), QStringLiteral("主号"),
                                QStringLiteral("蛇pass1"));
        anonymous.AppendAccount(Game2048, QStringLiteral("u1"), QString(), QStringLiteral("p1"));
        anonymous.AppendAccount(Game2048, QStringLiteral("u2"), QString(), QStringLiteral("p2"));
        anonymous.SetCurrentFile(TUserData::DefaultUserFile(FDir.path() + QLatin1Char('/')));
        anonymous.Save();
        // A local user with an account of his own for the snake game.
        TUserData bob;
        bob.EnsureStructure();
        bob.Root().setAttribute(QStringLiteral("password"), QStringLiteral("bob-pw"));
        bob.AppendAccount(Snake, QStringLiteral("bobby"), QString(), QStringLiteral("bobpw"));
        QDir().mkpath(FDir.path() + QStringLiteral("/userdata"));
        bob.SetCurrentFile(TUserData::UserFile(FDir.path() + QLatin1Char('/'), "bob"));
        bob.Save();
    }

    void cleanupTestCase() {
        if (FMain.state() != QProcess::NotRunning) {
            FMain.kill();
            FMain.waitForFinished();
        }
        Win::Finalize();
    }

    void withoutCatalogueOnlyTheUserListsShow() {
        QVERIFY(StartMain());
        QTRY_COMPARE_WITH_TIMEOUT(Groups(), QStringList({"最近玩过的游戏", "*我的游戏"}), 20000);
        QVERIFY(SideLines().value(0).endsWith(QStringLiteral(" expanded")));
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 1, 20000);
        // Only the panel is looked at here; the next start brings the catalogue.
        FMain.kill();
        QVERIFY(FMain.waitForFinished(30000));
        FSide = 0;
    }

    void doubleClickStartsTheGameWithItsAccount() {
        QFile games(FDir.path() + QStringLiteral("/games.xml"));
        QVERIFY(games.open(QIODevice::WriteOnly));
        games.write(FPortal.Get(QStringLiteral("games.xml")));
        games.close();
        FPortal.Get(QStringLiteral("api/logins/clear"));
        QVERIFY(StartMain());
        QTRY_COMPARE_WITH_TIMEOUT(
            Groups(),
            QStringList({"最近玩过的游戏", "我的游戏", "*休闲游戏", "网页游戏", "休闲游戏"}),
            20000);
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 1, 20000);
        // A press opens the folder; its games show below it.
        QTRY_VERIFY_WITH_TIMEOUT(!RowPoint(QStringLiteral("经典小游戏")).isNull(), 10000);
        Click(RowPoint(QStringLiteral("经典小游戏")), "1");
        QTRY_VERIFY_WITH_TIMEOUT(!RowPoint(QStringLiteral("贪吃蛇")).isNull(), 10000);
        Click(RowPoint(QStringLiteral("贪吃蛇")), "1", 2);
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 2, 30000);
        QVERIFY(TabLines().value(1).startsWith(QStringLiteral("*[abc]")));
        QTRY_COMPARE_WITH_TIMEOUT(Logins("snake", "abc", "蛇pass1"), 1, 30000);
    }

    void twoAccountsOpenTheChooser() {
        Click(RowPoint(QStringLiteral("二〇四八")), "1", 2);
        QTest::qWait(1500);
        // Both ticked from the keyboard, then OK.
        Xdotool({"key", "space", "Down", "space", "Return"});
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 4, 30000);
        const QString tabs = TabLines().join('\n');
        QVERIFY2(tabs.contains("[u1]") && tabs.contains("[u2]"), qPrintable(tabs));
        QTRY_COMPARE_WITH_TIMEOUT(Logins("2048", "u1", "p1"), 1, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(Logins("2048", "u2", "p2"), 1, 30000);
    }

    void contextMenuLogsInAndAddsToMyGames() {
        // "登录：[abc]" is the entry right after "添加帐号".
        Click(RowPoint(QStringLiteral("贪吃蛇")), "3");
        QTest::qWait(800);
        Xdotool({"key", "Down", "Down", "Return"});
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 5, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(Logins("snake", "abc", "蛇pass1"), 2, 30000);

        // "收藏游戏" on a game without accounts, then the success notice is closed.
        Click(RowPoint(QStringLiteral("扫雷")), "3");
        QTest::qWait(800);
        Xdotool({"key", "Down", "Down", "Return"});
        QTest::qWait(1500);
        Xdotool({"key", "Return"});
        TUserData saved;
        saved.SetCurrentFile(TUserData::DefaultUserFile(FDir.path() + QLatin1Char('/')));
        QTRY_VERIFY_WITH_TIMEOUT(
            saved.Load() && !saved.MyGamesFolder().firstChildElement().isNull(), 10000);
        const QDomElement entry = saved.MyGamesFolder().firstChildElement();
        QCOMPARE(entry.attribute("location"), QStringLiteral("休闲游戏\\扫雷\\"));
        QCOMPARE(entry.attribute("caption"), QStringLiteral("扫雷"));
        QCOMPARE(saved.AccountsFolder().childNodes().count(), 3);

        // The handle collapses the panel to itself and brings it back.
        for (const QString &state : {QStringLiteral("collapsed"), QStringLiteral("expanded")}) {
            const QStringList f = SideLines().value(0).split(' ');
            const QPoint handle = ScreenRect(Win::NativeWindowOf(FMainWindow)).topLeft() +
                                  QPoint(f.value(1).toInt() + f.value(3).toInt() - 4,
                                         f.value(2).toInt() + f.value(4).toInt() / 2);
            Click(handle, "1");
            QTRY_VERIFY_WITH_TIMEOUT(SideLines().value(0).endsWith(" " + state), 10000);
        }
        QVERIFY(SideLines().value(0).contains(QStringLiteral(" 227 ")));
    }

    void addedFavouriteShowsInTheTreeAndOpensInATab() {
        Click(LinePoint(QStringLiteral("section"), QStringLiteral("2")), "1");
        QTRY_VERIFY_WITH_TIMEOUT(!LinePoint("title", QStringLiteral("添加...")).isNull(), 10000);
        Click(LinePoint(QStringLiteral("title"), QStringLiteral("添加...")), "1");
        quint64 dialog = 0;
        QTRY_VERIFY_WITH_TIMEOUT((dialog = FindTitled(QStringLiteral("添加收藏"))) != 0, 20000);
        QTest::qWait(500);
        Xdotool({"windowfocus", "--sync", QString::number(dialog)});
        Xdotool({"key", "Return"});
        // The shortcut of the shown tab, named after its title, with its address.
        const QDir favourites(FDir.path() + QStringLiteral("/data/ludora/Favorites"));
        QTRY_COMPARE_WITH_TIMEOUT(favourites.entryList({"*.url"}).size(), 1, 20000);
        const QString file = favourites.entryList({"*.url"}).first();
        QTRY_VERIFY_WITH_TIMEOUT(!RowPoint(file.chopped(4)).isNull(), 10000);
        const int tabs = TabLines().size();
        Click(RowPoint(file.chopped(4)), "1", 2);
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), tabs + 1, 30000);
        QTest::qWait(1500);
        QCOMPARE(TabLines().size(), tabs + 1); // one tab for one double click
        Click(LinePoint(QStringLiteral("section"), QStringLiteral("1")), "1");
        QTRY_VERIFY_WITH_TIMEOUT(!RowPoint(QStringLiteral("经典小游戏")).isNull(), 10000);
    }

    void switchingUserOffersTheOtherUsersAccounts() {
        // "登录帐号" is the first item of the menu behind the title bar's menu button, the
        // fourth window button from the right.
        const QImage buttons = SkinImage(QStringLiteral("btn_window.bmp"));
        const int th = SkinImage(QStringLiteral("bg_titlebar.bmp")).height();
        const int frame = SkinImage(QStringLiteral("frame.bmp")).height();
        QVERIFY(!buttons.isNull() && th > 0);
        const int bw = buttons.width() / 5;
        const QRect main = ScreenRect(Win::NativeWindowOf(FMainWindow));
        Click(QPoint(main.right() + 1 - frame - 3 * bw - bw / 2, main.top() + th / 2), "1");
        QTest::qWait(800);
        Xdotool({"key", "Down", "Return"});
        quint64 login = 0;
        QTRY_VERIFY_WITH_TIMEOUT((login = FindTitled(QStringLiteral("用户登录"))) != 0, 20000);
        QTest::qWait(500);
        Xdotool({"windowfocus", "--sync", QString::number(login)});
        Xdotool({"type", "--delay", "30", "bob"});
        Xdotool({"key", "Tab"});
        Xdotool({"type", "--delay", "30", "bob-pw"});
        Xdotool({"key", "Return"});
        QTRY_COMPARE_WITH_TIMEOUT(FindTitled(QStringLiteral("用户登录")), 0ull, 20000);

        // The groups were built again for bob: his account starts the game.
        QTRY_VERIFY_WITH_TIMEOUT(!RowPoint(QStringLiteral("经典小游戏")).isNull(), 10000);
        QVERIFY(RowPoint(QStringLiteral("贪吃蛇")).isNull());
        const int tabs = TabLines().size();
        Click(RowPoint(QStringLiteral("经典小游戏")), "1");
        QTRY_VERIFY_WITH_TIMEOUT(!RowPoint(QStringLiteral("贪吃蛇")).isNull(), 10000);
        Click(RowPoint(QStringLiteral("贪吃蛇")), "1", 2);
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), tabs + 1, 30000);
        QVERIFY2(TabLines().join('\n').contains(QStringLiteral("[bobby]")),
                 qPrintable(TabLines().join('\n')));
        QTRY_COMPARE_WITH_TIMEOUT(Logins("snake", "bobby", "bobpw"), 1, 30000);
        StopMain();
    }
};

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    TestSidePanel test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_side_panel.moc"
