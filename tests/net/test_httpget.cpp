// The fetch component against the demo portal's /fetch/ routes (tools/portal/fetch_routes.py).

#include "net/THTTPGet.h"
#include "platform/AnsiCodePage.h"
#include "support/TTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray Pattern(int n) // the body of /fetch/bytes
{
    QByteArray bytes(n, 0);
    for (int i = 0; i < n; ++i)
        bytes[i] = char((i * 131 + 7) & 0xFF);
    return bytes;
}

QByteArray ReadFile(const QString &name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString &name, const QByteArray &bytes) {
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Everything a component reports, in order.
struct TLog {
    QStringList Events; // "start", "progress", "file", "text", "error"
    QList<qint64> Readed;
    qint64 Total = 0;
    QByteArray Text;
    QString File;
    qint64 FileSize = -1;
    int Ends = 0;
    std::function<void(THTTPGet *)> AtProgress, AtEnd;

    void Attach(THTTPGet &get) {
        get.OnStartGet = [this](THTTPGet *, QNetworkReply *reply, bool &) {
            QVERIFY(reply);
            Events << "start";
        };
        get.OnProgress = [this](THTTPGet *sender, qint64 total, qint64 readed) {
            Events << "progress";
            Total = total;
            Readed << readed;
            if (AtProgress)
                AtProgress(sender);
        };
        get.OnDoneFile = [this](THTTPGet *sender, const QString &name, qint64 size) {
            Events << "file";
            File = name;
            FileSize = size;
            End(sender);
        };
        get.OnDoneString = [this](THTTPGet *sender, const QByteArray &text) {
            Events << "text";
            Text = text;
            End(sender);
        };
        get.OnError = [this](THTTPGet *sender) {
            Events << "error";
            End(sender);
        };
    }
    void End(THTTPGet *sender) {
        ++Ends;
        QVERIFY(sender->Busy()); // idle only after the handler
        if (AtEnd)
            AtEnd(sender);
    }
    QString Last() const { return Events.isEmpty() ? QString() : Events.last(); }
};

} // namespace

class TestHTTPGet : public QObject {
    Q_OBJECT

    TestSupport::TPortalProcess FPortal;
    QTemporaryDir FDir;

    QString Url(const QString &route) const { return FPortal.BaseUrl() + "fetch/" + route; }
    QString Target() const { return FDir.filePath("target.bin"); }

    // Runs one fetch to its end and returns its log.
    TLog Fetch(THTTPGet &get, bool file, const std::function<void(TLog &)> &setup = {}) {
        TLog log;
        log.Attach(get);
        if (setup)
            setup(log);
        file ? get.StartFileFetch() : get.StartTextFetch();
        if (!QTest::qWaitFor([&] { return log.Ends > 0 && !get.Busy(); }, 60000))
            log.Events << "timeout";
        return log;
    }

private slots:
    void initTestCase() { QVERIFY(FPortal.Start()); }
    void init() { QFile::remove(Target()); }

    void TextBodyComesInChunksWithProgress() {
        for (int n : {5000, 1024, 1}) {
            THTTPGet get;
            get.SetURL(Url("bytes?n=%1").arg(n));
            const TLog log = Fetch(get, false);
            QCOMPARE(log.Last(), "text");
            QCOMPARE(log.Events.first(), "start");
            QCOMPARE(log.Text, Pattern(n));
            QVERIFY(get.Succeeded());
            if (n == 5000) {
                QCOMPARE(log.Readed, (QList<qint64>{1025, 2050, 3075, 4100, 5000}));
                QCOMPARE(log.Total, 5000);
            } else {
                QVERIFY(log.Readed.isEmpty()); // no progress for 1024 bytes and less
            }
        }
        THTTPGet empty;
        empty.SetURL(Url("bytes?n=0"));
        QCOMPARE(Fetch(empty, false).Events, (QStringList{"start", "error"}));
        QVERIFY(!empty.Succeeded());
    }

    void AnswerWithoutContentLength() {
        THTTPGet get;
        get.SetFileName(Target());
        get.SetURL(Url("bytes?n=3000&nolength=1"));
        TLog log = Fetch(get, false);
        QCOMPARE(log.Events, (QStringList{"start", "text"}));
        QCOMPARE(log.Text, Pattern(3000));

        log = Fetch(get, true);
        QCOMPARE(log.Last(), "file");
        QCOMPARE(log.FileSize, 3000);
        QCOMPARE(ReadFile(Target()), Pattern(3000));

        get.SetBinaryData(true);
        QCOMPARE(Fetch(get, false).Events, (QStringList{"start", "error"}));
    }

    void SizeLimit() {
        WriteFile(Target(), "old");
        THTTPGet get;
        get.SetFileName(Target());
        get.SetURL(Url("bytes?n=10485761"));
        TLog log = Fetch(get, true);
        QCOMPARE(log.Events, (QStringList{"start", "error"})); // refused before the body
        QCOMPARE(ReadFile(Target()), QByteArray("old"));

        get.SetURL(Url("bytes?n=10485760"));
        log = Fetch(get, true);
        QCOMPARE(log.Last(), "file");
        QCOMPARE(log.File, Target());
        QCOMPARE(log.FileSize, 10485760);
        QCOMPARE(log.Readed.size(), (10485760 + 1024) / 1025);
        QCOMPARE(log.Readed.last(), 10485760);
        QCOMPARE(ReadFile(Target()), Pattern(10485760));

        // Without a length the body itself is held to the limit.
        get.SetMaxLength(1);
        get.SetURL(Url("bytes?n=1024&nolength=1"));
        QCOMPARE(Fetch(get, false).Last(), "text");
        get.SetURL(Url("bytes?n=1025&nolength=1"));
        QCOMPARE(Fetch(get, false).Last(), "error");
    }

    void RequestCarriesProperties() {
        THTTPGet get;
        get.SetURL(Url("echo"));
        TLog log = Fetch(get, false);
        QVERIFY(log.Text.startsWith("METHOD GET\n"));
        QVERIFY(log.Text.contains("\nHEADER user-agent: Halvoran HTTPGet\n"));
        QVERIFY(log.Text.contains("\nHEADER accept: */*\n"));
        QVERIFY(log.Text.contains("\nHEADER cache-control: no-cache\n"));
        QVERIFY(!log.Text.contains("content-type"));
        QVERIFY(log.Text.endsWith("\nBODY "));

        const QString query = QString::fromUtf8("name=\xe6\xb8\xb8\xe6\x88\x8f&x=1");
        get.SetPostQuery(query);
        get.SetAgent("Probe/2");
        get.SetAcceptTypes("text/plain");
        get.SetReferer("http://127.0.0.1/from");
        get.SetUseCache(true);
        log = Fetch(get, false);
        QVERIFY(log.Text.startsWith("METHOD POST\n"));
        QVERIFY(log.Text.contains("\nHEADER content-type: application/x-www-form-urlencoded\n"));
        QVERIFY(log.Text.contains("\nHEADER user-agent: Probe/2\n"));
        QVERIFY(log.Text.contains("\nHEADER accept: text/plain\n"));
        QVERIFY(log.Text.contains("\nHEADER referer: http://127.0.0.1/from\n"));
        QVERIFY(!log.Text.contains("no-cache"));
        QVERIFY(log.Text.endsWith("\nBODY " + AnsiFromUnicode(query)));
    }

    void FailuresEndInOnError_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("file");
        QTest::addColumn<bool>("abort");
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString refused = QString("http://127.0.0.1:%1/x").arg(closed.serverPort());
        closed.close();
        const QString host = QString("127.0.0.1:%1").arg(FPortal.Port());
        QTest::newRow("404 text") << Url("status?code=404") << false << false;
        QTest::newRow("500 file") << Url("status?code=500") << true << false;
        QTest::newRow("refused") << refused << false << false;
        QTest::newRow("no path") << host << false << false;
        QTest::newRow("other scheme") << "ftp://" + host + "/fetch/bytes?n=5" << false << false;
        QTest::newRow("tls to plain") << "https://" + host + "/fetch/bytes?n=5" << false << false;
        QTest::newRow("short text") << Url("truncated?n=5000&send=3000") << false << false;
        QTest::newRow("short file") << Url("truncated?n=5000&send=3000") << true << false;
        QTest::newRow("unwritable") << Url("bytes?n=5") << true << false;
        QTest::newRow("start abort") << Url("bytes?n=5000") << false << true;
    }
    void FailuresEndInOnError() {
        QFETCH(QString, url);
        QFETCH(bool, file);
        QFETCH(bool, abort);
        THTTPGet get;
        get.SetURL(url);
        get.SetFileName(QTest::currentDataTag() == QString("unwritable") ? FDir.filePath("no/x")
                                                                         : Target());
        TLog log = Fetch(get, file, [&](TLog &l) {
            if (abort)
                get.OnStartGet = [&](THTTPGet *, QNetworkReply *, bool &a) {
                    l.Events << "start";
                    a = true;
                };
        });
        QCOMPARE(log.Last(), "error");
        QCOMPARE(log.Ends, 1);
        QVERIFY(!QFile::exists(Target()));
        QCOMPARE(QDir(FDir.path()).entryList(QDir::Files), QStringList());
    }

    void RedirectPortAndCredentials() {
        THTTPGet get;
        get.SetURL(QString("127.0.0.1:%1/fetch/redirect?to=%2")
                       .arg(FPortal.Port())
                       .arg(QUrl::toPercentEncoding("/fetch/bytes?n=2000")));
        QCOMPARE(Fetch(get, false).Text, Pattern(2000));

        get.SetURL(Url("auth?user=ann&password=s3"));
        QCOMPARE(Fetch(get, false).Last(), "error");
        get.SetUserName("ann");
        get.SetPassword("s3");
        QCOMPARE(Fetch(get, false).Text, QByteArray("welcome ann"));
        get.SetPassword("wrong");
        QCOMPARE(Fetch(get, false).Last(), "error"); // nothing remembered from the last one
    }

    void BusyComponentIgnoresStarts() {
        QPointer<THTTPGet> get = new THTTPGet;
        get->SetURL(Url("bytes?n=4100&every=1025&ms=30"));
        TLog log;
        log.Attach(*get);
        log.AtEnd = [](THTTPGet *sender) {
            sender->StartTextFetch(); // ignored inside the handler
            sender->deleteLater();    // released once the handler has returned
        };
        get->StartTextFetch();
        get->SetURL("http://127.0.0.1:1/x"); // the running transfer keeps its own copy
        get->StartFileFetch();
        get->StartTextFetch();
        QTRY_VERIFY_WITH_TIMEOUT(get.isNull(), 30000);
        QCOMPARE(log.Events.first(), "start");
        QCOMPARE(log.Last(), "text");
        QCOMPARE(log.Text, Pattern(4100));
        QCOMPARE(log.Ends, 1);
    }

    void CancelAndPause() {
        WriteFile(Target(), "keep");
        THTTPGet get;
        get.SetFileName(Target());
        get.SetURL(Url("bytes?n=102500&every=2050&ms=20"));
        get.CancelFetch(); // idle: nothing happens
        TLog log = Fetch(get, true, [](TLog &l) {
            l.AtProgress = [](THTTPGet *sender) { sender->CancelFetch(); };
        });
        QCOMPARE(log.Events, (QStringList{"start", "progress", "error"}));
        QCOMPARE(ReadFile(Target()), QByteArray("keep")); // the old file survives a cancel
        QCOMPARE(QDir(FDir.path()).entryList(QDir::Files), QStringList{"target.bin"});

        // Paused in the first progress: nothing more until resumed, then nothing is lost.
        log = TLog();
        log.Attach(get);
        log.AtProgress = [](THTTPGet *sender) { sender->SetPaused(true); };
        get.StartTextFetch();
        QTRY_COMPARE(log.Events.size(), 2);
        QTest::qWait(500);
        QCOMPARE(log.Events.size(), 2);
        QVERIFY(get.Busy());
        log.AtProgress = nullptr;
        get.SetPaused(false);
        QTRY_COMPARE(log.Last(), "text");
        QCOMPARE(log.Text, Pattern(102500));
        QCOMPARE(log.Readed.size(), 100);

        // A cancel while paused still ends the transfer.
        log = TLog();
        log.Attach(get);
        get.SetPaused(true);
        get.StartTextFetch();
        QTest::qWait(200);
        QVERIFY(log.Events.isEmpty());
        get.CancelFetch();
        QTRY_COMPARE(log.Events, QStringList{"error"});
        QTRY_VERIFY(!get.Busy());
    }

    void WaitThreadReturnsAfterTheEnd() {
        THTTPGet get;
        TLog log;
        log.Attach(get);
        get.SetWaitThread(true);
        get.SetFileName(Target());
        get.SetURL(Url("bytes?n=3000&every=1000&ms=20"));
        get.StartFileFetch();
        QCOMPARE(log.Last(), "file");
        QVERIFY(!get.Busy());
        QCOMPARE(ReadFile(Target()), Pattern(3000));
    }
};

QTEST_GUILESS_MAIN(TestHTTPGet)
#include "test_httpget.moc"
