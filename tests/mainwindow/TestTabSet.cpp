#include "mainwindow/TTabSet.h"
#include "mainwindow/TToolBarLayout.h"

#include <QTest>

namespace {

// Fixed-pitch measure standing in for a font: 10 px per character.
int FakeMeasure(const QString &text) {
    return 10 * int(text.size());
}

TTab MakeTab(HWND handle, const QString &title = QStringLiteral("正在打开...")) {
    TTab tab;
    tab.Handle = handle;
    tab.Title = title;
    return tab;
}

} // namespace

class TestTabSet : public QObject {
    Q_OBJECT

    TToolButtons Buttons;

    // Tab bar buttons 20 x 18 in a 26 px bar; a bar of 1043 px leaves B = 1000 (K = 4).
    void Init(TTabSet &set, int tabs, int barWidth = 1043) {
        Buttons = DefaultToolButtons();
        TToolBarLayout(Buttons).ComputeMetrics(TStripImages(), FakeMeasure);
        set.SetBarSize(barWidth, 26);
        for (int i = 0; i < tabs; ++i) {
            set.Append(MakeTab(HWND(100 + i)));
            set.Layout(); // the window redraws the tab bar after every registration
        }
    }

private slots:
    void eightTabsScrollAndCloseFromTheRight() {
        TTabSet set(Buttons);
        Init(set, 8);
        QCOMPARE(set.Available(), 1000);
        QCOMPARE(set.CurrentTab(), 7);

        set.MakeCurrent(0);
        set.Layout();
        QCOMPARE(set.FirstVisibleTab(), 0);
        set.MakeCurrent(set.WrapIndex(7));
        QList<TTabBarTab> cells = set.Layout();
        QCOMPARE(set.FirstVisibleTab(), 3);
        QCOMPARE(cells.size(), 5);
        QCOMPARE(cells.first().Index, 3);
        QCOMPARE(cells.first().Rect, QRect(3, 0, 168, 26));
        QVERIFY(cells.last().Active);
        QCOMPARE(cells.last().ImageRect, QRect(3 + 4 * 168 - 1, 0, 170, 26));
        QCOMPARE(Buttons[RowCloseTab].Left, 3 + 5 * 168 - 20 - 3);

        set.MakeCurrent(2);
        set.Layout();
        QCOMPARE(set.FirstVisibleTab(), 2);
        // Six tabs still overflow, but the list ends before FirstVisibleTab + K.
        set.Remove(7);
        set.Remove(6);
        set.Layout();
        QCOMPARE(set.FirstVisibleTab(), 0);
        QCOMPARE(set.CurrentTab(), 2);
        set.Remove(5);
        set.Layout();
        QCOMPARE(set.FirstVisibleTab(), 0);
    }

    void narrowBarNeverScrollsBelowZero() {
        TTabSet set(Buttons);
        Init(set, 3, 200); // B = 157: not even one tab fits
        QCOMPARE(set.FirstVisibleTab(), 2);
        QVERIFY(set.Layout().isEmpty());
        set.MakeCurrent(0);
        set.Layout();
        QCOMPARE(set.FirstVisibleTab(), 0);
        QCOMPARE(set.HitTest(50, 10).Index, -1);
        // The close button of an undrawn tab cannot be hit either.
        set.MakeCurrent(1);
        set.Layout();
        QCOMPARE(set.HitTest(Buttons[RowCloseTab].Left + 1, Buttons[RowCloseTab].Top + 1).Index,
                 -1);
    }

    void hitTesting() {
        TTabSet empty(Buttons);
        Init(empty, 0);
        empty.Layout();
        QCOMPARE(empty.HitTest(1010, 5).Index, -1);

        TTabSet set(Buttons);
        Init(set, 8); // FirstVisibleTab 3, tab 7 shown
        QCOMPARE(set.HitTest(4, 10).Index, 3);
        QCOMPARE(set.HitTest(3, 10).Index, -1); // on the edge between cells
        QCOMPARE(set.HitTest(171, 10).Index, -1);
        QCOMPARE(set.HitTest(172, 10).Index, 4);
        QCOMPARE(set.HitTest(172, 0).Index, -1); // rows 0 and height - 2 belong to no tab
        QCOMPARE(set.HitTest(172, 24).Index, -1);
        QCOMPARE(set.HitTest(172, 23).Index, 4);
        QCOMPARE(set.HitTest(900, 10).Index, -1); // past the last drawn tab

        // Buttons: 20 x 18 at Top 1 (close: 3), inclusive rectangles.
        TStripHit prev = set.HitTest(1000, 1);
        QCOMPARE(prev.Index, PrevTabIndex);
        QCOMPARE(prev.Hint, QStringLiteral("上一标签"));
        TStripHit next = set.HitTest(1040, 19); // disabled on the last tab: hint, no index
        QCOMPARE(next.Index, -1);
        QCOMPARE(next.Hint, QStringLiteral("下一标签"));
        QCOMPARE(set.HitTest(1041, 10).Index, -1);
        QCOMPARE(set.ButtonImageRow(RowNextTab, NextTabIndex, NextTabIndex), 3);
        QCOMPARE(set.ButtonImageRow(RowPrevTab, PrevTabIndex, -1), 1);
        QCOMPARE(set.ButtonImageRow(RowPrevTab, PrevTabIndex, PrevTabIndex), 2);
        QCOMPARE(set.ButtonImageRow(RowPrevTab, -1, PrevTabIndex), 0);
        const TToolButton &close = Buttons[RowCloseTab];
        TStripHit closeHit = set.HitTest(close.Left, close.Top);
        QCOMPARE(closeHit.Index, CloseTabIndex);
        QCOMPARE(closeHit.Hint, QStringLiteral("关闭标签"));
        QCOMPARE(set.HitTest(close.Left - 1, close.Top).Index, 7);

        // Leave-full-screen is hit only while shown; it pushes the others left.
        QCOMPARE(set.HitTest(1039, 10).Index, -1);
        Buttons[RowLeaveFullScreen].Visible = true;
        set.Layout();
        QCOMPARE(set.Available(), 980);
        QCOMPARE(set.HitTest(1039, 10).Index, LeaveFullScreenIndex);
        QCOMPARE(set.HitTest(1005, 10).Index, -1); // next, disabled
        QCOMPARE(set.HitTest(1005, 10).Hint, QStringLiteral("下一标签"));
        QCOMPARE(set.HitTest(1000, 10).Index,
                 PrevTabIndex); // a shared edge goes to the left button
        QCOMPARE(set.HitTest(1039, 26).Index, -1);
    }

    void showWrapsAndButtonsFollow() {
        TTabSet set(Buttons);
        QCOMPARE(set.WrapIndex(0), -1);
        Init(set, 3);
        QCOMPARE(set.WrapIndex(-1), 2);
        QCOMPARE(set.WrapIndex(3), 0);

        set.Tab(0).CanBack = true;
        set.Tab(0).Progress = 120;
        QCOMPARE(set.MakeCurrent(0), HWND(102));
        QVERIFY(Buttons[RowBack].Enabled);
        QVERIFY(!Buttons[RowForward].Enabled);
        QCOMPARE(set.ShownProgress(), 120);
        QVERIFY(!Buttons[RowPrevTab].Enabled);
        QVERIFY(Buttons[RowNextTab].Enabled);
        QCOMPARE(set.MakeCurrent(0), HWND(0)); // same tab: nothing to hide

        // Reports for a tab in the background change the record only.
        QVERIFY(!set.SetCanForward(101, true));
        QVERIFY(!Buttons[RowForward].Enabled);
        QVERIFY(set.Tab(1).CanForward);
        QVERIFY(set.SetCanForward(100, true));
        QVERIFY(Buttons[RowForward].Enabled);
        QVERIFY(!set.SetProgress(102, 50));
        QCOMPARE(set.ShownProgress(), 120);
        QVERIFY(set.SetProgress(100, 0));
        QCOMPARE(set.ShownProgress(), 0);
        QVERIFY(!set.SetCanBack(999, true));

        // A newly registered tab starts with its own (empty) history.
        QCOMPARE(set.Append(MakeTab(200)), HWND(100));
        QVERIFY(!Buttons[RowBack].Enabled);
        QVERIFY(!Buttons[RowForward].Enabled);
        QVERIFY(Buttons[RowPrevTab].Enabled);
        QVERIFY(!Buttons[RowNextTab].Enabled);
    }

    void closeKeepsOneShownTab() {
        TTabSet set(Buttons);
        Init(set, 3);
        QVERIFY(!set.PlanClose(3).Valid);
        QVERIFY(!set.PlanClose(-1).Valid);
        QVERIFY(!set.Remove(3));

        // The shown first tab: the last one is shown first, then the first goes.
        set.MakeCurrent(0);
        set.ContextTab = 2;
        TClosePlan plan = set.PlanClose(0);
        QVERIFY(plan.Valid);
        QVERIFY(!plan.AskLocked);
        QCOMPARE(plan.ShowFirst, 2);
        QCOMPARE(set.MakeCurrent(plan.ShowFirst), HWND(100));
        std::unique_ptr<TTab> gone = set.Remove(0);
        QCOMPARE(gone->Handle, HWND(100));
        QCOMPARE(set.CurrentTab(), 1);
        QCOMPARE(set.Tab(1).Handle, HWND(102));
        QCOMPARE(set.ContextTab, 1);
        QVERIFY(Buttons[RowPrevTab].Enabled);
        QVERIFY(!Buttons[RowNextTab].Enabled);

        // A background tab after the shown one: "next" must not stay enabled.
        set.MakeCurrent(0);
        QVERIFY(Buttons[RowNextTab].Enabled);
        QCOMPARE(set.PlanClose(1).ShowFirst, -1);
        set.Remove(1);
        QCOMPARE(set.CurrentTab(), 0);
        QVERIFY(!Buttons[RowNextTab].Enabled);
        QCOMPARE(set.ContextTab, -1);

        // The only tab: shown against itself, then nothing is shown until a new tab comes.
        set.Tab(0).Locked = true;
        plan = set.PlanClose(0);
        QVERIFY(plan.AskLocked);
        QCOMPARE(plan.ShowFirst, 0);
        QCOMPARE(set.MakeCurrent(0), HWND(0));
        set.Remove(0);
        QCOMPARE(set.Count(), 0);
        QCOMPARE(set.CurrentTab(), -1);
        QVERIFY(!set.Current());
        QCOMPARE(set.Append(MakeTab(300)), HWND(0));
        QCOMPARE(set.CurrentTab(), 0);
    }

    void tabTextAreas() {
        TTabSet set(Buttons);
        Init(set, 2);
        set.Tab(0).User = QStringLiteral("abc");
        set.Tab(0).Title = QStringLiteral("X");
        set.Tab(0).Locked = true;
        QCOMPARE(set.Tab(0).Caption(), QStringLiteral("[abc]X"));
        QCOMPARE(set.Tab(1).Caption(), QStringLiteral("正在打开..."));

        QList<TTabBarTab> cells = set.Layout(QSize(16, 16));
        QCOMPARE(cells[0].LockRect, QRect(12, 5, 16, 16));
        QCOMPARE(cells[0].TextRect, QRect(3 + 28, -3, 168 - 28 - 6, 26));
        QVERIFY(cells[1].LockRect.isNull());
        // The shown tab's text stops at its close button.
        QCOMPARE(cells[1].TextRect.left(), 171 + 6);
        QCOMPARE(cells[1].TextRect.left() + cells[1].TextRect.width(), Buttons[RowCloseTab].Left);

        set.Tab(1).Title = QString(40, QChar(0x6E38));
        const QString shown = TTabSet::FitCaption(set.Tab(1), cells[1], FakeMeasure);
        QVERIFY(shown.endsWith(QChar(0x2026)));
        QVERIFY(FakeMeasure(shown) <= cells[1].TextRect.width());
        QVERIFY(FakeMeasure(shown) > cells[1].TextRect.width() - 10);
        QCOMPARE(TTabSet::FitCaption(set.Tab(0), cells[0], FakeMeasure), QStringLiteral("[abc]X"));
    }

    void elideKeepsCharactersWhole() {
        const QString emoji = QString::fromUtf8("\xF0\x9F\x8E\xAE"); // one character, two units
        const QString text = QStringLiteral("ab") + emoji + QStringLiteral("cd");
        // Widths in units: the ellipsis plus "ab" and half the pair would be 4 x 10.
        QCOMPARE(ElideRight(text, 40, FakeMeasure), QStringLiteral("ab") + QChar(0x2026));
        QCOMPARE(ElideRight(text, 50, FakeMeasure), QStringLiteral("ab") + emoji + QChar(0x2026));
        QCOMPARE(ElideRight(text, 60, FakeMeasure), text);
        QCOMPARE(ElideRight(text, 10, FakeMeasure), QString(QChar(0x2026)));
        QCOMPARE(ElideRight(text, 9, FakeMeasure), QString());
    }
};

QTEST_APPLESS_MAIN(TestTabSet)
#include "TestTabSet.moc"
