// The notification pane's show commands and slide arithmetic.

#include "mainwindow/TNoticeSlide.h"

#include <QTest>

class TestNoticeSlide : public QObject {
    Q_OBJECT

private slots:
    void ShowCommands() {
        QCOMPARE(TNoticeSlide::ShowCommand("javascript:show(2)"), 2);
        QCOMPARE(TNoticeSlide::ShowCommand("JavaScript:Show(3);"), 3);
        QCOMPARE(TNoticeSlide::ShowCommand("javascript:show(x)"), 0);
        QCOMPARE(TNoticeSlide::ShowCommand("javascript:show("), 0);
        QCOMPARE(TNoticeSlide::ShowCommand("javascript:hide(2)"), -1);
        QCOMPARE(TNoticeSlide::ShowCommand("http://h/show(2)"), -1);
        QVERIFY(!TNoticeSlide::Handles(7)); // goes on to the engine
        QVERIFY(!TNoticeSlide::Handles(0));
        QVERIFY(TNoticeSlide::Handles(1) && TNoticeSlide::Handles(3));
    }

    // Up until the pane stands 5 px above the frame's bottom, down to a 28 px strip, anchored
    // 20 px from the right edge through a resize, and away to the left when hidden.
    void SlideUpDownAndAnchor() {
        const int fw = 800, fh = 500, pw = 250, ph = 160;
        TNoticeSlide s;
        QVERIFY(!s.OnScreen());
        s.Open(fw, fh, pw);
        QCOMPARE(s.Pos(), QPoint(530, 500));
        s.StartSlide(TNoticeSlide::SlideUp);
        int ticks = 0;
        while (s.Tick(fh, ph) && ticks < 1000) {
            ++ticks;
            QCOMPARE(s.Pos().y(), fh - s.Offset());
        }
        QCOMPARE(ticks, 17); // 10 px a tick past the end, then back to the resting place
        QCOMPARE(s.Offset(), ph + 5);
        QCOMPARE(s.Pos().y() + ph, fh - 5);
        // Fitted to a shorter page it still stands 5 px above the bottom.
        s.Refit(fh, ph, 100);
        QCOMPARE(s.Pos().y() + 100, fh - 5);
        s.Refit(fh, 100, ph);

        s.StartSlide(TNoticeSlide::SlideDown);
        while (s.Tick(fh, ph))
            QVERIFY(s.Offset() > 28);
        QCOMPARE(s.Offset(), 28);
        QCOMPARE(s.Pos().y(), fh - 28);

        s.Reanchor(1000, 600, pw);
        QCOMPARE(s.Pos(), QPoint(730, 572));

        s.HideAway(pw);
        QVERIFY(!s.OnScreen());
        QCOMPARE(s.Offset(), 0);
        s.Reanchor(1000, 600, pw); // off screen: stays away
        QVERIFY(!s.OnScreen());
    }
};

QTEST_GUILESS_MAIN(TestNoticeSlide)
#include "TestNoticeSlide.moc"
