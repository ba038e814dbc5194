// Tab processes end to end: the real executable in the tab role, hosted inside the page area
// of the main-window double in this process, against the demo portal.
#include "THostTestKit.h"
#include "TMainDouble.h"
#include "mainwindow/RegistrationReply.h"
#include "protocol/Messages.h"
#include "protocol/THostProtocol.h"
#include "side/TCatalogue.h"
#include "store/TSettings.h"
#include "store/TUserData.h"
#include "support/TTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QPixmap>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace THostTestKit;

namespace {

const QString SnakeLocation = QStringLiteral("休闲游戏\\经典小游戏\\贪吃蛇\\");
const QString MinesLocation = QStringLiteral("休闲游戏\\扫雷\\");
const QString MemoryLocation = QStringLiteral("休闲游戏\\益智\\记忆\\翻牌配对\\");
const QString PopupLocation = QStringLiteral("网页游戏\\弹出窗口\\");

// The window-message layer keeps the owning process's id in the high half of a handle.
qint64 PidOf(HWND hwnd) {
    return qint64(hwnd >> 32);
}

// Keys typed into a window of another process, as a user would (focus, then key events).
bool TypeInto(HWND host, const QStringList &xdotoolArgs) {
    const quint64 native = Win::NativeWindowOf(host);
    if (native == 0)
        return false;
    QProcess focus;
    focus.start(QStringLiteral("xdotool"),
                {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(native)});
    if (!focus.waitForFinished(10000) || focus.exitCode() != 0)
        return false;
    QProcess keys;
    keys.start(QStringLiteral("xdotool"), xdotoolArgs);
    return keys.waitForFinished(10000) && keys.exitCode() == 0;
}

// Waits for a process to end while this process keeps serving its windows: a tab process
// may need the main window's answers on its way out.
bool WaitFinished(QProcess *process) {
    return QTest::qWaitFor([process]() { return process->state() == QProcess::NotRunning; }, 30000);
}

// The X windows directly below a window, as the X server sees them.
QList<quint64> NativeChildren(quint64 window) {
    QProcess info;
    info.start(QStringLiteral("xwininfo"),
               {QStringLiteral("-children"), QStringLiteral("-id"), QString::number(window)});
    info.waitForFinished(10000);
    QList<quint64> children;
    static const QRegularExpression child(QStringLiteral("^\\s+(0x[0-9a-f]+) "));
    for (const QString &line : QString::fromLocal8Bit(info.readAllStandardOutput()).split(u'\n')) {
        const auto m = child.match(line);
        if (m.hasMatch())
            children.append(m.captured(1).toULongLong(nullptr, 16));
    }
    return children;
}

} // namespace

class TestHostProcess : public QObject {
    Q_OBJECT

private:
    TestSupport::TPortalProcess FPortal;
    QTemporaryDir FDir;
    QString FExe;
    QString FBase;
    TMainDouble *FMain = nullptr;
    TCatalogue FCatalogue;
    TUserData FUserData;
    QList<QProcess *> FTabs;

    QProcess *StartTab(const QStringList &args) {
        auto *tab = new QProcess(this);
        tab->setProgram(FExe);
        tab->setArguments(args);
        tab->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tab->start();
        FTabs.append(tab);
        return tab;
    }
    QString PageArea() const { return QString::number(FMain->PageArea()); }

private slots:
    void initTestCase() {
        QVERIFY(FPortal.Start());
        FBase = FPortal.BaseUrl();
        FExe = TestSupport::MakeProgramDir(FDir);
        QVERIFY(QFile::exists(FExe));

        // The catalogue as the portal serves it, and an account for three games.
        const QString catalogue = FDir.path() + QStringLiteral("/games.xml");
        QFile file(catalogue);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Get(FBase + QStringLiteral("games.xml")));
        file.close();
        QVERIFY(FCatalogue.LoadCatalogue(catalogue));
        FUserData.EnsureStructure();
        FUserData.AppendAccount(SnakeLocation, QStringLiteral("玩家一"), QStringLiteral("贪吃蛇"),
                                QStringLiteral("蛇pw 1"), QStringLiteral("username"),
                                QStringLiteral("passwordpwd"));
        FUserData.AppendAccount(MinesLocation, QStringLiteral("miner"), QStringLiteral("扫雷"),
                                QStringLiteral("boom"));
        FUserData.AppendAccount(MemoryLocation, QStringLiteral("记忆者"),
                                QStringLiteral("翻牌配对"), QStringLiteral("m-pass"));

        FMain = new TMainDouble(QSize(900, 640));
        FMain->ReplyBuilder = [this](const QString &text) {
            return BuildRegistrationReply(text, FCatalogue, FUserData,
                                          QString::fromLatin1(DefaultPartnerId))
                .Reply;
        };
    }
    void cleanup() {
        for (QProcess *tab : std::as_const(FTabs)) {
            if (tab->state() != QProcess::NotRunning) {
                tab->kill();
                tab->waitForFinished(5000);
            }
            delete tab;
        }
        FTabs.clear();
        // Hosts of detached processes (duplicates) are closed through the protocol.
        for (const auto &r : std::as_const(FMain->Registrations))
            if (Win::IsWindow(r.Host))
                Win::PostMessage(r.Host, Win::WM_CLOSE, 0, 0);
        FMain->Registrations.clear();
        FMain->Copies.clear();
        FMain->CopySenders.clear();
        FMain->TitleOf.clear();
        FMain->Current = 0;
        Get(FBase + QStringLiteral("api/logins/clear"));
    }
    void cleanupTestCase() { delete FMain; }

    void urlTabLoadsInsidePageArea() {
        const QString url = FBase + QStringLiteral("games/snake/");
        QProcess *tab = StartTab({PageArea(), url});
        QTRY_COMPARE_WITH_TIMEOUT(FMain->Registrations.size(), 1, 30000);
        const TMainDouble::TRegistration r = FMain->Registrations[0];
        QCOMPARE(PidOf(r.Host), tab->processId());
        QCOMPARE(r.Text, url);
        QCOMPARE(r.Reply, url);
        QTRY_COMPARE_WITH_TIMEOUT(FMain->TitleOf.value(r.Host), QStringLiteral("贪吃蛇 - 登录"),
                                  30000);
        QTRY_COMPARE_WITH_TIMEOUT(Win::GetWindowText(FMain->AddressBox()), url, 10000);
        QCOMPARE(Win::GetParent(r.Host), FMain->PageArea());
        QCOMPARE(Win::GetClientRect(r.Host), Win::GetClientRect(FMain->PageArea()));
        QVERIFY(Win::IsWindowVisible(r.Host));

        // Its native window lives inside the page area's, across the process boundary.
        QVERIFY(NativeChildren(Win::NativeWindowOf(FMain->PageArea()))
                    .contains(Win::NativeWindowOf(r.Host)));

        // The page as the user sees it, inside the double's page area.
        QTest::qWait(1500);
        const QString folder = TestSupport::BuildDir() + QStringLiteral("/screenshots");
        QDir().mkpath(folder);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        QVERIFY(shot.save(folder + QStringLiteral("/tab_process.png")));

        // Closing its only host ends the tab process.
        Win::PostMessage(r.Host, Win::WM_CLOSE, 0, 0);
        QVERIFY(WaitFinished(tab));
        QCOMPARE(tab->exitStatus(), QProcess::NormalExit);
        QCOMPARE(tab->exitCode(), 0);
    }

    void storedAccountLogsIn_data() {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("origin");
        QTest::addColumn<QString>("userBox");
        QTest::addColumn<QString>("passwordBox");
        QTest::newRow("pair") << SnakeLocation << "玩家一"
                              << "蛇pw 1"
                              << "main"
                              << "username"
                              << "passwordpwd";
        QTest::newRow("frame of another origin") << MemoryLocation << "记忆者"
                                                 << "m-pass"
                                                 << "frame"
                                                 << "name"
                                                 << "secretsecret";
    }
    void storedAccountLogsIn() {
        QFETCH(QString, location);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, origin);
        QFETCH(QString, userBox);
        QFETCH(QString, passwordBox);
        StartTab({PageArea(), location, user});
        QTRY_COMPARE_WITH_TIMEOUT(FMain->Registrations.size(), 1, 30000);
        QCOMPARE(FMain->Registrations[0].Text, location + u'\n' + user);
        QTRY_COMPARE_WITH_TIMEOUT(Logins(FBase).size(), 1, 30000);
        const QJsonObject login = Logins(FBase).at(0).toObject();
        QCOMPARE(login.value("user").toString(), user);
        QCOMPARE(login.value("password").toString(), password);
        QCOMPARE(login.value("origin").toString(), origin);
        QVERIFY(login.value("ok").toBool());

        // The submission it made is captured and reported with the tab process's location.
        QTRY_COMPARE_WITH_TIMEOUT(FMain->Reports().size(), 1, 10000);
        QCOMPARE(FMain->CopySenders[0], FMain->Registrations[0].Host);
        TCaptureReport r;
        QVERIFY(THostProtocol::ParseCaptureReport(FMain->Reports()[0], r));
        QCOMPARE(r.Location, location);
        QCOMPARE(r.User, user);
        QCOMPARE(r.Password, password);
        QCOMPARE(r.Kind, QStringLiteral("0"));
        QCOMPARE(r.UserBox, userBox);
        QCOMPARE(r.PasswordBox, passwordBox);
    }

    void codeFormWaitsForTheUser() {
        StartTab({PageArea(), MinesLocation, QStringLiteral("miner")});
        QTRY_COMPARE_WITH_TIMEOUT(FMain->Registrations.size(), 1, 30000);
        const HWND host = FMain->Registrations[0].Host;
        QTRY_COMPARE_WITH_TIMEOUT(FMain->TitleOf.value(host), QStringLiteral("扫雷 - 登录"), 30000);
        // Give the fill timer its last turn after the page completed: nothing is submitted.
        QTest::qWait(1500);
        QCOMPARE(Logins(FBase).size(), 0);

        // The caret waits in the code box: the user types the code and presses Enter.
        QVERIFY(TypeInto(host, {QStringLiteral("type"), QStringLiteral("--delay"),
                                QStringLiteral("50"), QStringLiteral("2718")}));
        QVERIFY(TypeInto(host, {QStringLiteral("key"), QStringLiteral("Return")}));
        QTRY_COMPARE_WITH_TIMEOUT(Logins(FBase).size(), 1, 20000);
        const QJsonObject login = Logins(FBase).at(0).toObject();
        QCOMPARE(login.value("user").toString(), QStringLiteral("miner"));
        QCOMPARE(login.value("password").toString(), QStringLiteral("boom"));
        QCOMPARE(login.value("fields").toObject().value("vcode").toString(),
                 QStringLiteral("2718"));
        QVERIFY(login.value("ok").toBool());

        // The login was captured on its way out: seven lines, in order.
        QTRY_COMPARE_WITH_TIMEOUT(FMain->Reports().size(), 1, 10000);
        const QString text = FMain->Reports()[0];
        QCOMPARE(text.split(QStringLiteral("\r\n")),
                 QStringList({MinesLocation, QStringLiteral("miner"), QStringLiteral("boom"),
                              QStringLiteral("扫雷 - 登录"), QStringLiteral("0"),
                              QStringLiteral("account"), QStringLiteral("passwdloginpw")}));
    }

    void duplicateStartsAnotherProcess() {
        QProcess *tab = StartTab({PageArea(), SnakeLocation, QStringLiteral("玩家一")});
        QTRY_COMPARE_WITH_TIMEOUT(FMain->Registrations.size(), 1, 30000);
        Win::SendMessage(FMain->Registrations[0].Host, WM_HOSTDUPLICATE, 0, 0);
        QTRY_COMPARE_WITH_TIMEOUT(FMain->Registrations.size(), 2, 30000);
        const TMainDouble::TRegistration copy = FMain->Registrations[1];
        // Same game, no user: nothing to fill, capture armed.
        QCOMPARE(copy.Text, SnakeLocation);
        const TRegistrationReply reply = THostProtocol::ParseRegistrationReply(copy.Reply);
        QVERIFY(reply.IsLogin);
        QVERIFY(reply.Url.startsWith(FBase + QStringLiteral("games/snake/?pid=")));
        QVERIFY(reply.FillUser.isEmpty() && reply.FillPassword.isEmpty());
        QVERIFY(PidOf(copy.Host) != tab->processId());
        QVERIFY(PidOf(copy.Host) != QCoreApplication::applicationPid());
    }

    void popupStaysInItsProcess() {
        QProcess *tab = StartTab({PageArea(), PopupLocation});
        QTRY_COMPARE_WITH_TIMEOUT(FMain->Registrations.size(), 1, 30000);
        const HWND opener = FMain->Registrations[0].Host;
        QTRY_COMPARE_WITH_TIMEOUT(FMain->TitleOf.value(opener), QStringLiteral("弹出窗口测试"),
                                  30000);
        // Five links of the navigation bar, then the one that calls window.open.
        QVERIFY(
            TypeInto(opener, {QStringLiteral("key"), QStringLiteral("--delay"),
                              QStringLiteral("80"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                              QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                              QStringLiteral("Tab"), QStringLiteral("Return")}));
        QTRY_COMPARE_WITH_TIMEOUT(FMain->Registrations.size(), 2, 20000);
        const HWND popup = FMain->Registrations[1].Host;
        QCOMPARE(FMain->Registrations[1].Text, QString());
        QCOMPARE(PidOf(popup), tab->processId());
        QCOMPARE(Win::GetParent(popup), FMain->PageArea());

        // The process lives on while one of its hosts remains.
        Win::PostMessage(opener, Win::WM_CLOSE, 0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!Win::IsWindow(opener), 10000);
        QVERIFY(Win::IsWindow(popup));
        QCOMPARE(tab->state(), QProcess::Running);
        Win::PostMessage(popup, Win::WM_CLOSE, 0, 0);
        QVERIFY(WaitFinished(tab));
        QCOMPARE(tab->exitCode(), 0);
    }

    void destroyEndsEveryTabProcess() {
        QProcess *first = StartTab({PageArea(), FBase + QStringLiteral("games/2048/info.html")});
        QProcess *second = StartTab({PageArea(), FBase + QStringLiteral("mini/")});
        QTRY_COMPARE_WITH_TIMEOUT(FMain->Registrations.size(), 2, 30000);
        for (const auto &r : std::as_const(FMain->Registrations))
            Win::PostMessage(r.Host, Win::WM_DESTROY, 0, 0);
        QVERIFY(WaitFinished(first));
        QVERIFY(WaitFinished(second));
        QCOMPARE(first->exitCode(), 0);
        QCOMPARE(second->exitCode(), 0);
    }

    void killedMainWindowEndsTabProcess() {
        QProcess main;
        main.setProgram(QCoreApplication::applicationDirPath() +
                        QStringLiteral("/host_main_double"));
        main.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        main.start();
        QVERIFY(main.waitForStarted(10000));
        QByteArray out;
        QVERIFY(QTest::qWaitFor(
            [&]() {
                main.waitForReadyRead(100);
                out += main.readAllStandardOutput();
                return out.contains('\n');
            },
            30000));
        QVERIFY(out.startsWith("page-area "));
        const QString pageArea = QString::fromLatin1(out.mid(10).trimmed().split('\n').first());

        QProcess *tab = StartTab({pageArea, FBase + QStringLiteral("games/snake/info.html")});
        QVERIFY(QTest::qWaitFor(
            [&]() {
                main.waitForReadyRead(100);
                out += main.readAllStandardOutput();
                return out.contains("registered ");
            },
            30000));
        // It may register before this loop has heard that it started.
        QTRY_COMPARE_WITH_TIMEOUT(tab->state(), QProcess::Running, 5000);
        main.kill();
        QVERIFY(main.waitForFinished(10000));
        QVERIFY(WaitFinished(tab));
    }
};

int main(int argc, char *argv[]) {
    return THostTestKit::RunPageHostTests<TestHostProcess>(argc, argv);
}

#include "TestHostProcess.moc"
