// The page host's login fill and capture, driven through a stand-in page that answers their
// scripts; the real scripts in the real engine are in TestHostPage.
#include "core/TLoginCapture.h"
#include "core/TLoginFill.h"

#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

namespace {

// Stands in for a page: keeps every script the fill or capture runs until the test answers it.
class TFakeScriptRunner : public TScriptRunner {
public:
    struct TCall {
        QString Code;
        std::function<void(const QVariant &)> Done;
    };
    QList<TCall> Calls;
    int Answered = 0;

    void RunScript(const QString &code, std::function<void(const QVariant &)> done) override {
        Calls.append({code, std::move(done)});
    }
    bool HasNext() const { return Answered < Calls.size(); }
    const QString &NextCode() const { return Calls.at(Answered).Code; }
    void Answer(const QVariant &result) {
        // Out of the list first: the answer may run further scripts.
        auto done = std::move(Calls[Answered++].Done);
        done(result);
    }
};

// The sequence number a script hands to a frame; the frame's answer carries it back.
int SeqOf(const QString &code) {
    return QRegularExpression(QStringLiteral("\"seq\":(\\d+)")).match(code).captured(1).toInt();
}

QVariantMap Login(const QString &user) {
    return {{"user", user}, {"pass", "pw-" + user}, {"ubox", "u"}, {"pbox", "p"}};
}

} // namespace

class TestHostLogin : public QObject {
    Q_OBJECT

private slots:
    // The top document's origin, then each frame of the page, in order: "none" (no form),
    // "form" (takes the login), "far" (a form in a frame of another site), "silent" (never
    // answers), "gone" (no such frame any more), "null" (a form in a frame without an origin of
    // its own). The game is on http://g.example.
    void fillWalksFrames_data() {
        QTest::addColumn<QString>("top");
        QTest::addColumn<bool>("topFinishes");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<bool>("loading");
        QTest::addColumn<int>("filledFrame"); // -1: no frame got the login
        const QString game = "http://www.g.example:8080";
        QTest::newRow("top document") << game << true << QStringList{"form"} << false << -1;
        QTest::newRow("second frame") << game << false << QStringList{"none", "form"} << false << 1;
        QTest::newRow("silent and gone frames passed over")
            << game << false << QStringList{"silent", "gone", "form"} << false << 2;
        QTest::newRow("no form, page complete")
            << game << false << QStringList{"none"} << false << -1;
        QTest::newRow("no form, page loading")
            << game << false << QStringList{"none"} << true << -1;
        QTest::newRow("never to a null origin")
            << game << false << QStringList{"null"} << false << -1;
        QTest::newRow("game's site before another's")
            << game << false << QStringList{"far", "form"} << false << 1;
        QTest::newRow("another site's frame when the game's has no form")
            << game << false << QStringList{"none", "far"} << false << 1;
        QTest::newRow("top document left the game's site")
            << "http://evil.example" << false << QStringList{"form"} << false << -1;
        QTest::newRow("same domain, other scheme")
            << "https://g.example" << false << QStringList{"form"} << false << -1;
    }
    void fillWalksFrames() {
        QFETCH(QString, top);
        QFETCH(bool, topFinishes);
        QFETCH(QStringList, frames);
        QFETCH(bool, loading);
        QFETCH(int, filledFrame);
        TFakeScriptRunner page;
        TLoginFill fill(page);
        QSignalSpy attempts(&fill, &TLoginFill::FillAttempted);
        fill.SetLogin("vcode", "amy", "secret", "", "");
        fill.SetSite("http://g.example/game/?pid=1");
        fill.SetLoading(loading);
        fill.NavigateComplete();
        QList<int> filled;
        // Answers every script as the page described by the row would.
        const auto pump = [&]() {
            while (page.HasNext()) {
                const QString code = page.NextCode();
                if (code.contains("LudoraHost.where(")) {
                    page.Answer(QVariantMap{{"origin", top}, {"frames", int(frames.size())}});
                } else if (code.contains("LudoraHost.fill(")) {
                    QVERIFY(code.contains("secret") && code.contains(top));
                    page.Answer(QVariantMap{{"finished", topFinishes},
                                            {"pass", topFinishes ? "" : "secret"},
                                            {"user", topFinishes ? "" : "amy"},
                                            {"frames", int(frames.size())}});
                } else {
                    const int i = QRegularExpression(QStringLiteral("post\\((\\d+), "))
                                      .match(code)
                                      .captured(1)
                                      .toInt();
                    const QString kind = frames.at(i);
                    const int seq = SeqOf(code);
                    const QString origin = kind == "null"  ? "null"
                                           : kind == "far" ? "http://far.example"
                                                           : "http://g.example:81";
                    if (code.contains("\"cmd\":\"fill\"")) {
                        QVERIFY(code.contains("\"" + origin + "\""));
                        page.Answer(true);
                        filled.append(i);
                        fill.ScriptMessage(QJsonObject{{"ev", "fill"},
                                                       {"seq", seq},
                                                       {"frame", i},
                                                       {"finished", true},
                                                       {"passEmpty", true},
                                                       {"userEmpty", true}});
                        continue;
                    }
                    // The dry run carries no login.
                    QVERIFY(!code.contains("secret") && !code.contains("amy"));
                    page.Answer(kind != "gone");
                    if (kind == "gone" || kind == "silent")
                        continue;
                    const bool form = kind != "none";
                    fill.ScriptMessage(QJsonObject{{"ev", "probe"},
                                                   {"seq", seq},
                                                   {"frame", i},
                                                   {"origin", origin},
                                                   {"wrote", form},
                                                   {"finished", form},
                                                   {"acted", form}});
                }
            }
        };
        QTRY_VERIFY_WITH_TIMEOUT((pump(), !attempts.isEmpty()), 10000);
        const bool finished = topFinishes || filledFrame >= 0;
        QCOMPARE(attempts.at(0).at(0).toBool(), finished);
        QCOMPARE(fill.Password().isEmpty(), finished);
        QCOMPARE(filled, filledFrame < 0 ? QList<int>() : QList<int>{filledFrame});
        for (const auto &call : page.Calls)
            QVERIFY(!(call.Code.contains("secret") && call.Code.contains("'*'")));
        // While the page loads a fill that did not finish is tried again; after that, never.
        if (!finished) {
            QTest::qWait(3 * TLoginFill::FillInterval);
            QCOMPARE(page.HasNext() && page.NextCode().contains("LudoraHost.where("), loading);
        }
    }

    void siteOfUrl() {
        QCOMPARE(TLoginFill::SiteOf("http://127.0.0.1:8080/games/"), "http://127.0.0.1");
        QCOMPARE(TLoginFill::SiteOf("https://a.b.example.com.cn/x"), "https://example.com.cn");
        QCOMPARE(TLoginFill::SiteOf("http://WWW.Example.org."), "http://example.org");
        QCOMPARE(TLoginFill::SiteOf("http://localhost:1/"), "http://localhost");
        for (const char *none : {"null", "", "data:text/html,x", "file:///tmp/x"})
            QCOMPARE(TLoginFill::SiteOf(none), QString());
    }

    // A stored password never travels in a URL the host opens or records.
    void urlHoldsPassword() {
        const QString game = "http://g.example/?pid=1";
        QVERIFY(
            TLoginFill::UrlHoldsPassword("http://g.example/\nvcode\nme\ns3cr3t", "s3cr3t", game));
        QVERIFY(TLoginFill::UrlHoldsPassword("http://g.example/?p=s3%20cr3t", "s3 cr3t", game));
        QVERIFY(!TLoginFill::UrlHoldsPassword("http://g.example/?pid=1", "pid=1", game));
        QVERIFY(!TLoginFill::UrlHoldsPassword("http://g.example/", "s3cr3t", game));
    }

    // A form sent by GET writes a blank as "+": the password is found there too.
    void urlHoldsPasswordInFormQuery() {
        const QString game = "http://g.example/";
        QVERIFY(
            TLoginFill::UrlHoldsPassword("http://g.example/l?u=a&p=my+pw%231", "my pw#1", game));
        QVERIFY(TLoginFill::UrlHoldsPassword("http://g.example/l?p=%E5%AF%86+%E7%A0%81+1",
                                             "密 码 1", game));
    }

    // Frames answer in any order; the first in frame order with a login wins. Each frame is a
    // login, an empty map (no login) or "silent" (never answers).
    void captureTakesFirstFrameInOrder_data() {
        QTest::addColumn<bool>("fromCommand");
        QTest::addColumn<QVariantMap>("top");
        QTest::addColumn<QVariantList>("frames");
        QTest::addColumn<bool>("submitted"); // a form told its login as it went out
        QTest::addColumn<QString>("found");  // user of the login reported, "" for none
        QTest::newRow("top document") << false << Login("top") << QVariantList{} << false << "top";
        QTest::newRow("frame order, not answer order")
            << false << QVariantMap() << QVariantList{QVariantMap(), Login("b"), Login("c")}
            << false << "b";
        QTest::newRow("silent frame passed over")
            << false << QVariantMap() << QVariantList{"silent", Login("b")} << false << "b";
        QTest::newRow("nothing, asked by the main window")
            << true << QVariantMap() << QVariantList{QVariantMap()} << false << "";
        QTest::newRow("document gone, submitted login kept")
            << false << QVariantMap() << QVariantList{"silent"} << true << "sent";
        QTest::newRow("submitted login not for a command")
            << true << QVariantMap() << QVariantList{} << true << "";
    }
    void captureTakesFirstFrameInOrder() {
        QFETCH(bool, fromCommand);
        QFETCH(QVariantMap, top);
        QFETCH(QVariantList, frames);
        QFETCH(bool, submitted);
        QFETCH(QString, found);
        TFakeScriptRunner page;
        TLoginCapture capture(page);
        QSignalSpy reports(&capture, &TLoginCapture::Found);
        QSignalSpy nothing(&capture, &TLoginCapture::NothingFound);
        capture.Arm();
        if (submitted)
            capture.ScriptMessage(QJsonObject{
                {"ev", "snapshot"}, {"report", QJsonObject::fromVariantMap(Login("sent"))}});
        capture.Start(fromCommand);
        QVERIFY(page.HasNext() && page.NextCode().contains("LudoraHost.capture("));
        const int seq = QRegularExpression(QStringLiteral("capture\\((\\d+)\\)"))
                            .match(page.NextCode())
                            .captured(1)
                            .toInt();
        page.Answer(QVariantMap{{"report", top.isEmpty() ? QVariant() : QVariant(top)},
                                {"frames", int(frames.size())}});
        // The last frames answer first.
        for (qsizetype i = frames.size() - 1; i >= 0; --i) {
            if (frames.at(i).toString() == "silent")
                continue;
            capture.ScriptMessage(
                QJsonObject{{"ev", "capture"},
                            {"seq", seq},
                            {"frame", int(i)},
                            {"report", QJsonObject::fromVariantMap(frames.at(i).toMap())}});
        }
        QTRY_COMPARE(reports.size() + nothing.size(), 1);
        if (found.isEmpty()) {
            QCOMPARE(nothing.size(), fromCommand ? 1 : 0);
            QCOMPARE(reports.size(), 0);
        } else {
            QCOMPARE(reports.at(0).at(0).toMap(), Login(found));
        }
        // Only a capture set off by a navigation that reported disarms.
        QCOMPARE(capture.Armed(), fromCommand || found.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHostLogin)
#include "TestHostLogin.moc"
