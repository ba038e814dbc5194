// Login boxes built on Vue 3 and React 18, an e-mail box and a phone box, through the real
// executable, its tab processes, the X server's keyboard and the demo portal: stored accounts
// log in by themselves, a login typed into the Vue page (which stays on its page) is offered for
// saving and, once "以后不再询问" is ticked, stored without a question; no request ever carries
// a stored password in its address.

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
#include <QProcess>
#include <QTest>
#include <QUrl>

using TestSupport::ScreenRect;

using TestSupport::FindTitled;
using TestSupport::Screenshot;
using TestSupport::Xdotool;

namespace {

const QString Folder = QStringLiteral("网页游戏\\新式登录\\");

struct TGame {
    QString Id;
    QString Caption;
    QString User;
    QString Password;
};

// Passwords with a blank, "#", "&" and characters outside ASCII: each encodes differently in
// an address.
const QList<TGame> Games{
    {"vue", QStringLiteral("星空消消乐"), QStringLiteral("vue玩家"), QStringLiteral("v pw#1")},
    {"react", QStringLiteral("方块大作战"), "reactor", QStringLiteral("r&pw 密码")},
    {"email", QStringLiteral("邮箱农场"), "farmer@example.com", "mail+pw 3"},
    {"tel", QStringLiteral("手机斗地主"), "13800138000", QStringLiteral("电话pw4")},
};

// An address as a server reads it: percent-decoded, "+" a blank.
QString Decoded(QString text) {
    return QUrl::fromPercentEncoding(text.replace(u'+', u' ').toUtf8());
}

} // namespace

class TestModernLogins : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    TestSupport::TPortalProcess FPortal;
    QString FExe;
    QProcess FMain;
    QList<QProcess *> FTabs;
    TestSupport::TMainHandles FHandles;

    QString UserFile() const { return TUserData::DefaultUserFile(FDir.path() + QLatin1Char('/')); }
    QDomElement Stored(TUserData &d, const QString &user) const {
        d.SetCurrentFile(UserFile());
        d.Load();
        return d.FindAccount(Folder + Games[0].Caption + u'\\', user);
    }
    void StartTab(const TGame &game, const QString &user = QString()) {
        auto *tab = new QProcess(this);
        tab->setProcessChannelMode(QProcess::ForwardedChannels);
        QStringList args{QString::number(FHandles.PageArea), Folder + game.Caption + u'\\'};
        if (!user.isEmpty())
            args << user;
        tab->start(FExe, args);
        FTabs << tab;
    }
    QStringList TabLines() const {
        return Win::GetWindowText(HWND(FHandles.TabBar)).split(u'\n', Qt::SkipEmptyParts);
    }
    bool LoginReceived(const QString &game, const QString &user, const QString &password) const {
        const QJsonArray logins =
            QJsonDocument::fromJson(FPortal.Get(QStringLiteral("api/logins"))).array();
        for (const QJsonValue &l : logins)
            if (l[QStringLiteral("game")].toString() == game &&
                l[QStringLiteral("user")].toString() == user &&
                l[QStringLiteral("password")].toString() == password &&
                l[QStringLiteral("ok")].toBool())
                return true;
        return false;
    }
    // Every request the portal was sent whose address holds one of the passwords.
    QStringList AddressesHolding(const QStringList &passwords) const {
        QStringList found;
        const QJsonArray requests =
            QJsonDocument::fromJson(FPortal.Get(QStringLiteral("api/requests"))).array();
        for (const QJsonValue &r : requests) {
            const QString address = Decoded(r[QStringLiteral("path")].toString() + u'?' +
                                            r[QStringLiteral("query")].toString());
            for (const QString &p : passwords)
                if (address.contains(p))
                    found << address;
        }
        return found;
    }
    // Waits until the newest tab shows its login page and the page's library has drawn it.
    bool WaitLoginPage(int tabs) {
        return QTest::qWaitFor(
                   [&]() {
                       const QStringList lines = TabLines();
                       return lines.size() == tabs && lines.last().contains(QStringLiteral("登录"));
                   },
                   30000) &&
               (QTest::qWait(1500), true);
    }
    // As a player: a click on the page's empty top left corner, Tab past the five links of its
    // navigation into the user box, the user, Tab, the password and Enter. Repeated while the
    // portal has not received it (keys through a busy shared X server can be lost).
    bool TypeLogin(const QString &user, const QString &password) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const HWND host = HWND(
                Win::SendMessage(HWND(FHandles.MainWindow), WM_HOSTQUERY, 0, HostQueryCurrentTab));
            const QRect page = host ? ScreenRect(Win::NativeWindowOf(host)) : QRect();
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
            if (QTest::qWaitFor([&]() { return LoginReceived("vue", user, password); }, 15000))
                return true;
        }
        return false;
    }

private slots:
    void initTestCase() {
        TestSupport::UsePrivateRuntimeDir(FDir);
        QVERIFY(Win::Initialize());
        QVERIFY(FPortal.Start());
        FExe = TestSupport::MakeProgramDir(FDir);
        FPortal.WriteProgramSettings(FDir.path() + QStringLiteral("/ludora.ini"));
        TUserData anonymous;
        for (const TGame &g : Games)
            anonymous.AppendAccount(Folder + g.Caption + u'\\', g.User, g.Caption, g.Password);
        anonymous.SetCurrentFile(UserFile());
        anonymous.Save();
        QFile games(FDir.path() + QStringLiteral("/games.xml"));
        QVERIFY(games.open(QIODevice::WriteOnly));
        games.write(FPortal.Get(QStringLiteral("games.xml")));
        games.close();
        QVERIFY(TestSupport::StartMainProcess(FMain, FExe, FHandles));
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 1, 20000);
    }

    void cleanupTestCase() {
        for (QProcess *p : FTabs + QList<QProcess *>{&FMain})
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
        Win::Finalize();
    }

    void storedAccountsLogInByThemselves() {
        FPortal.Get(QStringLiteral("api/logins/clear"));
        FPortal.Get(QStringLiteral("api/requests/clear"));
        QStringList passwords;
        for (const TGame &g : Games) {
            StartTab(g, g.User);
            passwords << g.Password;
        }
        for (const TGame &g : Games)
            QTRY_VERIFY2_WITH_TIMEOUT(LoginReceived(g.Id, g.User, g.Password), qPrintable(g.Id),
                                      60000);
        // The script pages stay and show the player; the classic ones went on to the game.
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().filter(QStringLiteral("游戏中")).size(), 4, 30000);
        QCOMPARE(AddressesHolding(passwords), QStringList());
    }

    void typedVueLoginIsOfferedThenStoredSilently() {
        FPortal.Get(QStringLiteral("api/requests/clear"));
        StartTab(Games[0]);
        QVERIFY(WaitLoginPage(6));
        QVERIFY(TypeLogin("typed1", "typed-pw 1"));
        quint64 prompt = 0;
        QTRY_VERIFY_WITH_TIMEOUT((prompt = FindTitled(QStringLiteral("保存帐号"))) != 0, 30000);
        TUserData d;
        QVERIFY(Stored(d, "typed1").isNull()); // nothing before "确定"
        QTest::qWait(500);
        Screenshot(QStringLiteral("e2e_vue_save_prompt.png"));
        // "以后不再询问" (the box after the title) ticked, then OK.
        Xdotool({"windowfocus", "--sync", QString::number(prompt)});
        Xdotool({"key", "Tab", "space", "Return"});
        QTRY_VERIFY_WITH_TIMEOUT(!Stored(d, "typed1").isNull(), 20000);
        const QDomElement item = Stored(d, "typed1");
        QCOMPARE(item.attribute("pass"), QStringLiteral("typed-pw 1"));
        QCOMPARE(item.attribute("ubox"), QStringLiteral("user"));
        QCOMPARE(item.attribute("pbox"), QStringLiteral("passpass"));
        QVERIFY(!TSettings(FDir.path() + QStringLiteral("/ludora.ini")).ReadBool(TKey::SaveForm));

        // The next typed login is stored without a question, titled with the page title.
        StartTab(Games[0]);
        QVERIFY(WaitLoginPage(7));
        QVERIFY(TypeLogin("typed2", "typed-pw 2"));
        QTRY_VERIFY_WITH_TIMEOUT(!Stored(d, "typed2").isNull(), 30000);
        QCOMPARE(Stored(d, "typed2").attribute("caption"), QStringLiteral("星空消消乐 - 登录"));
        QCOMPARE(FindTitled(QStringLiteral("保存帐号")), 0ull);
        // Both logins stayed on their page: the tab shows the player, nothing went by address.
        QTRY_VERIFY_WITH_TIMEOUT(TabLines().last().endsWith(QStringLiteral("星空消消乐 - 游戏中")),
                                 20000);
        QCOMPARE(AddressesHolding({"typed-pw 1", "typed-pw 2"}), QStringList());
        Screenshot(QStringLiteral("e2e_vue_logged_in.png"));
    }
};

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    TestModernLogins test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestModernLogins.moc"
