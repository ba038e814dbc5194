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
    void Answer(const QVariant &result) { Calls[Answered++].Done(result); }
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
    // Each frame of the page, in order: "none" (no form), "form" (takes the login), "silent"
    // (never answers), "gone" (no such frame any more), "null" (a form in a frame without an
    // origin of its own).
    void fillWalksFrames_data() {
        QTest::addColumn<bool>("topFinishes");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<bool>("loading");
        QTest::addColumn<int>("filledFrame"); // -1: no frame got the login
        QTest::newRow("top document") << true << QStringList{"form"} << false << -1;
        QTest::newRow("second frame") << false << QStringList{"none", "form"} << false << 1;
        QTest::newRow("silent and gone frames passed over")
            << false << QStringList{"silent", "gone", "form"} << false << 2;
        QTest::newRow("no form, page complete") << false << QStringList{"none"} << false << -1;
        QTest::newRow("no form, page loading") << false << QStringList{"none"} << true << -1;
        QTest::newRow("never to a null origin") << false << QStringList{"null"} << false << -1;
    }
    void fillWalksFrames() {
        QFETCH(bool, topFinishes);
        QFETCH(QStringList, frames);
        QFETCH(bool, loading);
        QFETCH(int, filledFrame);
        TFakeScriptRunner page;
        TLoginFill fill(page);
        QSignalSpy attempts(&fill, &TLoginFill::FillAttempted);
        fill.SetLogin("vcode", "amy", "secret", "", "");
        fill.SetLoading(loading);
        fill.NavigateComplete();
        QTRY_VERIFY(page.HasNext());
        QVERIFY(page.NextCode().contains("LudoraHost.fill(") && page.NextCode().contains("secret"));
        page.Answer(QVariantMap{{"finished", topFinishes},
                                {"pass", topFinishes ? "" : "secret"},
                                {"user", topFinishes ? "" : "amy"},
                                {"frames", int(frames.size())}});
        for (int i = 0; !topFinishes && i < frames.size(); ++i) {
            QTRY_VERIFY(page.HasNext());
            // The dry run carries no login.
            QVERIFY(page.NextCode().contains(QString("post(%1, ").arg(i)));
            QVERIFY(!page.NextCode().contains("secret") && !page.NextCode().contains("amy"));
            const QString kind = frames.at(i);
            page.Answer(kind != "gone");
            if (kind == "gone" || kind == "silent")
                continue;
            const bool form = kind != "none";
            const int seq = SeqOf(page.Calls.at(page.Answered - 1).Code);
            fill.ScriptMessage(QJsonObject{{"ev", "probe"},
                                           {"seq", seq},
                                           {"frame", i},
                                           {"origin", kind == "null" ? "null" : "http://g.example"},
                                           {"wrote", form},
                                           {"finished", form},
                                           {"acted", form}});
            if (kind != "form")
                continue;
            QVERIFY(page.HasNext());
            QVERIFY(page.NextCode().contains("secret") &&
                    page.NextCode().contains("\"http://g.example\""));
            page.Answer(true);
            fill.ScriptMessage(QJsonObject{{"ev", "fill"},
                                           {"seq", seq},
                                           {"frame", i},
                                           {"finished", true},
                                           {"passEmpty", true},
                                           {"userEmpty", true}});
        }
        QTRY_COMPARE(attempts.size(), 1);
        const bool finished = topFinishes || filledFrame >= 0;
        QCOMPARE(attempts.at(0).at(0).toBool(), finished);
        QCOMPARE(fill.Password().isEmpty(), finished);
        for (const auto &call : page.Calls)
            QVERIFY(!(call.Code.contains("secret") && call.Code.contains("'*'")));
        // While the page loads a fill that did not finish is tried again; after that, never.
        if (!finished) {
            QTest::qWait(3 * TLoginFill::FillInterval);
            QCOMPARE(page.HasNext() && page.NextCode().contains("LudoraHost.fill("), loading);
        }
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
