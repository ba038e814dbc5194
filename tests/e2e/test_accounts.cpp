// Accounts through the real executable, the X server and the demo portal: a named user logs in
// at start-up, a login typed into a game's page in a tab process is offered by the save prompt
// and stored in the user's file, "以后不再询问" stores the next one without a question under the
// page title, and a game started later with a stored account logs in by itself.

#include "support/TTestSupport.h"

#include "platform/WinMessages.h"
#include "protocol/Messages.h"
#include "store/TSettings.h"
#include "store/TUserData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTest>

using TestSupport::ScreenRect;

using TestSupport::FindTitled;
using TestSupport::Screenshot;
using TestSupport::Xdotool;

namespace {

const QString Game2048 = QStringLiteral("休闲游戏\\经典小游戏\\二〇四八\\");

} // namespace

class TestAccountsEndToEnd : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    TestSupport::TPortalProcess FPortal;
    QString FExe;
    QProcess FMain;
    QList<QProcess *> FTabs;
    HWND FMainWindow = 0;
    HWND FPageArea = 0;
    HWND FTabBar = 0; // its text: one tab caption a line

    QString UserFile() const {
        return TUserData::UserFile(FDir.path() + QLatin1Char('/'), QStringLiteral("alice"));
    }
    QDomElement Stored(TUserData &d, const QString &user) const {
        d.SetCurrentFile(UserFile());
        d.Load();
        return d.FindAccount(Game2048, user);
    }
    QProcess *StartTab(const QStringList &extra = {}) {
        auto *tab = new QProcess(this);
        tab->setProcessChannelMode(QProcess::ForwardedChannels);
        tab->start(FExe, QStringList{QString::number(FPageArea), Game2048} + extra);
        FTabs << tab;
        return tab;
    }
    // Types a login into the shown game page as a player does: a click on the page's empty top
    // left corner, Tab past the five links of its navigation into the user box, then the user,
    // Tab, the password and Enter.
    bool TypeLogin(const QString &user, const QString &password) {
        const HWND host = HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryCurrentTab));
        if (host == 0)
            return false;
        const QRect page = ScreenRect(Win::NativeWindowOf(host));
        if (page.isEmpty())
            return false;
        Xdotool({"mousemove", QString::number(page.left() + 4), QString::number(page.top() + 4),
                 "click", "1"});
        for (int i = 0; i < 6; ++i)
            Xdotool({"key", "Tab"});
        Xdotool({"type", "--delay", "20", user});
        Xdotool({"key", "Tab"});
        Xdotool({"type", "--delay", "20", password});
        Xdotool({"key", "Return"});
        return true;
    }
    // Types the login until the portal has received it: the keys go through a shared, busy X
    // server, and a page still settling can lose them. What the program does with the login is
    // then checked without any second chance.
    bool SubmitLogin(const QString &user, const QString &password) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (!TypeLogin(user, password))
                return false;
            if (QTest::qWaitFor([&]() { return LoginReceived(user, password); }, 15000))
                return true;
            Screenshot(QStringLiteral("e2e_typing_missed.png"));
        }
        return false;
    }
    bool LoginReceived(const QString &user, const QString &password) {
        const QJsonArray logins =
            QJsonDocument::fromJson(FPortal.Get(QStringLiteral("api/logins"))).array();
        for (const QJsonValue &l : logins)
            if (l[QStringLiteral("user")].toString() == user &&
                l[QStringLiteral("password")].toString() == password &&
                l[QStringLiteral("ok")].toBool())
                return true;
        return false;
    }
    // Waits for the game page of a new tab to finish opening.
    bool WaitGamePage(int tabs) {
        const HWND tabBar = FTabBar;
        return QTest::qWaitFor(
                   [&]() {
                       const QStringList lines =
                           Win::GetWindowText(tabBar).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                       return lines.size() == tabs && lines.last().contains(QStringLiteral("登录"));
                   },
                   30000) &&
               (QTest::qWait(1000), true); // the page's scripts and layout settle
    }

private slots:
    void initTestCase() {
        TestSupport::UsePrivateRuntimeDir(FDir);
        QVERIFY(Win::Initialize());
        QVERIFY(FPortal.Start());
        FExe = TestSupport::MakeProgramDir(FDir);
        const QString iniPath = FDir.path() + QStringLiteral("/ludora.ini");
        FPortal.WriteProgramSettings(iniPath);
        {
            TSettings settings(iniPath);
            settings.WriteString(TKey::Login, QStringLiteral("alice"));
        }
        TUserData alice;
        alice.EnsureStructure();
        alice.Root().setAttribute(QStringLiteral("password"), QStringLiteral("alice-pw"));
        alice.SetCurrentFile(UserFile());
        alice.Save();
        QFile games(FDir.path() + QStringLiteral("/games.xml"));
        QVERIFY(games.open(QIODevice::WriteOnly));
        games.write(FPortal.Get(QStringLiteral("games.xml")));
    }

    void cleanupTestCase() {
        for (QProcess *p : FTabs + QList<QProcess *>{&FMain})
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
        Win::Finalize();
    }

    void startUpLogin() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LUDORA_PRINT_HANDLES"), QStringLiteral("1"));
        FMain.setProcessEnvironment(env);
        FMain.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FMain.start(FExe, {});
        QVERIFY(FMain.waitForStarted());
        // The login dialog comes with the name filled in and the focus in the password box.
        quint64 login = 0;
        QTRY_VERIFY_WITH_TIMEOUT((login = FindTitled(QStringLiteral("用户登录"))) != 0, 30000);
        QTest::qWait(500);
        Xdotool({"windowfocus", "--sync", QString::number(login)});
        Xdotool({"type", "--delay", "30", "wrong"});
        Xdotool({"key", "Return"});
        QTest::qWait(500);
        Screenshot(QStringLiteral("e2e_login_wrong_password.png"));
        QVERIFY(FindTitled(QStringLiteral("用户登录")) != 0); // stays open with its message
        Xdotool({"key", "ctrl+a"});
        Xdotool({"type", "--delay", "30", "alice-pw"});
        Xdotool({"key", "Return"});

        QTRY_VERIFY_WITH_TIMEOUT(FMain.canReadLine(), 30000);
        const QRegularExpressionMatch m =
            QRegularExpression(
                QStringLiteral("^main window (\\d+) page area (\\d+) tab bar (\\d+)"))
                .match(QString::fromLocal8Bit(FMain.readLine()));
        QVERIFY(m.hasMatch());
        FMainWindow = m.captured(1).toULongLong();
        FPageArea = m.captured(2).toULongLong();
        FTabBar = m.captured(3).toULongLong();
        QCOMPARE(FindTitled(QStringLiteral("用户登录")), 0ull);
    }

    void typedLoginIsOfferedAndStored() {
        FPortal.Get(QStringLiteral("api/logins/clear"));
        StartTab();
        QVERIFY(WaitGamePage(2));
        QVERIFY(SubmitLogin(QStringLiteral("player1"), QStringLiteral("secret1")));
        quint64 prompt = 0;
        QTRY_VERIFY_WITH_TIMEOUT((prompt = FindTitled(QStringLiteral("保存帐号"))) != 0, 30000);
        QTest::qWait(800);
        Screenshot(QStringLiteral("e2e_save_prompt.png"));
        TUserData d;
        QVERIFY(Stored(d, QStringLiteral("player1")).isNull()); // nothing before "确定"
        Xdotool({"windowfocus", "--sync", QString::number(prompt)});
        Xdotool({"key", "ctrl+a"});
        Xdotool({"type", "--delay", "30", "my 2048"});
        Xdotool({"key", "Return"});
        QTRY_VERIFY_WITH_TIMEOUT(!Stored(d, QStringLiteral("player1")).isNull(), 20000);
        const QDomElement item = Stored(d, QStringLiteral("player1"));
        QCOMPARE(item.attribute(QStringLiteral("caption")), QStringLiteral("my 2048"));
        QCOMPARE(item.attribute(QStringLiteral("pass")), QStringLiteral("secret1"));
        QCOMPARE(item.attribute(QStringLiteral("ubox")), QStringLiteral("uid"));
        QCOMPARE(item.attribute(QStringLiteral("pbox")), QStringLiteral("upassupass"));
        QCOMPARE(d.Root().attribute(QStringLiteral("password")), QStringLiteral("alice-pw"));
        QCOMPARE(d.RecentFolder().firstChildElement().attribute(QStringLiteral("location")),
                 Game2048);
        QVERIFY(LoginReceived(QStringLiteral("player1"), QStringLiteral("secret1")));
    }

    void dontAskAgainThenStoredSilently() {
        // "以后不再询问" (the box after the title) ticked: stored, and "SaveForm" written off.
        StartTab();
        QVERIFY(WaitGamePage(3));
        QVERIFY(SubmitLogin(QStringLiteral("player2"), QStringLiteral("pw2")));
        quint64 prompt = 0;
        QTRY_VERIFY_WITH_TIMEOUT((prompt = FindTitled(QStringLiteral("保存帐号"))) != 0, 30000);
        QTest::qWait(500);
        Xdotool({"windowfocus", "--sync", QString::number(prompt)});
        Xdotool({"key", "Tab", "space", "Return"});
        TUserData d;
        QTRY_VERIFY_WITH_TIMEOUT(!Stored(d, QStringLiteral("player2")).isNull(), 20000);
        QVERIFY(!TSettings(FDir.path() + QStringLiteral("/ludora.ini")).ReadBool(TKey::SaveForm));

        // The next login is stored without a question, titled with the page title.
        StartTab();
        QVERIFY(WaitGamePage(4));
        QVERIFY(SubmitLogin(QStringLiteral("player3"), QStringLiteral("pw3")));
        QTRY_VERIFY_WITH_TIMEOUT(!Stored(d, QStringLiteral("player3")).isNull(), 30000);
        QCOMPARE(Stored(d, QStringLiteral("player3")).attribute(QStringLiteral("caption")),
                 QStringLiteral("二〇四八 - 登录"));
        QCOMPARE(FindTitled(QStringLiteral("保存帐号")), 0ull);
    }

    void storedAccountLogsInByItself() {
        FPortal.Get(QStringLiteral("api/logins/clear"));
        StartTab({QStringLiteral("player1")});
        QTRY_VERIFY_WITH_TIMEOUT(
            LoginReceived(QStringLiteral("player1"), QStringLiteral("secret1")), 30000);
        Win::PostMessage(FMainWindow, Win::WM_CLOSE);
        QVERIFY(FMain.waitForFinished(30000));
        QCOMPARE(FMain.exitCode(), 0);
        // Closing changed no stored account.
        TUserData d;
        QVERIFY(!Stored(d, QStringLiteral("player1")).isNull());
        QCOMPARE(d.AccountsFolder().childNodes().count(), 3);
    }
};

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    TestAccountsEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_accounts.moc"
