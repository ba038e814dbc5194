#include "platform/AnsiCodePage.h"
#include "side/TCatalogue.h"
#include "store/ScrambleText.h"
#include "store/TBoundedXml.h"
#include "store/TDataFile.h"
#include "support/TTestSupport.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Sections S (twice), a caption-less folder, nested folders, a game without url, a caption
// that holds "\" and one that differs only in case.
const char Sample[] =
    "<?xml version='1.0' encoding='GBK'?>\n"
    "<games version='7'>\n"
    "  <section caption='休闲游戏'>\n"
    "    <folder caption='经典'>\n"
    "      <game caption='贪吃蛇' url='http://127.0.0.1/snake/' check='vcode'/>\n"
    "      <folder><game caption='藏起来' url='http://127.0.0.1/hidden/'/></folder>\n"
    "      <game caption='A\\B' url='http://127.0.0.1/slash/'/>\n"
    "    </folder>\n"
    "    <game caption='扫雷' url='http://127.0.0.1/mines/'/>\n"
    "    <game caption='mines' url='http://127.0.0.1/lower/'/>\n"
    "  </section>\n"
    "  <section caption='休闲游戏'>\n"
    "    <game caption='扫雷' url='http://127.0.0.1/second/'/>\n"
    "    <game caption='只在第二组' url='http://127.0.0.1/only2/'/>\n"
    "  </section>\n"
    "</games>\n";

QString Url(const QDomElement &e) {
    return e.isNull() ? QStringLiteral("<none>") : e.attribute("url");
}

void WriteFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void LoadsScrambledGbkFile();
    void MissingDamagedOrDeclarationlessFileGivesNoCatalogue();
    void LocationsFollowCaptions();
    void FindByLocationWalksFirstMatchingCaptions();
    void EveryGameResolvesToItselfOrAnEarlierTwin();
    void RandomInputNeverBreaksTheLookups();
    void DeepOrOversizedFileCountsAsNoCatalogue();
    void ReadsTheDemoPortalCatalogue();
};

void TestCatalogue::LoadsScrambledGbkFile() {
    QTemporaryDir dir;
    const QString file = TCatalogue::FileName(dir.path() + "/");
    QVERIFY(file.endsWith("/games.xml"));
    WriteFile(file, ScrambleText(AnsiFromUnicode(QString::fromUtf8(Sample))));
    TCatalogue c;
    QVERIFY(!c.CataloguePresent());
    QCOMPARE(c.Version(), QString());
    QVERIFY(c.LoadCatalogue(file));
    QVERIFY(c.CataloguePresent());
    QCOMPARE(c.Version(), QString("7"));
    QCOMPARE(c.Root().firstChildElement().attribute("caption"), QStringLiteral("休闲游戏"));
    const QDomElement snake = c.FindByLocation(QStringLiteral("休闲游戏\\经典\\贪吃蛇\\"));
    QCOMPARE(snake.attribute("check"), QString("vcode"));
}

void TestCatalogue::MissingDamagedOrDeclarationlessFileGivesNoCatalogue() {
    QTemporaryDir dir;
    const QString file = dir.path() + "/games.xml";
    TCatalogue c;
    QVERIFY(c.LoadText(QString::fromUtf8(Sample)));
    // A missing file leaves what was loaded before.
    QVERIFY(c.LoadCatalogue(file));
    QVERIFY(c.CataloguePresent());

    WriteFile(file, ScrambleText("<?xml version=\"1.0\"?><games><section caption=\"x\">"));
    QVERIFY(!c.LoadCatalogue(file));
    QVERIFY(!c.CataloguePresent());
    QVERIFY(c.FindByLocation("x\\").isNull());

    // A well-formed root without the declaration is one top node only.
    WriteFile(file, ScrambleText("<games><section caption=\"x\"/></games>"));
    QVERIFY(!c.LoadCatalogue(file));
    QVERIFY(c.Root().isNull());
    QVERIFY(c.FindByLocation("x\\").isNull());

    // Not scrambled: plain XML read through the scrambler is no XML.
    WriteFile(file, "<?xml version=\"1.0\"?><games><s caption=\"x\"/></games>");
    QVERIFY(!c.LoadCatalogue(file));
}

void TestCatalogue::LocationsFollowCaptions() {
    TCatalogue c;
    QVERIFY(c.LoadText(QString::fromUtf8(Sample)));
    const QDomElement classic = c.Root().firstChildElement().firstChildElement();
    QCOMPARE(TCatalogue::LocationOf(classic), QStringLiteral("休闲游戏\\经典\\"));
    QCOMPARE(TCatalogue::LocationOf(classic.firstChildElement()),
             QStringLiteral("休闲游戏\\经典\\贪吃蛇\\"));
    // The folder without caption contributes nothing.
    const QDomElement hidden = classic.firstChildElement("folder").firstChildElement();
    QCOMPARE(TCatalogue::LocationOf(hidden), QStringLiteral("休闲游戏\\经典\\藏起来\\"));
    QCOMPARE(TCatalogue::LocationOf(c.Root()), QString());
    QCOMPARE(TCatalogue::LocationOf(QDomElement()), QString());

    // User list entries carry their location.
    QDomDocument lists;
    lists.setContent(
        QStringLiteral("<folder><item location=\"S\\F\\G\\\" caption=\"G\"/></folder>"));
    QCOMPARE(TCatalogue::LocationOf(lists.documentElement().firstChildElement()),
             QStringLiteral("S\\F\\G\\"));
}

void TestCatalogue::FindByLocationWalksFirstMatchingCaptions() {
    TCatalogue c;
    QCOMPARE(Url(c.FindByLocation(QStringLiteral("休闲游戏\\扫雷\\"))), QString("<none>"));
    QVERIFY(c.LoadText(QString::fromUtf8(Sample)));
    const struct {
        const char *location;
        const char *url;
    } cases[] = {
        {"休闲游戏\\扫雷\\", "http://127.0.0.1/mines/"},  // first of the twin sections
        {"休闲游戏\\只在第二组\\", "<none>"},             // never reaches the second one
        {"休闲游戏\\经典\\藏起来\\", "<none>"},           // caption-less folder is no step
        {"休闲游戏\\经典\\A\\B\\", "<none>"},             // a caption with "\" cannot resolve
        {"休闲游戏\\MINES\\", "<none>"},                  // captions compare case-sensitively
        {"休闲游戏\\扫雷\\x", "http://127.0.0.1/mines/"}, // one trailing character is ignored
        {"休闲游戏\\扫雷\\xy", "<none>"},                 // two are a component without "\"
        {"http://127.0.0.1:8642/mini/?pid=kel_1_0_0", "<none>"}, // a URL passes through
        {"休闲游戏\\扫雷", "<none>"},
    };
    for (const auto &t : cases)
        QCOMPARE(Url(c.FindByLocation(QString::fromUtf8(t.location))), QString(t.url));
    // The walk ends where the text ends: a section or the root itself.
    QCOMPARE(c.FindByLocation(QStringLiteral("休闲游戏\\")).attribute("caption"),
             QStringLiteral("休闲游戏"));
    QCOMPARE(c.FindByLocation(QString()), c.Root());
}

void TestCatalogue::EveryGameResolvesToItselfOrAnEarlierTwin() {
    TCatalogue c;
    QVERIFY(c.LoadText(QString::fromUtf8(Sample)));
    int resolved = 0;
    const QDomNodeList all = c.Doc().elementsByTagName("game");
    for (int i = 0; i < all.count(); ++i) {
        const QDomElement game = all.item(i).toElement();
        const QDomElement found = c.FindByLocation(TCatalogue::LocationOf(game));
        if (found == game) {
            ++resolved;
        } else if (!found.isNull()) {
            // Only a twin earlier in document order may win.
            QCOMPARE(TCatalogue::LocationOf(found), TCatalogue::LocationOf(game));
            QVERIFY(found.lineNumber() < game.lineNumber());
        }
    }
    QCOMPARE(resolved, 3); // snake, mines, "mines"; twins, the hidden and the slashed do not
}

void TestCatalogue::RandomInputNeverBreaksTheLookups() {
    QRandomGenerator rng(20261207);
    const QByteArray good = ScrambleText(AnsiFromUnicode(QString::fromUtf8(Sample)));
    QTemporaryDir dir;
    const QString file = dir.path() + "/games.xml";
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = good;
        for (int n = 0; n < 1 + round % 8; ++n)
            bytes[rng.bounded(int(bytes.size()))] = char(rng.bounded(256));
        if (round % 5 == 0)
            bytes.truncate(rng.bounded(int(bytes.size())));
        WriteFile(file, bytes);
        TCatalogue c;
        const bool present = c.LoadCatalogue(file);
        QCOMPARE(present, c.CataloguePresent());
        QString location;
        const int parts = rng.bounded(5);
        for (int p = 0; p < parts; ++p)
            location +=
                (rng.bounded(2) ? QStringLiteral("休闲游戏") : QStringLiteral("经典")) + "\\";
        const QDomElement e = c.FindByLocation(location);
        if (!e.isNull() && e != c.Root())
            QCOMPARE(c.FindByLocation(TCatalogue::LocationOf(e)).isNull(), false);
    }
}

void TestCatalogue::DeepOrOversizedFileCountsAsNoCatalogue() {
    QTemporaryDir dir;
    const QString file = TCatalogue::FileName(dir.path() + "/");
    const auto nested = [](int levels) {
        return QByteArray("<?xml version=\"1.0\"?><games><s caption=\"S\">") +
               QByteArray("<folder caption=\"F\">").repeated(levels) +
               "<game caption=\"G\" url=\"http://127.0.0.1/g/\"/>" +
               QByteArray("</folder>").repeated(levels) + "</s></games>";
    };
    // Neither comments, CDATA nor the document type add depth: a real catalogue still loads.
    WriteFile(file, ScrambleText("<?xml version=\"1.0\"?><!DOCTYPE games [<!ENTITY e \"a>b\">]>"
                                 "<games><!-- <a><a> --><s caption=\"S\"><![CDATA[<b><b>]]>"
                                 "<g caption=\"G\" url=\"u\"/></s></games>"));
    TCatalogue c;
    QVERIFY(c.LoadCatalogue(file));
    QCOMPARE(Url(c.FindByLocation("S\\G\\")), QString("u"));
    WriteFile(file, ScrambleText(nested(200)));
    QVERIFY(c.LoadCatalogue(file));
    QCOMPARE(Url(c.FindByLocation("S\\" + QString("F\\").repeated(200) + "G\\")),
             QString("http://127.0.0.1/g/"));

    // Nested far beyond any real file (the DOM alone would take many seconds), larger than any
    // real catalogue, or with more elements and attributes than seven catalogues of 5,000
    // games: refused, the game is gone.
    const QByteArray large = QByteArray("<?xml version=\"1.0\"?><games><s caption=\"S\" pad=\"") +
                             QByteArray(TDataFile::MaxSize, 'x') +
                             "\"><g caption=\"G\" url=\"u\"/></s></games>";
    const QByteArray crowded = QByteArray("<?xml version=\"1.0\"?><games><s caption=\"S\">") +
                               QByteArray("<g/>").repeated(TBoundedXml::MaxNodes) +
                               "<g caption=\"G\" url=\"u\"/></s></games>";
    for (const QByteArray &text : {nested(30000), large, crowded}) {
        QVERIFY(c.LoadText(QString::fromUtf8(nested(2)))); // something loaded before
        WriteFile(file, ScrambleText(text));
        QVERIFY(!c.LoadCatalogue(file));
        QVERIFY(!c.CataloguePresent());
        QVERIFY(c.FindByLocation("S\\G\\").isNull());
    }
}

void TestCatalogue::ReadsTheDemoPortalCatalogue() {
    TestSupport::TPortalProcess portal;
    QVERIFY(portal.Start());
    QNetworkAccessManager net;
    QNetworkReply *reply = net.get(QNetworkRequest(QUrl(portal.BaseUrl() + "games.xml")));
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QTemporaryDir dir;
    WriteFile(TCatalogue::FileName(dir.path() + "/"), reply->readAll());
    reply->deleteLater();

    TCatalogue c;
    QVERIFY(c.LoadCatalogue(TCatalogue::FileName(dir.path() + "/")));
    QVERIFY(!c.Version().isEmpty());
    const QDomElement mines = c.FindByLocation(QStringLiteral("休闲游戏\\扫雷\\"));
    QCOMPARE(mines.attribute("url"), portal.BaseUrl() + "games/mines/");
    QCOMPARE(mines.attribute("check"), QString("vcode"));
    const QDomElement memory = c.FindByLocation(QStringLiteral("休闲游戏\\益智\\记忆\\翻牌配对\\"));
    QCOMPARE(memory.attribute("url"), portal.BaseUrl() + "games/memory/");
    QCOMPARE(TCatalogue::LocationOf(memory), QStringLiteral("休闲游戏\\益智\\记忆\\翻牌配对\\"));
    QVERIFY(!c.FindByLocation(QStringLiteral("网页游戏\\即将推出\\")).hasAttribute("url"));
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "TestCatalogue.moc"
