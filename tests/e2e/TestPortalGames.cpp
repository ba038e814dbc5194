// The demo portal's pages in the real web engine: every page loads without script errors and
// every game can be played a few moves.

#include "platform/TProcessInfo.h"
#include "support/TTestSupport.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace {

class TConsolePage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList Errors;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int line, const QString &source) override {
        if (level == ErrorMessageLevel)
            Errors << QStringLiteral("%1:%2: %3").arg(source).arg(line).arg(message);
    }
};

} // namespace

class TestPortalGames : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void PagesLoadWithoutScriptErrors_data();
    void PagesLoadWithoutScriptErrors();
    void SnakeRunsIntoTheWall();
    void SlidingKeepsTheSumAndAddsOneTile();
    void MinesOpenAndFlag();
    void MemoryPairsStayOpen();

private:
    TConsolePage *Load(const QString &url);
    QVariant Eval(const QString &script);

    TestSupport::TPortalProcess FPortal;
    QString FBase;
    QString FFrameBase;
    QWebEngineProfile *FProfile = nullptr;
    TConsolePage *FPage = nullptr;
};

void TestPortalGames::initTestCase() {
    QVERIFY(FPortal.Start());
    FBase = FPortal.BaseUrl();
    FProfile = new QWebEngineProfile(this); // off the record
    FPage = new TConsolePage(FProfile, this);
    // The frame origin is the one address of the memory game's page that is not on FBase.
    Load(FBase + "games/memory/");
    FFrameBase = Eval("document.getElementById('gameFrame').src").toString();
    FFrameBase.chop(QStringLiteral("frame/memory/").size());
    QVERIFY(FFrameBase.startsWith("http://127.0.0.1:"));
    QVERIFY(FFrameBase != FBase);
}

void TestPortalGames::cleanupTestCase() {
    delete FPage;
    FPage = nullptr;
}

TConsolePage *TestPortalGames::Load(const QString &url) {
    FPage->Errors.clear();
    QSignalSpy loaded(FPage, &QWebEnginePage::loadFinished);
    FPage->load(QUrl(url));
    if (!loaded.wait(20000) || !loaded.first().first().toBool())
        qWarning("page did not load: %s", qPrintable(url));
    return FPage;
}

QVariant TestPortalGames::Eval(const QString &script) {
    QVariant result;
    bool done = false;
    FPage->runJavaScript(script, [&](const QVariant &v) {
        result = v;
        done = true;
    });
    if (!QTest::qWaitFor([&done] { return done; }, 10000))
        qWarning("script gave no answer: %s", qPrintable(script));
    return result;
}

void TestPortalGames::PagesLoadWithoutScriptErrors_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("mini site") << "mini/" << QStringLiteral("游戏大厅迷你站");
    QTest::newRow("notice") << "notice.html" << QStringLiteral("系统公告");
    QTest::newRow("search") << "search/go_search.php?s=baidu&k=%E6%89%AB"
                            << QStringLiteral("搜索结果 - 扫");
    QTest::newRow("snake login") << "games/snake/" << QStringLiteral("贪吃蛇 - 登录");
    QTest::newRow("mines login") << "games/mines/" << QStringLiteral("扫雷 - 登录");
    QTest::newRow("snake") << "games/snake/play?user=a" << QStringLiteral("贪吃蛇 - 游戏中");
    QTest::newRow("2048") << "games/2048/play?user=a" << QStringLiteral("二〇四八 - 游戏中");
    QTest::newRow("mines") << "games/mines/play?user=a" << QStringLiteral("扫雷 - 游戏中");
    QTest::newRow("memory") << "games/memory/play?user=a" << QStringLiteral("翻牌配对 - 游戏中");
}

void TestPortalGames::PagesLoadWithoutScriptErrors() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    Load(FBase + path);
    QCOMPARE(FPage->title(), title);
    QCOMPARE(FPage->Errors, QStringList());
}

void TestPortalGames::SnakeRunsIntoTheWall() {
    Load(FBase + "games/snake/play?user=a");
    QCOMPARE(Eval("document.getElementById('board').width").toInt(), 400);
    Eval("document.dispatchEvent(new KeyboardEvent('keydown', {key: 'ArrowUp'}))");
    QCOMPARE(Eval("document.getElementById('state').textContent").toString(),
             QStringLiteral("游戏中"));
    // Heading straight up from the middle ends at the top wall.
    QTRY_COMPARE_WITH_TIMEOUT(Eval("document.getElementById('state').textContent").toString(),
                              QStringLiteral("游戏结束，按空格重来"), 15000);
    QCOMPARE(FPage->Errors, QStringList());
}

void TestPortalGames::SlidingKeepsTheSumAndAddsOneTile() {
    Load(FBase + "games/2048/play?user=a");
    const QString tiles = "Array.from(document.querySelectorAll('#board .cell'))"
                          ".map(c => +c.textContent || 0)";
    QVariantList before = Eval(tiles).toList();
    QCOMPARE(before.size(), 16);
    int sum = 0, count = 0;
    for (const QVariant &v : before) {
        sum += v.toInt();
        count += v.toInt() > 0;
    }
    QCOMPARE(count, 2);
    // Some direction always moves two tiles on an otherwise empty board.
    for (const char *key : {"ArrowLeft", "ArrowRight", "ArrowUp", "ArrowDown"}) {
        Eval(QString("document.dispatchEvent(new KeyboardEvent('keydown', {key: '%1'}))").arg(key));
        const QVariantList after = Eval(tiles).toList();
        if (after == before)
            continue;
        int newSum = 0;
        for (const QVariant &v : after)
            newSum += v.toInt();
        QVERIFY2(newSum == sum + 2 || newSum == sum + 4, qPrintable(QString::number(newSum)));
        return;
    }
    QFAIL("no move changed the board");
}

void TestPortalGames::MinesOpenAndFlag() {
    Load(FBase + "games/mines/play?user=a");
    QCOMPARE(Eval("document.querySelectorAll('#board .cell').length").toInt(), 120);
    Eval("document.querySelector('#board .cell[data-i=\"5\"]').dispatchEvent("
         "new MouseEvent('contextmenu', {bubbles: true, cancelable: true}))");
    QCOMPARE(Eval("document.querySelector('#board .cell[data-i=\"5\"]').textContent").toString(),
             QStringLiteral("旗"));
    // A flagged cell does not open; another cell opens or ends the game.
    Eval("document.querySelector('#board .cell[data-i=\"5\"]').click()");
    QCOMPARE(Eval("document.querySelectorAll('#board .open').length").toInt(), 0);
    Eval("document.querySelector('#board .cell[data-i=\"60\"]').click()");
    const int open = Eval("document.querySelectorAll('#board .open').length").toInt();
    const QString state = Eval("document.getElementById('state').textContent").toString();
    QVERIFY2(open > 0, qPrintable(state));
    QVERIFY(state == QStringLiteral("踩到地雷了！") || open <= 120 - 16);
    QCOMPARE(FPage->Errors, QStringList());
}

void TestPortalGames::MemoryPairsStayOpen() {
    // The game as it shows inside the frame of the other origin.
    Load(FFrameBase + "frame/memory/play?user=a");
    QCOMPARE(FPage->title(), QStringLiteral("翻牌配对 - 游戏中"));
    const QStringList faces =
        Eval("Array.from(document.querySelectorAll('#board .card')).map(c => c.textContent)")
            .toStringList();
    QCOMPARE(faces.size(), 16);
    for (const QString &f : faces)
        QCOMPARE(faces.count(f), 2);
    const int a = 0, b = int(faces.indexOf(faces[0], 1));
    Eval(QString("document.querySelector('#board .card[data-i=\"%1\"]').click()").arg(a));
    Eval(QString("document.querySelector('#board .card[data-i=\"%1\"]').click()").arg(b));
    QCOMPARE(Eval("document.querySelectorAll('#board .done').length").toInt(), 2);
    QCOMPARE(Eval("document.getElementById('turns').textContent").toString(), QString("1"));
    QCOMPARE(FPage->Errors, QStringList());
}

int main(int argc, char **argv) {
    // Chromium cannot sandbox itself as root, and the virtual display has no GPU.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + " --disable-gpu";
    if (TProcessInfo::IsRoot())
        flags += " --no-sandbox";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    QApplication app(argc, argv);
    TestPortalGames test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestPortalGames.moc"
