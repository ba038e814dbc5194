// The demo portal's pages in the real web engine: every page loads without script errors and
// the sliding game plays a move.

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
    void SlidingKeepsTheSumAndAddsOneTile();

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
    // Login boxes built by Vue and React from the npm registry, e-mail and phone boxes.
    QTest::newRow("vue login") << "games/vue/" << QStringLiteral("星空消消乐 - 登录");
    QTest::newRow("react login") << "games/react/" << QStringLiteral("方块大作战 - 登录");
    QTest::newRow("email login") << "games/email/" << QStringLiteral("邮箱农场 - 登录");
    QTest::newRow("tel login") << "games/tel/" << QStringLiteral("手机斗地主 - 登录");
    QTest::newRow("phaser") << "games/phaser/play?user=a&sprites=20"
                            << QStringLiteral("星海漫游 - 游戏中");
    QTest::newRow("frame login") << "@frame/memory/" << QStringLiteral("翻牌配对 - 框架登录");
    QTest::newRow("frame game") << "@frame/memory/play?user=a"
                                << QStringLiteral("翻牌配对 - 游戏中");
}

void TestPortalGames::PagesLoadWithoutScriptErrors() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    // "@" marks a page of the frame origin.
    Load(path.startsWith('@') ? FFrameBase + path.mid(1) : FBase + path);
    QCOMPARE(FPage->title(), title);
    QCOMPARE(FPage->Errors, QStringList());
    // Every login page shows its password box, also where a library draws it.
    if (title.endsWith(QStringLiteral("登录")))
        QTRY_VERIFY(Eval("!!document.querySelector('#login input[type=password]')").toBool());
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

int main(int argc, char **argv) {
    // Chromium cannot sandbox itself as root. The engine draws as it would for any program.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (TProcessInfo::IsRoot())
        flags += " --no-sandbox";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    QApplication app(argc, argv);
    TestPortalGames test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestPortalGames.moc"
