#include "mainwindow/TToolBarLayout.h"

#include <QTest>

namespace {

// Fixed-pitch measure standing in for a font: 12 px per character.
int FakeMeasure(const QString &text) {
    return 12 * int(text.size());
}

// Row widths with a 24 px frame: home 54, back 24, forward 24, separator 9, stop 24,
// refresh 37, separator 9, accounts 67, settings 24, full screen 24, chevron 15; so rows start
// at 9, 63, 87, 111, 120, 144, 181, 190, 257, 281. Search box 150 x 20, address box 20 high,
// small buttons 2 x 20 wide: the address box starts at 391 from a width of 874 upwards.
const QSize SearchSize(150, 20);

QList<int> VisibleRows(const TToolButtons &b) {
    QList<int> rows;
    for (int row = RowHome; row <= RowChevron; ++row)
        if (b[size_t(row)].Visible)
            rows.append(row);
    return rows;
}

} // namespace

class TestToolBarLayout : public QObject {
    Q_OBJECT

    TToolButtons Buttons;

    void Init(TToolBarLayout &layout, int width) {
        layout.ComputeMetrics(TStripImages(), FakeMeasure);
        layout.Layout(width, SearchSize, 20);
    }

private slots:
    void init() { Buttons = DefaultToolButtons(); }

    void overflowAtSeveralWidths() {
        TToolBarLayout layout(Buttons);
        Init(layout, 1200);
        QCOMPARE(layout.SearchBox(), QRect(1026, 9, 150, 20));
        QCOMPARE(layout.AddressBox(), QRect(391, 9, 586, 20));
        QCOMPARE(VisibleRows(Buttons), QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
        QVERIFY(layout.PlaceRows(TToolStrip::ToolBar2).isEmpty());

        // Full screen goes first and the chevron takes its place.
        layout.Layout(850, SearchSize, 20);
        QCOMPARE(VisibleRows(Buttons), QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 10}));
        QCOMPARE(Buttons[RowChevron].Left, 281);
        QCOMPARE(layout.PlaceRows(TToolStrip::ToolBar2), QList<int>({9}));
        QCOMPARE(layout.ToolBar2Rect(), QRect(288 - 21, 31, 18 + 24, 40));

        layout.Layout(800, SearchSize, 20);
        QCOMPARE(layout.PlaceRows(TToolStrip::ToolBar2), QList<int>({7, 8, 9}));
        QCOMPARE(Buttons[RowAccounts].Left, 9);
        QCOMPARE(Buttons[RowFullScreen].Left, 9 + 67 + 24);
        QCOMPARE(layout.PlaceRows(TToolStrip::ToolBar), QList<int>({0, 1, 2, 3, 4, 5, 6, 10}));
        QCOMPARE(Buttons[RowChevron].Left, 190);
        QCOMPARE(layout.ToolBar2Rect().width(), 18 + 67 + 24 + 24);

        // A row placed on the drop-down strip must not fit again at its strip position.
        layout.Layout(830, SearchSize, 20);
        QCOMPARE(VisibleRows(Buttons), QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 10}));

        layout.Layout(1200, SearchSize, 20);
        QCOMPARE(VisibleRows(Buttons), QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
        QCOMPARE(Buttons[RowFullScreen].Left, 281);
    }

    void addressBoxKeepsItsRoom() {
        TToolBarLayout layout(Buttons);
        Init(layout, 600);
        // The room for address box and small buttons never drops below twice the search box.
        QCOMPARE(layout.AddressBox(), QRect(600 - 174 - 300 - 9, 9, 300 - 40, 20));
        QCOMPARE(layout.ToolBar2Rect().left(), 0); // kept inside the tool bar
        QCOMPARE(Buttons[RowCapture].Left, 117 - 18 + 2 - 20);
        QCOMPARE(Buttons[RowFavorites].Left, 117 - 18 + 2 - 40);
        QCOMPARE(Buttons[RowCapture].Top, 10);
    }

    void toolBarHitTesting() {
        TToolBarLayout layout(Buttons);
        Init(layout, 1200);
        TStripHit home = layout.HitTest(TToolStrip::ToolBar, 63, 7);
        QCOMPARE(home.Index, 0); // the shared edge belongs to the left row
        QCOMPARE(home.Hint, QStringLiteral("主页"));
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 30, 31).Index, -1);
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 30, 6).Index, -1);
        TStripHit back = layout.HitTest(TToolStrip::ToolBar, 70, 20);
        QCOMPARE(back.Index, -1); // disabled: hint only
        QCOMPARE(back.Hint, QStringLiteral("后退"));
        TStripHit separator = layout.HitTest(TToolStrip::ToolBar, 115, 20);
        QCOMPARE(separator.Index, -1);
        QCOMPARE(separator.Hint, QString());

        // Refresh spans 144..181: its right 12 px are the arrow part.
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 170, 20).Index, RowRefresh);
        QVERIFY(Buttons[RowRefresh].ArrowHit);
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 169, 20).Index, RowRefresh);
        QVERIFY(!Buttons[RowRefresh].ArrowHit);
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 250, 20).Index, RowAccounts);
        QVERIFY(Buttons[RowAccounts].ArrowHit);
        QCOMPARE(layout.ArrowMenuPos(RowAccounts), QPoint(190, 32));

        TStripHit favorites = layout.HitTest(TToolStrip::ToolBar, 340, 15);
        QCOMPARE(favorites.Index, FavoritesIndex);
        QCOMPARE(favorites.Hint, QStringLiteral("添加到收藏夹"));
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 360, 15).Index, CaptureIndex);

        // Go buttons: 18 px right of each box, 2 px above and below it.
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 1177, 7).Index, SearchGoIndex);
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 1194, 30).Index, SearchGoIndex);
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 1195, 20).Index, -1);
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 1180, 6).Index, -1);
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 980, 12).Index, AddressGoIndex);
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 900, 12).Index, -1);

        QVERIFY(layout.InSearchEngineZone(998, 6));
        QVERIFY(layout.InSearchEngineZone(1025, 31));
        QVERIFY(!layout.InSearchEngineZone(1026, 12));
        QVERIFY(!layout.InSearchEngineZone(997, 12));
        QVERIFY(!layout.InSearchEngineZone(1000, 5));
        QCOMPARE(layout.SearchMenuPos(), QPoint(998, 32));
    }

    void dropDownStripHitTesting() {
        TToolBarLayout layout(Buttons);
        Init(layout, 800); // rows 7, 8, 9 on the drop-down strip
        TStripHit accounts = layout.HitTest(TToolStrip::ToolBar2, 10, 20);
        QCOMPARE(accounts.Index, RowAccounts);
        QVERIFY(!Buttons[RowAccounts].ArrowHit);
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar2, 120, 20).Index, RowFullScreen);
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar2, 140, 20).Index, -1);
        // The small buttons and go zones live on the tool bar only.
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar2, 60, 15).Index, RowAccounts);
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 195, 20).Index, RowChevron);
        QCOMPARE(layout.HitTest(TToolStrip::ToolBar, 260, 20).Index, -1);
        // Hit-testing the drop-down strip leaves the tool bar's positions alone.
        QCOMPARE(Buttons[RowChevron].Left, 190);
    }

    void buttonLooks() {
        TToolBarLayout layout(Buttons);
        Init(layout, 1200);
        QVERIFY(!layout.Look(RowStop, 0, RowStop).Frame); // pressed but not hot: plain
        TToolLook hot = layout.Look(RowStop, RowStop, -1);
        QVERIFY(hot.Frame && !hot.BodyPressed && !hot.Shifted);
        QVERIFY(hot.Arrow.isNull());
        TToolLook pressed = layout.Look(RowStop, RowStop, RowStop);
        QVERIFY(pressed.BodyPressed && pressed.Shifted);

        // Refresh spans 144..181: body and a 13 px arrow part with a 1 px gap.
        layout.HitTest(TToolStrip::ToolBar, 175, 20);
        TToolLook onArrow = layout.Look(RowRefresh, RowRefresh, RowRefresh);
        QVERIFY(onArrow.ArrowPressed && !onArrow.BodyPressed && !onArrow.Shifted);
        QCOMPARE(onArrow.Body, QRect(144, 7, 23, 24));
        QCOMPARE(onArrow.Arrow, QRect(168, 7, 13, 24));
        layout.HitTest(TToolStrip::ToolBar, 150, 20);
        TToolLook onBody = layout.Look(RowRefresh, RowRefresh, RowRefresh);
        QVERIFY(!onBody.ArrowPressed && onBody.BodyPressed);
    }

    void statusBarRectangles() {
        TStatusBarRects idle = TToolBarLayout::StatusBar(800, 21, 40, QSize(10, 12), 0);
        QCOMPARE(idle.ContentRight, 760);
        QVERIFY(idle.Progress.isNull());
        QCOMPARE(idle.Text, QRect(3, 0, 757, 21));

        TStatusBarRects loading = TToolBarLayout::StatusBar(800, 21, 40, QSize(10, 12), 50);
        QCOMPARE(loading.Progress, QRect(560, 4, 200, 12));
        QCOMPARE(loading.Fill, QRect(560, 4, 50, 12));
        QCOMPARE(loading.Text, QRect(3, 0, 557, 21));
        QCOMPARE(TToolBarLayout::StatusBar(800, 21, 40, QSize(10, 12), 900).Fill.width(), 200);
        QCOMPARE(TToolBarLayout::StatusBar(100, 21, 40, QSize(10, 12), 10).Text.width(), 0);
    }
};

QTEST_APPLESS_MAIN(TestToolBarLayout)
#include "TestToolBarLayout.moc"
