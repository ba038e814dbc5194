#include "mainwindow/RegistrationReply.h"
#include "side/TCatalogue.h"
#include "store/TUserData.h"

#include <QRegularExpression>
#include <QTest>

namespace {

const char CatalogueXml[] =
    "<?xml version='1.0'?>\n"
    "<games>\n"
    "  <section caption='休闲游戏'>\n"
    "    <folder caption='经典'>\n"
    "      <game caption='贪吃蛇' url='http://127.0.0.1:8642/games/snake/'/>\n"
    "      <game caption='扫雷' url='http://127.0.0.1:8642/games/mines/' check='vcode'/>\n"
    "      <game caption='区服' url='http://127.0.0.1:8642/games/snake/?server=2#top'/>\n"
    "    </folder>\n"
    "    <game caption='即将推出'/>\n"
    "  </section>\n"
    "</games>\n";

const QString Snake = QStringLiteral("休闲游戏\\经典\\贪吃蛇\\");
const QString Mines = QStringLiteral("休闲游戏\\经典\\扫雷\\");

// How the page host splits a reply: LF, CR LF and CR end a line; a final break starts none.
QStringList HostLines(const QString &text) {
    QStringList lines = text.split(QRegularExpression("\r\n|\r|\n"));
    if (!text.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestRegistrationReply : public QObject {
    Q_OBJECT
private slots:
    void init();
    void PlainTextsPassThrough();
    void GameWithoutUserGivesSixLinesLastFourEmpty();
    void StoredAccountsFillTheLastFourLines();
    void PartnerIdJoinsAnExistingQuery();

private:
    TCatalogue FCatalogue;
    TUserData FUserData;
};

void TestRegistrationReply::init() {
    QVERIFY(FCatalogue.LoadText(QString::fromUtf8(CatalogueXml)));
    FUserData.Clear();
    FUserData.EnsureStructure();
}

void TestRegistrationReply::PlainTextsPassThrough() {
    const QString url = QStringLiteral("http://127.0.0.1:8642/mini/?pid=kel_1_0_0");
    TRegistration r = BuildRegistrationReply(url, FCatalogue, FUserData, "kel_x");
    QCOMPARE(r.Reply, url);
    QCOMPARE(r.Location, url);
    QVERIFY(r.User.isEmpty());
    QVERIFY(r.Game.isNull());

    // A pop-up registers with nothing.
    QCOMPARE(BuildRegistrationReply(QString(), FCatalogue, FUserData, "p").Reply, QString());

    // A game without "url" and an unknown location: the location itself, the user dropped.
    const QString soon = QStringLiteral("休闲游戏\\即将推出\\");
    r = BuildRegistrationReply(soon + "\nbob", FCatalogue, FUserData, "p");
    QCOMPARE(r.Reply, soon);
    QCOMPARE(r.User, QString("bob"));
    QCOMPARE(r.Game.attribute("caption"), QStringLiteral("即将推出"));
    QCOMPARE(
        BuildRegistrationReply(QStringLiteral("休闲游戏\\无此游戏\\"), FCatalogue, FUserData, "p")
            .Reply,
        QStringLiteral("休闲游戏\\无此游戏\\"));

    // Without a catalogue a game location cannot resolve.
    TCatalogue none;
    r = BuildRegistrationReply(Snake, none, FUserData, "p");
    QCOMPARE(r.Reply, Snake);
    QVERIFY(r.Game.isNull());
}

void TestRegistrationReply::GameWithoutUserGivesSixLinesLastFourEmpty() {
    TRegistration r = BuildRegistrationReply(Mines, FCatalogue, FUserData, "kel_abc");
    QCOMPARE(r.Location, Mines);
    QCOMPARE(r.Game.attribute("caption"), QStringLiteral("扫雷"));
    QCOMPARE(HostLines(r.Reply), (QStringList{"http://127.0.0.1:8642/games/mines/?pid=kel_abc",
                                              "vcode", "", "", "", ""}));
    // No "check": an empty second line.
    r = BuildRegistrationReply(Snake + "\n", FCatalogue, FUserData, "kel_abc");
    QCOMPARE(HostLines(r.Reply),
             (QStringList{"http://127.0.0.1:8642/games/snake/?pid=kel_abc", "", "", "", "", ""}));
}

void TestRegistrationReply::StoredAccountsFillTheLastFourLines() {
    FUserData.AppendAccount(Snake, "amy", "大号", "pw 1", "username", "passwordpwd");
    FUserData.AppendAccount(Snake, "amy", "second", "not this one", "x", "y");
    FUserData.AppendAccount(Snake, QStringLiteral("小明"), "typed by hand", QStringLiteral("密码"));
    FUserData.AppendAccount(Mines, "amy", "mines", "mpw", "account", "passwdloginpw");
    // An account without "pass": boxes only.
    FUserData.AccountsFolder().lastChildElement().removeAttribute("pass");

    const QString url = "http://127.0.0.1:8642/games/snake/?pid=p";
    TRegistration r = BuildRegistrationReply(Snake + "\namy", FCatalogue, FUserData, "p");
    QCOMPARE(r.User, QString("amy"));
    QCOMPARE(HostLines(r.Reply), (QStringList{url, "", "amy", "pw 1", "username", "passwordpwd"}));

    // Entered by hand: no box names, still six lines for the host.
    r = BuildRegistrationReply(Snake + QStringLiteral("\n小明"), FCatalogue, FUserData, "p");
    QCOMPARE(HostLines(r.Reply),
             (QStringList{url, "", QStringLiteral("小明"), QStringLiteral("密码"), "", ""}));

    r = BuildRegistrationReply(Mines + "\namy", FCatalogue, FUserData, "p");
    QCOMPARE(HostLines(r.Reply), (QStringList{"http://127.0.0.1:8642/games/mines/?pid=p", "vcode",
                                              "", "", "account", "passwdloginpw"}));

    // The pair must match exactly: no such user, or the user under another game.
    for (const QString &text : {Snake + "\nAmy", Snake + "\namy ", Snake + "\nnobody"}) {
        r = BuildRegistrationReply(text, FCatalogue, FUserData, "p");
        QCOMPARE(HostLines(r.Reply), (QStringList{url, "", "", "", "", ""}));
    }
}

void TestRegistrationReply::PartnerIdJoinsAnExistingQuery() {
    QCOMPARE(AddPartnerId("http://h/g/", "k"), QString("http://h/g/?pid=k"));
    QCOMPARE(AddPartnerId("http://h/g/?a=1", "k"), QString("http://h/g/?a=1&pid=k"));
    QCOMPARE(AddPartnerId("http://h/g/?", "k"), QString("http://h/g/?pid=k"));
    QCOMPARE(AddPartnerId("http://h/g/?a=1&", "k"), QString("http://h/g/?a=1&pid=k"));
    QCOMPARE(AddPartnerId("http://h/g/#top", "k"), QString("http://h/g/?pid=k#top"));
    const TRegistration r = BuildRegistrationReply(QStringLiteral("休闲游戏\\经典\\区服\\"),
                                                   FCatalogue, FUserData, "kel_1_0_0");
    QCOMPARE(HostLines(r.Reply).first(),
             QString("http://127.0.0.1:8642/games/snake/?server=2&pid=kel_1_0_0#top"));
}

QTEST_GUILESS_MAIN(TestRegistrationReply)
#include "TestRegistrationReply.moc"
