// The side panel's pure parts: accordion and section geometry, the user's game lists, storing a
// downloaded catalogue and the tab process command line.

#include "platform/AnsiCodePage.h"
#include "side/TCatalogue.h"
#include "side/TGameLists.h"
#include "side/TSideLayout.h"
#include "side/TTabCommand.h"
#include "store/ScrambleText.h"
#include "store/TUserData.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

TSideMetrics Metrics() {
    TSideMetrics m;
    m.SearchBoxWidth = 227;
    m.SearchBoxHeight = 24;
    m.SplitWidth = 9;
    m.SplitHeight = 420;
    m.ListHeight = 26;
    return m;
}

QStringList Locations(const QDomElement &folder) {
    QStringList list;
    for (QDomElement e = folder.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        list << e.attribute("location") + "=" + e.attribute("caption");
    return list;
}

QByteArray ReadAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestSideLogic : public QObject {
    Q_OBJECT
private slots:
    void AccordionBarsAreHitWhereTheyAreDrawn();
    void SectionColumnAndHandle();
    void CaptionRuleAndMyGamesDuplicates();
    void RecentGamesKeepTenNewestFirst();
    void StoreCatalogueKeepsOldFileForBadText();
    void TabProcessGetsEachArgumentWhole();
};

void TestSideLogic::AccordionBarsAreHitWhereTheyAreDrawn() {
    const TSideLayout layout(Metrics());
    const int cw = 178, ch = 500;
    for (int groups : {2, 5}) {
        for (int open = 0; open < groups; ++open) {
            const QRect panel = layout.GamesPanelRect(cw, ch, groups, open);
            QCOMPARE(panel.top(), 26 * (open + 1) + 2);
            QCOMPARE(panel.height(), ch - 4 - 26 * groups);
            QCOMPARE(panel.width(), cw - 6);
            for (int g = 0; g < groups; ++g) {
                const int top = layout.GroupBarTop(g, open, panel.height());
                // Every pixel row of a drawn bar hits that bar, and only there.
                QCOMPARE(layout.GroupAt(50, top, panel, groups, open), g);
                QCOMPARE(layout.GroupAt(50, top + 25, panel, groups, open), g);
                QCOMPARE(layout.GroupAt(panel.left() - 1, top + 10, panel, groups, open), -1);
            }
            // The open tree and the space below the last bar hit nothing.
            QCOMPARE(layout.GroupAt(50, panel.top(), panel, groups, open), -1);
            QCOMPARE(layout.GroupAt(50, panel.bottom(), panel, groups, open), -1);
            QCOMPARE(layout.GroupAt(50, 1, panel, groups, open), -1);
            QCOMPARE(layout.GroupAt(50, ch - 1, panel, groups, open), -1);
        }
    }
    QCOMPARE(TSideLayout::GroupFrame(1, -1, 1, 1), 2); // open beats hot
    QCOMPARE(TSideLayout::GroupFrame(3, 3, 1, -1), 2); // pressed
    QCOMPARE(TSideLayout::GroupFrame(3, -1, 1, 3), 1);
    QCOMPARE(TSideLayout::GroupFrame(0, -1, 1, 3), 0);
}

void TestSideLogic::SectionColumnAndHandle() {
    const TSideLayout layout(Metrics());
    const int w = layout.ExpandedWidth(), h = 600;
    const QRect client = layout.ClientRect(w, h);
    QCOMPARE(client, QRect(40, 24, 178, 576));
    QCOMPARE(layout.SectionColumnWidth(w), 40);
    QCOMPARE(layout.SectionAt(0, 24, w, h, true), 1);
    QCOMPARE(layout.SectionAt(39, 24 + 42 * 6 + 41, w, h, true), 7);
    QCOMPARE(layout.SectionAt(10, 24 + 42 * 7, w, h, true), -1); // below the seventh
    QCOMPARE(layout.SectionAt(10, 23, w, h, true), -1);          // on the search strip
    QCOMPARE(layout.SectionAt(40, 30, w, h, true), -1);          // on the lists
    // The handle: 60 px frames centred at the right edge, edges excluded.
    QCOMPARE(layout.HandleRect(w, h), QRect(218, 270, 9, 60));
    QCOMPARE(layout.SectionAt(222, 300, w, h, true), 0);
    QCOMPARE(layout.SectionAt(218, 300, w, h, true), -1);
    QCOMPARE(layout.SectionAt(222, 270, w, h, true), -1);
    QCOMPARE(layout.SectionAt(222, 329, w, h, true), 0);
    // Collapsed: only the handle remains.
    const int cw = layout.CollapsedWidth();
    QCOMPARE(layout.SectionAt(4, 300, cw, h, false), 0);
    QCOMPARE(layout.SectionAt(4, 100, cw, h, false), -1);
    QCOMPARE(layout.SectionAt(4, 300, w, h, false), -1);
    QCOMPARE(TSideLayout::HandleFrame(true, -1, -1), 1);
    QCOMPARE(TSideLayout::HandleFrame(true, 0, -1), 2);
    QCOMPARE(TSideLayout::HandleFrame(true, 0, 0), 3);
    QCOMPARE(TSideLayout::HandleFrame(false, 3, 0), 4); // pressed counts only while hot
    QCOMPARE(TSideLayout::HandleFrame(false, 0, 0), 6);
}

void TestSideLogic::CaptionRuleAndMyGamesDuplicates() {
    QCOMPARE(TGameLists::CaptionOf("S\\F\\G\\"), QString("G"));
    QCOMPARE(TGameLists::CaptionOf("G\\"), QString("G"));
    QCOMPARE(TGameLists::CaptionOf("S\\G"), QString("G"));
    QCOMPARE(TGameLists::CaptionOf(""), QString(""));

    TUserData data;
    QVERIFY(TGameLists::AddToMyGames(data, "S\\G\\").isNull()); // no structure: nothing
    data.EnsureStructure();
    QVERIFY(!TGameLists::AddToMyGames(data, "休闲 游戏\\贪吃蛇\\").isNull());
    QVERIFY(!TGameLists::AddToMyGames(data, "S\\G\\").isNull());
    // The comparison is on the location only: another caption changes nothing.
    data.MyGamesFolder().firstChildElement().setAttribute("caption", "改过");
    QVERIFY(TGameLists::AddToMyGames(data, "休闲 游戏\\贪吃蛇\\").isNull());
    QCOMPARE(Locations(data.MyGamesFolder()),
             QStringList({"休闲 游戏\\贪吃蛇\\=改过", "S\\G\\=G"}));
    QVERIFY(TGameLists::IsListEntry(data, data.MyGamesFolder().firstChildElement()));
    TCatalogue other;
    other.LoadText("<?xml version='1.0'?><g><s caption='S' location='x'/></g>");
    QVERIFY(!TGameLists::IsListEntry(data, other.Root().firstChildElement()));

    // Removal, and the account users of a location in document order.
    QVERIFY(TGameLists::RemoveListEntry(data.MyGamesFolder().firstChildElement()));
    QCOMPARE(Locations(data.MyGamesFolder()), QStringList({"S\\G\\=G"}));
    data.AppendAccount("S\\G\\", "b", "", "");
    data.AppendAccount("S\\H\\", "x", "", "");
    data.AppendAccount("S\\G\\", "a", "", "");
    QCOMPARE(TGameLists::AccountUsers(data, "S\\G\\"), QStringList({"b", "a"}));
}

void TestSideLogic::RecentGamesKeepTenNewestFirst() {
    TUserData data;
    data.EnsureStructure();
    for (int i = 1; i <= 10; ++i)
        TGameLists::AddToRecentGames(data, QString("S\\G%1\\").arg(i));
    QCOMPARE(data.RecentFolder().childNodes().count(), 10);
    // Reopening a listed game moves it to the front with its old caption.
    data.RecentFolder().lastChildElement().setAttribute("caption", "第一个");
    TGameLists::AddToRecentGames(data, "S\\G1\\");
    QStringList list = Locations(data.RecentFolder());
    QCOMPARE(list.size(), 10);
    QCOMPARE(list.first(), QString("S\\G1\\=第一个"));
    QCOMPARE(list.last(), QString("S\\G2\\=G2"));
    // The eleventh distinct game drops the oldest.
    TGameLists::AddToRecentGames(data, "S\\F\\新\\");
    list = Locations(data.RecentFolder());
    QCOMPARE(list.size(), 10);
    QCOMPARE(list.first(), QString("S\\F\\新\\=新"));
    QCOMPARE(list.at(1), QString("S\\G1\\=第一个"));
    QVERIFY(!list.contains("S\\G2\\=G2"));
    QCOMPARE(list.last(), QString("S\\G3\\=G3"));
}

void TestSideLogic::StoreCatalogueKeepsOldFileForBadText() {
    QTemporaryDir dir;
    const QString file = TCatalogue::FileName(dir.path() + "/");
    const QString good = "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<games version=\"2\">"
                         "<section caption=\"休闲\"><game caption=\"贪吃蛇\" url=\"u\"/></section>"
                         "</games>";
    QVERIFY(TCatalogue::StoreCatalogue(good, file));
    const QByteArray stored = ReadAll(file);
    TCatalogue c;
    QVERIFY(c.LoadCatalogue(file));
    QCOMPARE(c.Version(), QString("2"));
    QCOMPARE(c.FindByLocation("休闲\\贪吃蛇\\").attribute("url"), QString("u"));
    // Not XML, no declaration, empty, nested deeper than any catalogue read back: the file
    // stays as it was, no temporary left behind.
    const QString deep =
        "<?xml version=\"1.0\"?>" + QString("<f>").repeated(1000) + QString("</f>").repeated(1000);
    for (const QString &bad :
         {QString("<games><section"), QString("<games version='3'/>"), QString(), deep}) {
        QVERIFY(!TCatalogue::StoreCatalogue(bad, file));
        QCOMPARE(ReadAll(file), stored);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"games.xml"}));
    // A stored catalogue is read again even right after the old one was read.
    QVERIFY(
        TCatalogue::StoreCatalogue(QString(good).replace("version=\"2\"", "version=\"3\""), file));
    QVERIFY(c.LoadCatalogue(file));
    QCOMPARE(c.Version(), QString("3"));
    // A folder where the file cannot be written fails without a trace.
    QVERIFY(!TCatalogue::StoreCatalogue(good, dir.path() + "/missing/games.xml"));
}

void TestSideLogic::TabProcessGetsEachArgumentWhole() {
    const QStringList args =
        TabProcessArguments(123456789012ULL, "休闲 游戏\\\"经典\" 小游戏\\", "");
    QCOMPARE(args, QStringList({"123456789012", "休闲 游戏\\\"经典\" 小游戏\\"}));
    QCOMPARE(TabProcessArguments(7, "S\\G\\", "玩 家").size(), 3);

    // A real process started the way games are started writes what it received.
    QTemporaryDir dir;
    const QString script = dir.path() + "/tab program";
    const QString out = dir.path() + "/args.txt";
    {
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.tmp\"\n"
                "mv \"$0.tmp\" \"" +
                out.toUtf8() + "\"\n");
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    const QString location = "休闲 游戏\\经典 & 小游戏\\贪吃蛇 $HOME '\\";
    QVERIFY(StartTabProcess(script, 42, location, "张 三"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
    QCOMPARE(QString::fromUtf8(ReadAll(out)), "42\n" + location + "\n张 三\n");
    QVERIFY(!StartTabProcess(dir.path() + "/no such program", 42, location, ""));
}

QTEST_GUILESS_MAIN(TestSideLogic)
#include "TestSideLogic.moc"
