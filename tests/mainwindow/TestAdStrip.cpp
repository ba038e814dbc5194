#include "mainwindow/TAdStrip.h"

#include <QTest>

namespace {

// Fixed-pitch measure standing in for a font: 10 px per character.
int FakeMeasure(const QString &text) {
    return 10 * int(text.size());
}

} // namespace

class TestAdStrip : public QObject {
    Q_OBJECT

private slots:
    void parsing() {
        TAdStrip ads;
        ads.SetAnswer(
            QStringLiteral("a|http://127.0.0.1/a\r\nbb|http://127.0.0.1/b?x=1|2\r\n\r\n"));
        QCOMPARE(ads.Lines().size(), 2);
        QVERIFY(ads.Running());
        QCOMPARE(ads.Url(1), QStringLiteral("http://127.0.0.1/b?x=1|2"));
        QCOMPARE(TAdStrip::TextOf(ads.Lines().at(1)), QStringLiteral("bb"));
        QCOMPARE(ads.Url(2), QString());

        // The first line decides: no "|" there means no strip at all.
        ads.SetAnswer(QStringLiteral("<html>error</html>\na|http://127.0.0.1/a"));
        QVERIFY(!ads.Running());
        ads.SetAnswer(QString());
        QVERIFY(!ads.Running());
        QVERIFY(!ads.Tick(false, false));
        QCOMPARE(ads.Offset(), 0);
    }

    void scrollingAndHitTesting() {
        TAdStrip ads;
        ads.SetAnswer(QStringLiteral("a|u0\nbb|u1\nccc|u2"));
        ads.Layout(1000, FakeMeasure);
        QCOMPARE(ads.Items().size(), 3);
        QCOMPARE(ads.Items().at(1).Left, 26);
        QCOMPARE(ads.Items().at(2).Left, 62);
        QCOMPARE(ads.HitTest(0, 5, 21), -1);
        QCOMPARE(ads.HitTest(5, 5, 21), 0);
        QCOMPARE(ads.HitTest(10, 5, 21), -1);
        QCOMPARE(ads.HitTest(27, 5, 21), 1);
        QCOMPARE(ads.HitTest(27, 21, 21), -1);
        QCOMPARE(ads.HitTest(70, -1, 21), -1);

        // Drawing stops after the item that passes the strip's width.
        ads.Layout(30, FakeMeasure);
        QCOMPARE(ads.Items().size(), 2);
        QCOMPARE(ads.HitTest(29, 5, 21), 1);
        QCOMPARE(ads.HitTest(30, 5, 21), -1); // pointer gone past the strip's right end

        // A hot item or a status text holds the strip still.
        QVERIFY(!ads.Tick(true, false));
        QVERIFY(!ads.Tick(false, true));
        QCOMPARE(ads.Offset(), 0);
        for (int i = 0; i < 13; ++i)
            QVERIFY(ads.Tick(false, false));
        ads.Layout(1000, FakeMeasure);
        QCOMPARE(ads.Offset(), -26);
        QCOMPARE(ads.Lines().first(), QStringLiteral("a|u0")); // right end exactly 0: stays
        QCOMPARE(ads.HitTest(-20, 5, 21), 0);

        // Once the first item is out, it moves to the end and the next carries on seamlessly.
        ads.Tick(false, false);
        ads.Layout(1000, FakeMeasure);
        QCOMPARE(ads.Lines(), QStringList({"bb|u1", "ccc|u2", "a|u0"}));
        QCOMPARE(ads.Offset(), 0);
        QCOMPARE(ads.Items().first().Left, -2);
        QCOMPARE(ads.HitTest(5, 5, 21), 0);
        QCOMPARE(ads.Url(0), QStringLiteral("u1"));
        ads.Tick(false, false);
        ads.Layout(1000, FakeMeasure);
        QCOMPARE(ads.Items().first().Left, -2);
        QCOMPARE(ads.Items().last().Line, 2);
    }
};

QTEST_APPLESS_MAIN(TestAdStrip)
#include "TestAdStrip.moc"
