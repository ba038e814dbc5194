// The program entry, run as the real executable from a temporary program folder, with this test
// process as a main-window double where a running main window matters.
#include "core/TCompanion.h"
#include "core/TProgram.h"
#include "platform/WinMessages.h"
#include "store/ScrambleText.h"
#include "support/TTestSupport.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

struct TRun {
    int exitCode = -1;
    QString errors;
};

QByteArray ReadAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Get(const QString &url) {
    return TestSupport::HttpGet(url);
}

bool WriteAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestProgramEntry : public QObject {
    Q_OBJECT

private:
    QTemporaryDir FRuntime;
    HWND FDouble = 0;
    int FProbes = 0;
    LRESULT FProbeAnswer = MainProbeAnswer;

    // Runs the executable and keeps this process's windows served meanwhile, as a running main
    // window would be.
    TRun Run(const QString &exe, const QStringList &args) {
        QProcess process;
        process.start(exe, args);
        TRun run;
        if (!process.waitForStarted(10000))
            return run;
        QEventLoop loop;
        connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit); // a hung program fails the test
        if (process.state() != QProcess::NotRunning)
            loop.exec();
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.errors = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }

private slots:
    void initTestCase() {
        QVERIFY(FRuntime.isValid());
        TestSupport::UsePrivateRuntimeDir(FRuntime);
        QVERIFY(Win::Initialize());
        QWidget *none = nullptr;
        FDouble = Win::RegisterWindow(none, MainWindowClassName, [this](const Win::TMessage &m) {
            if (m.msg != WM_MAINPROBE)
                return LRESULT(0);
            ++FProbes;
            return FProbeAnswer;
        });
        QVERIFY(FDouble != 0);
    }

    void cleanupTestCase() { Win::Finalize(); }

    void init() {
        FProbes = 0;
        FProbeAnswer = MainProbeAnswer;
    }

    void encryptSwitchScramblesInPlace() {
        QTemporaryDir dir;
        const QString exe = TestSupport::MakeProgramDir(dir);
        const QString file = dir.path() + "/games.xml";
        const QByteArray plain("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<games>\xd3\xce\xcf\xb7"
                               "</games>\0tail",
                               52);
        QVERIFY(WriteAll(file, plain));

        TRun run = Run(exe, {"/EnCrYpT", file});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(ReadAll(file), ScrambleText(plain));
        QVERIFY(ReadAll(file) != plain);
        run = Run(exe, {"/EnCrYpT", file});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(ReadAll(file), plain);
        QCOMPARE(FProbes, 0); // a one-shot form never looks for a main window

        // A missing file is reported and nothing is created.
        const QString missing = dir.path() + "/nothing.xml";
        run = Run(exe, {"/EnCrYpT", missing});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.contains(missing), qPrintable(run.errors));
        QVERIFY(!QFileInfo::exists(missing));
    }

    void encryptNeedsExactlyTwoArguments() {
        QTemporaryDir dir;
        const QString exe = TestSupport::MakeProgramDir(dir);
        const QString file = dir.path() + "/plain.txt";
        QVERIFY(WriteAll(file, "plain text"));
        // Not the switch: the process goes on to the role decision, finds the main window and
        // ends in the tab role, whose first argument is no window handle.
        for (const QStringList &args : {QStringList{"/EnCrYpT"}, QStringList{"/EnCrYpT", file, "x"},
                                        QStringList{"/encrypt", file}}) {
            FProbes = 0;
            const TRun run = Run(exe, args);
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(FProbes, 1);
            QCOMPARE(ReadAll(file), QByteArray("plain text"));
        }
    }

    void uninstallTakesAnyFurtherArguments() {
        TestSupport::TPortalProcess portal;
        QVERIFY(portal.Start());
        QTemporaryDir dir;
        const QString exe = TestSupport::MakeProgramDir(dir);
        QVERIFY(WriteAll(dir.path() + "/ludora.ini",
                         ("[Portal]\r\nStats=" + portal.BaseUrl() + "s.php\r\n").toLatin1()));
        QVERIFY(WriteAll(exe + "_", "#!/bin/sh\n"));
        const TRun run = Run(exe, {"/uninstall", "/EnCrYpT", "x"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(FProbes, 0);
        // It comes before the update swap.
        QVERIFY(QFileInfo::exists(exe + "_"));
        QVERIFY(!QFileInfo::exists(exe + ".bak"));
        // The portal got the uninstall report (type 3).
        const QJsonArray stats =
            QJsonDocument::fromJson(Get(portal.BaseUrl() + "api/stats")).array();
        QCOMPARE(stats.size(), 1);
        QCOMPARE(stats.at(0).toObject().value("t").toString(), QString("3"));
    }

    void pendingUpdateIsSwappedIn() {
        QTemporaryDir dir;
        const QString exe = TestSupport::MakeProgramDir(dir);
        const qint64 size = QFileInfo(exe).size();
        QVERIFY(WriteAll(exe + ".bak", "an older executable"));
        // The update as the installer writes it: a plain file, not marked executable.
        const QByteArray update = "#!/bin/sh\necho \"$0 $#\" > \"$(dirname \"$0\")/restarted\"\n";
        QVERIFY(WriteAll(exe + "_", update));

        const TRun run = Run(exe, {"some", "arguments"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(FProbes, 0);
        QVERIFY(!QFileInfo::exists(exe + "_"));
        QCOMPARE(QFileInfo(exe + ".bak").size(), size);
        QCOMPARE(ReadAll(exe), update);
        // The new executable was started, without arguments.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(dir.path() + "/restarted"), 20000);
        QTRY_COMPARE(ReadAll(dir.path() + "/restarted"), (exe + " 0\n").toLocal8Bit());
    }

    void tabRoleEndsAtOnceWithoutAParent() {
        QTemporaryDir dir;
        const QString exe = TestSupport::MakeProgramDir(dir);
        for (const QString &arg : {QStringLiteral("0"), QStringLiteral("/corvale=5")}) {
            FProbes = 0;
            const TRun run = Run(exe, {arg});
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(FProbes, 1);
        }
    }

    void parsesHandlesAndCompanionArguments() {
        QCOMPARE(TProgram::ParseHandle("123456789012"), HWND(123456789012));
        QCOMPARE(TProgram::ParseHandle(""), HWND(0));
        QCOMPARE(TProgram::ParseHandle("12a"), HWND(0));
        QCOMPARE(TProgram::ParseHandle("-5"), HWND(0));
        QCOMPARE(TCompanion::FromArguments({"/corvale=5"}), HWND(5));
        QCOMPARE(TCompanion::FromArguments({"/corvale="}), HWND(0));
        QCOMPARE(TCompanion::FromArguments({"/corvale=x"}), HWND(0));
        QCOMPARE(TCompanion::FromArguments({"x", "/corvale=5"}), HWND(0));
        QCOMPARE(TCompanion::FromArguments({}), HWND(0));
    }

    void companionHandshake() {
        QList<QPair<WPARAM, LPARAM>> toCompanion;
        QList<LPARAM> trayCalls;
        const HWND companion = Win::RegisterWindow(nullptr, QString(), [&](const Win::TMessage &m) {
            if (m.msg == WM_COMPANION)
                toCompanion.append({m.wParam, m.lParam});
            return LRESULT(0);
        });
        const HWND main = Win::RegisterWindow(nullptr, QString(), [&](const Win::TMessage &m) {
            if (m.msg == WM_TRAYICON && !m.sent)
                trayCalls.append(m.lParam);
            return LRESULT(0);
        });

        TCompanion c(TCompanion::FromArguments({QString("/corvale=%1").arg(companion)}));
        QCOMPARE(c.Handle(), companion);
        c.MainWindowCreated(main);
        QCOMPARE(toCompanion.size(), 1);
        QCOMPARE(toCompanion.at(0), qMakePair(SC_MINIMIZE, LPARAM(main)));

        // The companion asks for the main window: it minimises the companion it holds (not the
        // window named in lParam) and restores itself.
        QCOMPARE(c.Receive(main, 999), LRESULT(1));
        QTRY_COMPARE(trayCalls.size(), 1);
        QCOMPARE(trayCalls.at(0), TrayLeftDoubleClick);
        QTRY_COMPARE(toCompanion.size(), 2);
        QCOMPARE(toCompanion.at(1), qMakePair(SC_MINIMIZE, LPARAM(main)));

        QVERIFY(c.BackToCompanion());
        QTRY_COMPARE(toCompanion.size(), 3);
        QCOMPARE(toCompanion.at(2), qMakePair(SC_RESTORE, LPARAM(0)));

        // lParam 0: the companion has gone away; nothing more is sent to it.
        QCOMPARE(c.Receive(main, 0), LRESULT(1));
        QCOMPARE(c.Handle(), HWND(0));
        QVERIFY(!c.BackToCompanion());
        c.MainWindowDestroyed();
        QTRY_COMPARE(trayCalls.size(), 2);
        QCOMPARE(toCompanion.size(), 3);
        Win::UnregisterWindow(companion);
        Win::UnregisterWindow(main);
    }
};

QTEST_MAIN(TestProgramEntry)
#include "TestProgramEntry.moc"
