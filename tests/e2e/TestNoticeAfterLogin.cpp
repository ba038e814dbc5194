// The start of an evening as a player has it, through the real executable, the X server's
// pointer and keyboard and the demo portal: the log-in dialog stands in the middle of the screen
// and is cancelled, the notification pane opens, a game opens in a tab process, and the pane's
// own links still close and minimise it, also from its strip.

#include "support/TTestSupport.h"

#include "platform/WinMessages.h"
#include "store/TSettings.h"
#include "store/TUserData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTest>

using TestSupport::ScreenRect;
using TestSupport::Xdotool;

namespace {

quint64 FindTitled(const QString &title) {
    return Xdotool({"search", "--onlyvisible", "--name", QStringLiteral("^%1$").arg(title)})
        .section(QLatin1Char('\n'), 0, 0)
        .toULongLong();
}

void Screenshot(const QString &name) {
    const QString dir = TestSupport::BuildDir() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    QProcess::execute(QStringLiteral("import"), {"-window", "root", dir + QLatin1Char('/') + name});
}

// Where the pane's page has its links, from the pane's top left corner.
const QPoint MinimiseLink(108, 22);
const QPoint CloseLink(153, 22);

void ClickAt(const QPoint &p) {
    Xdotool({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "1"});
}

} // namespace

class TestNoticeAfterLogin : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    TestSupport::TPortalProcess FPortal;
    QString FExe;
    QProcess FMain;
    QProcess FTab;
    HWND FPageArea = 0;
    HWND FTabBar = 0;

    // "<opens> <offset> <slide> <sliding>" of the pane; the offset is -1 while it is hidden.
    static QList<int> Pane() {
        QList<int> v;
        for (const QString &s : Win::GetWindowText(Win::FindWindow("TNoticePane")).split(' '))
            v << s.toInt();
        return v.size() == 4 ? v : QList<int>{-1, -1, -1, -1};
    }
    // Slid up and standing: 5 px above the frame's bottom, as high as its notice.
    static bool PaneUp() {
        const QRect pane = ScreenRect(Win::NativeWindowOf(Win::FindWindow("TNoticePane")));
        return Pane().value(3) == 0 && Pane().value(1) == pane.height() + 5 && pane.height() > 28 &&
               pane.height() <= 160;
    }
    QStringList TabLines() const {
        return Win::GetWindowText(FTabBar).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase() {
        TestSupport::UsePrivateRuntimeDir(FDir);
        QVERIFY(Win::Initialize());
        QVERIFY(FPortal.Start());
        FExe = TestSupport::MakeProgramDir(FDir);
        const QString iniPath = FDir.path() + QStringLiteral("/ludora.ini");
        FPortal.WriteProgramSettings(iniPath);
        TSettings(iniPath).WriteString(TKey::Login, QStringLiteral("小明"));
        TUserData user;
        user.EnsureStructure();
        user.Root().setAttribute(QStringLiteral("password"), QStringLiteral("pw"));
        user.SetCurrentFile(
            TUserData::UserFile(FDir.path() + QLatin1Char('/'), QStringLiteral("小明")));
        user.Save();
        QFile games(FDir.path() + QStringLiteral("/games.xml"));
        QVERIFY(games.open(QIODevice::WriteOnly));
        games.write(FPortal.Get(QStringLiteral("games.xml")));
    }

    void cleanupTestCase() {
        for (QProcess *p : {&FTab, &FMain})
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
        Win::Finalize();
    }

    void paneClosesAfterCancelledLogin() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LUDORA_PRINT_HANDLES"), QStringLiteral("1"));
        // The first check while the dialog is still up, as for a player who takes his time.
        env.insert(QStringLiteral("LUDORA_NOTICE_INTERVALS"), QStringLiteral("500,2000"));
        FMain.setProcessEnvironment(env);
        FMain.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FMain.start(FExe, {});
        QVERIFY(FMain.waitForStarted());

        quint64 login = 0;
        QTRY_VERIFY_WITH_TIMEOUT((login = FindTitled(QStringLiteral("用户登录"))) != 0, 30000);
        // In the middle of the screen the window will open on, not in a corner.
        const QStringList screen = Xdotool({"getdisplaygeometry"}).split(QLatin1Char(' '));
        const QPoint middle(screen.value(0).toInt() / 2, screen.value(1).toInt() / 2);
        QTRY_VERIFY_WITH_TIMEOUT((ScreenRect(login).center() - middle).manhattanLength() <= 4,
                                 10000);
        // The notification page was asked while the dialog is up.
        QTRY_VERIFY_WITH_TIMEOUT(
            FPortal.Get(QStringLiteral("api/requests")).contains("/notice.html"), 20000);
        Screenshot(QStringLiteral("e2e_notice_login_dialog.png"));
        Xdotool({"windowfocus", "--sync", QString::number(login)});
        Xdotool({"key", "Escape"});

        QTRY_VERIFY_WITH_TIMEOUT(FMain.canReadLine(), 30000);
        const QRegularExpressionMatch m =
            QRegularExpression(
                QStringLiteral("^main window (\\d+) page area (\\d+) tab bar (\\d+)"))
                .match(QString::fromLocal8Bit(FMain.readLine()));
        QVERIFY(m.hasMatch());
        FPageArea = m.captured(2).toULongLong();
        FTabBar = m.captured(3).toULongLong();
        QTRY_VERIFY_WITH_TIMEOUT(PaneUp(), 30000);

        FTab.setProcessChannelMode(QProcess::ForwardedChannels);
        FTab.start(FExe,
                   {QString::number(FPageArea), QStringLiteral("休闲游戏\\经典小游戏\\贪吃蛇\\")});
        QVERIFY(FTab.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(TabLines().size() == 2 &&
                                     !TabLines().join('\n').contains(QStringLiteral("正在打开")),
                                 30000);
        const quint64 paneWindow = Win::NativeWindowOf(Win::FindWindow("TNoticePane"));
        Screenshot(QStringLiteral("e2e_notice_over_game.png"));
        // The links of the page's first line, "系统公告 最小化 关闭", with the X server's pointer.
        ClickAt(ScreenRect(paneWindow).topLeft() + CloseLink);
        QTRY_COMPARE_WITH_TIMEOUT(Pane().value(1), -1, 20000);
        // A newer notice opens it again, over the game; it minimises to its strip.
        FPortal.Get(QStringLiteral("api/notice/touch"));
        QTRY_VERIFY_WITH_TIMEOUT(Pane().value(0) == 2 && PaneUp(), 30000);
        ClickAt(ScreenRect(paneWindow).topLeft() + MinimiseLink);
        QTRY_VERIFY_WITH_TIMEOUT(Pane().value(1) == 28 && Pane().value(3) == 0, 20000);
        Screenshot(QStringLiteral("e2e_notice_minimised.png"));
        // The strip keeps the links: it closes from there as well.
        ClickAt(ScreenRect(paneWindow).topLeft() + CloseLink);
        QTRY_COMPARE_WITH_TIMEOUT(Pane().value(1), -1, 20000);
    }
};

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    TestNoticeAfterLogin test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestNoticeAfterLogin.moc"
