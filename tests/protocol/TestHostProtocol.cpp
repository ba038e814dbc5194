// The texts and numbers of the page host protocol.
#include "protocol/THostProtocol.h"

#include <QTest>

class TestHostProtocol : public QObject {
    Q_OBJECT

private slots:
    void splitLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("one") << "a" << QStringList{"a"};
        QTest::newRow("final break adds nothing") << "a\n" << QStringList{"a"};
        QTest::newRow("all three breaks") << "a\r\nb\rc\nd" << QStringList{"a", "b", "c", "d"};
        QTest::newRow("empty lines count") << "\n\n" << QStringList{"", ""};
        QTest::newRow("CR CR is two breaks") << "a\r\rb" << QStringList{"a", "", "b"};
    }
    void splitLines() {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(THostProtocol::SplitLines(text), lines);
    }

    void registrationReply() {
        // A game without a user: six lines, the last four empty, still a login reply.
        TRegistrationReply r =
            THostProtocol::ParseRegistrationReply("http://g/?pid=p\nvcode\n\n\n\n\n");
        QVERIFY(r.IsLogin);
        QCOMPARE(r.Url, QStringLiteral("http://g/?pid=p"));
        QCOMPARE(r.Check, QStringLiteral("vcode"));
        QVERIFY(r.FillUser.isEmpty() && r.FillPassword.isEmpty());

        r = THostProtocol::ParseRegistrationReply("u\r\n\r\nme\r\npw\r\nub\r\npb");
        QVERIFY(r.IsLogin);
        QCOMPARE(r.FillUser, QStringLiteral("me"));
        QCOMPARE(r.FillPassword, QStringLiteral("pw"));
        QCOMPARE(r.UserBox, QStringLiteral("ub"));
        QCOMPARE(r.PasswordBox, QStringLiteral("pb"));

        // One line is a URL; any other count is a broken reply (it may hold a stored password)
        // and never a URL.
        r = THostProtocol::ParseRegistrationReply(QStringLiteral("http://x/"));
        QVERIFY(!r.IsLogin);
        QCOMPARE(r.Url, QStringLiteral("http://x/"));
        for (const QString &text : {QStringLiteral("http://g/\nvcode\nme\nsecret\nu\nb\nox\n"),
                                    QStringLiteral("a\nb\nc\nd\ne\n"), QString()}) {
            r = THostProtocol::ParseRegistrationReply(text);
            QVERIFY(!r.IsLogin);
            QVERIFY(r.Url.isEmpty());
        }
    }

    void fieldsNeverChangeTheLineCount() {
        // A line break inside a stored password or a page's box name would shift the fields
        // after it: the host would take the whole reply for a URL, the main window drop a login.
        TRegistrationReply reply;
        reply.Url = QStringLiteral("http://g/?pid=p");
        reply.FillUser = QStringLiteral("me");
        reply.FillPassword = QStringLiteral("a\nb\r\nc\rd");
        reply.PasswordBox = QStringLiteral("pb\n");
        const TRegistrationReply back =
            THostProtocol::ParseRegistrationReply(THostProtocol::BuildRegistrationReply(reply));
        QVERIFY(back.IsLogin);
        QCOMPARE(back.Url, reply.Url);
        QCOMPARE(back.FillUser, reply.FillUser);
        QCOMPARE(back.FillPassword, QStringLiteral("a b  c d"));
        QCOMPARE(back.UserBox, QString());
        QCOMPARE(back.PasswordBox, QStringLiteral("pb "));

        TCaptureReport r;
        r.User = QStringLiteral("me");
        r.UserBox = QStringLiteral("user\r\nname");
        r.PasswordBox = QStringLiteral("\r\n");
        TCaptureReport read;
        QVERIFY(THostProtocol::ParseCaptureReport(THostProtocol::BuildCaptureReport(r), read));
        QCOMPARE(read.User, r.User);
        QCOMPARE(read.UserBox, QStringLiteral("user  name"));
        QCOMPARE(read.PasswordBox, QStringLiteral("  "));
    }

    void progress() {
        QCOMPARE(THostProtocol::ProgressValue(50, 100), 100);
        QCOMPARE(THostProtocol::ProgressValue(5, 0), 0);
        QCOMPARE(THostProtocol::ProgressValue(100, 100), 0);
        QCOMPARE(THostProtocol::ProgressValue(1, 3), 66);
        QCOMPARE(THostProtocol::ProgressValue(-1, 100), 0);
    }

    void captureReport() {
        TCaptureReport r;
        r.Location = QStringLiteral("网页游戏\\扫雷\\");
        r.User = QStringLiteral("张三");
        r.Password = QStringLiteral("p\u00e4ss");
        r.Title = QStringLiteral("扫雷 - 登录");
        r.UserBox = QStringLiteral("account");
        // A password box with neither name nor id: the last field is empty.
        const QString text = THostProtocol::BuildCaptureReport(r);
        QCOMPARE(text,
                 QStringLiteral(
                     "网页游戏\\扫雷\\\r\n张三\r\np\u00e4ss\r\n扫雷 - 登录\r\n0\r\naccount\r\n"));
        const QByteArray data = THostProtocol::CaptureReportData(r);
        QVERIFY(data.endsWith('\0'));
        QCOMPARE(THostProtocol::CaptureReportText(data), text);
        TCaptureReport back;
        QVERIFY(THostProtocol::ParseCaptureReport(text, back));
        QCOMPARE(back.Location, r.Location);
        QCOMPARE(back.Password, r.Password);
        QCOMPARE(back.Kind, QStringLiteral("0"));
        QCOMPARE(back.PasswordBox, QString());
        QVERIFY(!THostProtocol::ParseCaptureReport(QStringLiteral("a\r\nb"), back));
    }
};

QTEST_GUILESS_MAIN(TestHostProtocol)
#include "TestHostProtocol.moc"
