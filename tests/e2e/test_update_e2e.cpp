// The real executable against the demo portal, through the X server: the first start of a day
// reports, stores "update.ini" and refreshes the catalogue; the notification pane opens once per
// new Last-Modified value and slides as its page says; a game tab whose process is killed shows
// its notice, whose button brings the game back; a newer program is offered, downloaded with a
// moving bar, installed when the window closes, and started again.
//
// With LUDORA_SHOTS set to a folder, screenshots of the pane, the notice and the download window
// are saved there.

#include "support/TTestSupport.h"

#include "core/TProgram.h"
#include "platform/WinMessages.h"
#include "protocol/Messages.h"
#include "store/ScrambleText.h"
#include "store/TIniFile.h"
#include "store/TSettings.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <zip.h>

using TestSupport::ScreenRect;

class TestUpdateE2E : public QObject {
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

    static void Shot(const QString &name) {
        const QString dir = qEnvironmentVariable("LUDORA_SHOTS");
        if (!dir.isEmpty())
            QProcess::execute("import", {"-window", "root", dir + "/" + name + ".png"});
    }

    static QString VisibleTip() {
        QProcess search;
        search.start("xdotool", {"search", "--onlyvisible", "--name", "^提示$"});
        search.waitForFinished(5000);
        return QString::fromLatin1(search.readAllStandardOutput()).section('\n', 0, 0);
    }

    // Answers the next message box: Return is "是", Escape closes it as "否". A key that comes
    // before the box can take it is sent again.
    static bool AnswerTip(bool yes) {
        QString id;
        if (!QTest::qWaitFor([&]() { return !(id = VisibleTip()).isEmpty(); }, 30000))
            return false;
        for (int attempt = 0; attempt < 10; ++attempt) {
            QProcess::execute("xdotool", {"windowfocus", "--sync", id});
            // Through the keyboard: a key sent to the window itself may reach the next box too.
            QProcess::execute("xdotool", {"key", yes ? "Return" : "Escape"});
            if (QTest::qWaitFor([&]() { return VisibleTip() != id; }, 2000))
                return true;
        }
        return false;
    }

    void StartMain(const QString &noticeSteps, const QString &pauseInstallAt = QString()) {
        if (FMain.state() != QProcess::NotRunning) { // left by a failed case
            FMain.kill();
            FMain.waitForFinished();
        }
        FPortal.Get("api/notice/steps?steps=" + noticeSteps);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LUDORA_NOTICE_INTERVALS", "1000,1500");
        if (!pauseInstallAt.isEmpty())
            env.insert("LUDORA_TEST_PAUSE_INSTALL_AT", pauseInstallAt);
        TestSupport::TMainHandles h;
        QString line;
        QVERIFY2(TestSupport::StartMainProcess(FMain, FExe, h, env, &line), qPrintable(line));
        FMainWindow = h.MainWindow;
        FPageArea = h.PageArea;
        FTabBar = h.TabBar;
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 1, 20000);
    }

    // The mini home window of a day's first start, moved off the main window.
    static void MoveMiniHomeAway() {
        const bool moved = QTest::qWaitFor(
            []() {
                QProcess search;
                search.start("xdotool", {"search", "--onlyvisible", "--name", "^迷你首页$"});
                search.waitForFinished(5000);
                const QString id =
                    QString::fromLatin1(search.readAllStandardOutput()).section('\n', 0, 0);
                if (id.isEmpty())
                    return false;
                QProcess::execute("xdotool", {"windowmove", id, "1250", "0"});
                return true;
            },
            20000);
        if (!moved)
            qInfo("no mini home window was shown");
    }

    void CloseMain() {
        Win::PostMessage(FMainWindow, Win::WM_CLOSE);
        QVERIFY(FMain.waitForFinished(30000));
        QCOMPARE(FMain.exitCode(), 0);
    }

    // "<opens> <offset> <slide> <sliding>" of the pane.
    QList<int> Pane() const {
        const HWND pane = Win::FindWindow("TNoticePane");
        QList<int> v;
        for (const QString &s : Win::GetWindowText(pane).split(' '))
            v << s.toInt();
        return v.size() == 4 ? v : QList<int>{-1, -1, -1, -1};
    }

    static bool MakeArchive(const QString &path, const QString &exe) {
        int error = 0;
        zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!z)
            return false;
        static const QByteArray notes("notes of the new version\r\n");
        zip_source_t *n = zip_source_buffer(z, notes.constData(), zip_uint64_t(notes.size()), 0);
        zip_file_add(z, "extras/notes.txt", n, ZIP_FL_ENC_UTF_8);
        zip_source_t *e = zip_source_file(z, QFile::encodeName(exe).constData(), 0, -1);
        const zip_int64_t i = zip_file_add(z, "ludora", e, ZIP_FL_ENC_UTF_8);
        if (i < 0)
            return false;
        zip_set_file_compression(z, zip_uint64_t(i), ZIP_CM_DEFLATE, 1);
        return zip_close(z) == 0;
    }

    // data/file000.txt ... holding "new <n>", the program among them at exeAt.
    static bool MakeDataArchive(const QString &path, const QString &exe, int files, int exeAt) {
        int error = 0;
        zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!z)
            return false;
        QList<QByteArray> texts;
        for (int i = 0; i < files; ++i)
            texts << "new " + QByteArray::number(i);
        for (int i = 0; i < files; ++i) {
            if (i == exeAt) {
                zip_source_t *e = zip_source_file(z, QFile::encodeName(exe).constData(), 0, -1);
                if (zip_file_add(z, "ludora", e, ZIP_FL_ENC_UTF_8) < 0)
                    return false;
            }
            zip_source_t *t =
                zip_source_buffer(z, texts.at(i).constData(), zip_uint64_t(texts.at(i).size()), 0);
            if (zip_file_add(z, DataFile(i).toUtf8().constData(), t, ZIP_FL_ENC_UTF_8) < 0)
                return false;
        }
        return zip_close(z) == 0;
    }

    static void Write(const QString &path, const QByteArray &data) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    }

    static QString DataFile(int i) { return QString("data/file%1.txt").arg(i, 3, 10, QChar('0')); }

    // "<new> <old> <other>": how many data files hold the new text, the old text, anything else.
    QString DataState(int files) const {
        int fresh = 0, old = 0, other = 0;
        for (int i = 0; i < files; ++i) {
            QFile f(FDir.filePath(DataFile(i)));
            const QByteArray text = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
            (text == "new " + QByteArray::number(i)   ? fresh
             : text == "old " + QByteArray::number(i) ? old
                                                      : other)++;
        }
        return QString("%1 %2 %3").arg(fresh).arg(old).arg(other);
    }

    // The restarted program (not our child) closed through its window.
    static bool CloseRestarted() {
        const HWND main = Win::FindWindow(QString::fromLatin1(MainWindowClassName));
        if (main == 0)
            return false;
        Win::PostMessage(main, Win::WM_CLOSE);
        return QTest::qWaitFor(
            []() { return Win::FindWindow(QString::fromLatin1(MainWindowClassName)) == 0; }, 30000);
    }

private slots:
    void initTestCase() {
        TestSupport::UsePrivateRuntimeDir(FDir);
        QVERIFY(Win::Initialize());
        QVERIFY(FPortal.Start());
        FExe = TestSupport::MakeProgramDir(FDir);
        FIni = FDir.path() + "/ludora.ini";
        FPortal.WriteProgramSettings(FIni, false);
        QFile games(FDir.path() + "/games.xml");
        QVERIFY(games.open(QIODevice::WriteOnly));
        games.write(FPortal.Get("games.xml"));
    }

    void cleanupTestCase() {
        if (FMain.state() != QProcess::NotRunning) {
            // Closed first, so that its tab and engine processes end with it.
            Win::PostMessage(FMainWindow, Win::WM_CLOSE);
            if (!FMain.waitForFinished(15000))
                FMain.kill();
            FMain.waitForFinished();
        }
        // A restarted program is not our child: closed through its window.
        if (const HWND main = Win::FindWindow(QString::fromLatin1(MainWindowClassName)))
            Win::PostMessage(main, Win::WM_CLOSE);
        Win::Finalize();
    }

    // First start: report type 1, "update.ini", the newer catalogue; the pane; a dead game tab.
    void firstStartPaneAndDeadTab() {
        FPortal.Get("api/update?main_version=0&game_version=2099.1");
        StartMain("300:2,3000:3");

        QTRY_COMPARE_WITH_TIMEOUT(QJsonDocument::fromJson(FPortal.Get("api/stats")).array().size(),
                                  1, 20000);
        const QJsonObject report =
            QJsonDocument::fromJson(FPortal.Get("api/stats")).array().at(0).toObject();
        QCOMPARE(report.value("t").toString(), QString("1"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(FDir.path() + "/update.ini"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&]() {
                QFile f(FDir.path() + "/games.xml");
                return f.open(QIODevice::ReadOnly) &&
                       ScrambleText(f.readAll()).contains("version=\"2099.1\"");
            }(),
            20000);
        QCOMPARE(TSettings(FIni).ReadDate(TKey::LastRun), QDate::currentDate());

        // The pane opens, slides up, and slides down to its strip as the page says.
        // Up as high as its notice (at most 160 px) and 5 px more.
        QTRY_VERIFY_WITH_TIMEOUT(
            Pane().value(0) == 1 && Pane().value(3) == 0 &&
                Pane().value(1) ==
                    ScreenRect(Win::NativeWindowOf(Win::FindWindow("TNoticePane"))).height() + 5,
            20000);
        const QRect area = ScreenRect(Win::NativeWindowOf(FPageArea));
        const QRect pane = ScreenRect(Win::NativeWindowOf(Win::FindWindow("TNoticePane")));
        // In the frame's bottom right corner: 20 px from its right edge, 5 px above its bottom.
        QVERIFY2(qAbs(pane.right() - (area.right() - 20)) <= 4 &&
                     qAbs(pane.bottom() - (area.bottom() - 5)) <= 6,
                 qPrintable(QString("pane %1,%2 page area %3,%4")
                                .arg(pane.right())
                                .arg(pane.bottom())
                                .arg(area.right())
                                .arg(area.bottom())));
        Shot("pane-up");
        QTRY_COMPARE_WITH_TIMEOUT(Pane().mid(0, 2), (QList<int>{1, 28}), 20000);
        Shot("pane-strip");
        // Checks with an unchanged Last-Modified do not open it again; a new value does.
        QTest::qWait(3500);
        QCOMPARE(Pane().value(0), 1);
        FPortal.Get("api/notice/touch");
        QTRY_COMPARE_WITH_TIMEOUT(Pane().value(0), 2, 20000);

        // A game tab whose process is killed keeps its tab and shows the notice.
        MoveMiniHomeAway();
        QProcess tab;
        tab.start(FExe, {QString::number(FPageArea), "休闲游戏\\经典小游戏\\贪吃蛇\\", "abc"});
        QVERIFY(tab.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(TabLines().size(), 2, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(TabLines().value(1) != "*[abc]正在打开...", 20000);
        const QString title = TabLines().value(1);
        const HWND dead = HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryCurrentTab));
        tab.kill();
        QVERIFY(tab.waitForFinished(10000));
        const HWND notice = Win::FindWindow("TDeadTabNotice");
        QVERIFY(notice != 0);
        QTRY_VERIFY_WITH_TIMEOUT(Win::IsWindowVisible(notice), 5000);
        QVERIFY(Win::GetWindowText(notice).startsWith("游戏已停止运行"));
        QCOMPARE(TabLines().value(1), title);
        Shot("dead-tab");

        // Its button starts the game again in the dead tab's place.
        const QStringList b = Win::GetWindowText(notice).section('\n', 1, 1).split(' ');
        const QRect at = ScreenRect(Win::NativeWindowOf(notice));
        const QPoint click(at.left() + b.value(0).toInt() + b.value(2).toInt() / 2,
                           at.top() + b.value(1).toInt() + b.value(3).toInt() / 2);
        QProcess::execute("xdotool", {"mousemove", QString::number(click.x()),
                                      QString::number(click.y()), "click", "1"});
        QTRY_VERIFY_WITH_TIMEOUT(!Win::IsWindowVisible(notice), 20000);
        QCOMPARE(TabLines().size(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(TabLines().value(1).startsWith("*[abc]") &&
                                     TabLines().value(1) != "*[abc]正在打开...",
                                 30000);
        const HWND again =
            HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryCurrentTab));
        QVERIFY(again != dead && Win::IsWindow(again));
        QVERIFY(Win::IsWindowVisible(again));

        CloseMain();
    }

    // A later day: type 2; a newer program is offered, downloaded, installed at exit, restarted.
    void newerProgramInstalledAndRestarted() {
        {
            TSettings settings(FIni);
            settings.WriteDate(TKey::LastRun, QDate::currentDate().addDays(-1));
        }
        const QString archive = FDir.path() + "/served-update.zip";
        QVERIFY(MakeArchive(archive, FExe));
        const qint64 size = QFileInfo(archive).size();
        // About four seconds of download, so the bar is seen moving.
        FPortal.Get(QString("api/update/archive?file=%1&rate=%2").arg(archive).arg(size / 4));
        FPortal.Get("api/update?main_version=2&game_version=2099.1");
        FPortal.Get("api/stats/clear");
        StartMain("300:2");

        QVERIFY(AnswerTip(true)); // "新版本经已发布，是否现在更新？"
        QTRY_VERIFY_WITH_TIMEOUT(Win::FindWindow("TfrmUpdate") != 0, 20000);
        const HWND download = Win::FindWindow("TfrmUpdate");
        QTRY_VERIFY_WITH_TIMEOUT(Win::GetWindowText(download).toInt() > 60, 20000);
        Shot("download");
        QCOMPARE(QJsonDocument::fromJson(FPortal.Get("api/stats"))
                     .array()
                     .at(0)
                     .toObject()
                     .value("t")
                     .toString(),
                 QString("2"));

        const QDateTime before = QFileInfo(FExe).lastModified();
        QVERIFY(AnswerTip(true)); // "下载完成！是否现在更新？"
        QVERIFY(FMain.waitForFinished(60000));
        QCOMPARE(FMain.exitCode(), 0);
        QVERIFY(QFile::exists(FDir.path() + "/ludora.bak"));
        QVERIFY(QFile::exists(FDir.path() + "/extras/notes.txt"));
        QVERIFY(!QFile::exists(FDir.path() + "/update.dat"));
        QVERIFY(QFileInfo(FExe).isExecutable());
        QVERIFY(QFileInfo(FExe).lastModified() >= before);

        // The updated program starts again by itself.
        QTRY_VERIFY_WITH_TIMEOUT(Win::FindWindow(QString::fromLatin1(MainWindowClassName)) != 0,
                                 30000);
        const HWND restarted = Win::FindWindow(QString::fromLatin1(MainWindowClassName));
        QVERIFY(restarted != FMainWindow);
        // Fully up (its start page is a tab) before it is asked to close.
        QTRY_VERIFY_WITH_TIMEOUT(
            Win::SendMessage(restarted, WM_HOSTQUERY, 0, HostQueryCurrentTab) != 0, 30000);
        Win::PostMessage(restarted, Win::WM_CLOSE);
        QTRY_VERIFY_WITH_TIMEOUT(Win::FindWindow(QString::fromLatin1(MainWindowClassName)) == 0,
                                 30000);
    }

    // A report server that never answers, and one whose catalogue is nested 200,000 folders
    // deep: the window closes and the process ends all the same, long before the report's own
    // 30 s time-out, and the catalogue the player had stays.
    void closingNeverWaitsForAServer() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const QString base = QString("http://127.0.0.1:%1/").arg(server.serverPort());
        bool deep = false;
        int reports = 0;
        int served = 0;
        const QByteArray catalogue =
            "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<games version=\"2099.9\">" +
            QByteArray("<folder>").repeated(200000);
        const QByteArray description = "[Game]\r\nVersion=2099.9\r\nDownload=" + base.toUtf8() +
                                       "deep.xml\r\n[Main]\r\nVersion=0\r\n";
        auto answer = [](QTcpSocket *s, const QByteArray &body) {
            s->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n"
                     "Content-Length: " +
                     QByteArray::number(body.size()) + "\r\n\r\n" + body);
            s->disconnectFromHost();
        };
        connect(&server, &QTcpServer::newConnection, this, [&]() {
            while (QTcpSocket *s = server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [&, s]() {
                    s->setProperty("request", s->property("request").toByteArray() + s->readAll());
                    const QByteArray request = s->property("request").toByteArray();
                    if (!request.contains("\r\n\r\n") || s->property("seen").toBool())
                        return;
                    s->setProperty("seen", true);
                    if (request.startsWith("GET /s.php")) {
                        ++reports;
                        if (deep)
                            answer(s, description);
                    } else if (request.startsWith("GET /deep.xml")) {
                        connect(s, &QTcpSocket::disconnected, s, [&served]() { ++served; });
                        answer(s, catalogue);
                    }
                });
            }
        });
        const QString statsBefore = TIniFile(FIni).ReadString("Portal", "Stats", QString());
        TIniFile(FIni).WriteString("Portal", "Stats", base + "s.php");
        QFile games(FDir.path() + "/games.xml");
        QVERIFY(games.open(QIODevice::ReadOnly));
        const QByteArray gamesBefore = games.readAll();
        games.close();

        for (const bool deepCatalogue : {false, true}) {
            deep = deepCatalogue;
            reports = served = 0;
            TSettings(FIni).WriteDate(TKey::LastRun, QDate::currentDate().addDays(-1));
            StartMain("300:2");
            if (deep)
                QTRY_COMPARE_WITH_TIMEOUT(served, 1, 30000);
            else
                QTRY_COMPARE_WITH_TIMEOUT(reports, 1, 30000);
            QElapsedTimer clock;
            clock.start();
            Win::PostMessage(FMainWindow, Win::WM_CLOSE);
            QVERIFY(FMain.waitForFinished(15000));
            qInfo("%s: the process ended %lld ms after the close",
                  deep ? "deep catalogue" : "silent report server", clock.elapsed());
            QCOMPARE(FMain.exitStatus(), QProcess::NormalExit);
            QCOMPARE(FMain.exitCode(), 0);
        }
        QVERIFY(games.open(QIODevice::ReadOnly));
        QCOMPARE(games.readAll(), gamesBefore);
        TIniFile(FIni).WriteString("Portal", "Stats", statsBefore);
    }

    // The real program killed (SIGKILL) while it installs an update of 200 files, before the
    // first move, after its executable was moved, and after the last move: the next start
    // finds the whole old or the whole new program, starts it, and says what happened.
    void killDuringInstallLeavesAWholeProgram() {
        const int files = 200;
        const int exeAt = 100;
        const QString archive = FDir.path() + "/served-data-update.zip";
        QVERIFY(MakeDataArchive(archive, FExe, files, exeAt));
        FPortal.Get(QString("api/update/archive?file=%1&rate=%2")
                        .arg(archive)
                        .arg(QFileInfo(archive).size() * 5));
        FPortal.Get("api/update?main_version=2&game_version=2099.1");
        struct TPoint {
            int Step;
            bool New; // whether the next start finds the new program
        };
        for (const TPoint point :
             {TPoint{0, false}, TPoint{exeAt + 2, true}, TPoint{files + 2, true}}) {
            for (int i = 0; i < files; ++i) {
                QFile::remove(FDir.filePath(DataFile(i)));
                Write(FDir.filePath(DataFile(i)), "old " + QByteArray::number(i));
            }
            TSettings(FIni).WriteDate(TKey::LastRun, QDate::currentDate().addDays(-1));
            StartMain("300:2", QString::number(point.Step));
            QVERIFY(AnswerTip(true)); // "新版本经已发布，是否现在更新？"
            QVERIFY(AnswerTip(true)); // "下载完成！是否现在更新？"
            QByteArray said;
            QVERIFY(QTest::qWaitFor(
                [&]() {
                    FMain.waitForReadyRead(50);
                    said += FMain.readAllStandardOutput();
                    return said.contains("install-paused " + QByteArray::number(point.Step));
                },
                60000));
            FMain.kill();
            QVERIFY(FMain.waitForFinished(10000));
            const QDir dir(FDir.path());
            qInfo(
                "killed before step %d: data new/old/other %s, .bak %lld, journal %d, staged %lld",
                point.Step, qPrintable(DataState(files)),
                qlonglong(QDir(FDir.filePath("data")).entryList({"*.bak"}).size()),
                int(dir.exists(".update-journal")),
                qlonglong(
                    QDir(FDir.filePath(".update-staging/data")).entryList(QDir::Files).size()));

            // The next start puts the folder right, starts the program again and ends.
            QProcess next;
            // The restarted program writes where this one does, never into a closed pipe.
            next.setProcessChannelMode(QProcess::ForwardedChannels);
            next.start(FExe, {});
            QVERIFY(next.waitForFinished(60000));
            QCOMPARE(next.exitCode(), 0);
            QCOMPARE(DataState(files),
                     point.New ? QString("%1 0 0").arg(files) : QString("0 %1 0").arg(files));
            QVERIFY(QFileInfo(FExe).isExecutable());
            QVERIFY(!dir.exists(".update-journal"));
            QVERIFY(!dir.exists(".update-staging"));
            QVERIFY(!QFile::exists(FExe + "_"));
            // The restarted program tells the player, once its window is up.
            QTRY_VERIFY_WITH_TIMEOUT(Win::FindWindow(QString::fromLatin1(MainWindowClassName)) != 0,
                                     30000);
            QVERIFY(AnswerTip(true));
            QVERIFY(CloseRestarted());
        }
    }
};

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    TestUpdateE2E test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_update_e2e.moc"
