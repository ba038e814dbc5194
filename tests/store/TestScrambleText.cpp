#include "platform/AnsiCodePage.h"
#include "store/ScrambleText.h"

#include <QTest>

class TestScrambleText : public QObject {
    Q_OBJECT
private slots:
    void RoundTripKeepsHighNibbles();
    void KeyWrapsAround();
    void GbkDoubleBytesScrambledIndependently();
    void CustomKey();
    void AnsiCodePageRoundTrip();
    void UnmappableCharacters();
    void InvalidAnsiBytes();
};

void TestScrambleText::RoundTripKeepsHighNibbles() {
    const QByteArray plain("abc");
    const QByteArray once = ScrambleText(plain);
    QCOMPARE(once.size(), plain.size());
    QVERIFY(once != plain);
    for (int i = 0; i < plain.size(); ++i)
        QCOMPARE(once[i] & 0xF0, plain[i] & 0xF0);
    QCOMPARE(ScrambleText(once), plain);
    // 'a' 0x61 with 'Q' 0x51: low nibbles 1 ^ 1 = 0.
    QCOMPARE(uchar(once[0]), uchar(0x60));
    QCOMPARE(ScrambleText(QByteArray()), QByteArray());
}

void TestScrambleText::KeyWrapsAround() {
    // 25 key bytes: position 25 reuses key byte 0.
    const QByteArray zeros(60, '\0');
    const QByteArray out = ScrambleText(zeros);
    const QByteArray key(DefaultScrambleKey);
    QCOMPARE(key.size(), 25);
    for (int i = 0; i < zeros.size(); ++i)
        QCOMPARE(uchar(out[i]), uchar(key[i % 25] & 0x0F));
    QCOMPARE(out.mid(25, 25), out.left(25));
}

void TestScrambleText::GbkDoubleBytesScrambledIndependently() {
    const QString chinese = QStringLiteral("我的游戏");
    const QByteArray gbk = AnsiFromUnicode(chinese);
    QCOMPARE(gbk.size(), 8); // two bytes a character
    const QByteArray scrambled = ScrambleText(gbk);
    const QByteArray key(DefaultScrambleKey);
    for (int i = 0; i < gbk.size(); ++i) {
        QCOMPARE(uchar(scrambled[i]) & 0xF0, uchar(gbk[i]) & 0xF0);
        QCOMPARE(uchar(scrambled[i]) & 0x0F, (uchar(gbk[i]) ^ uchar(key[i])) & 0x0F);
    }
    QCOMPARE(UnicodeFromAnsi(ScrambleText(scrambled)), chinese);
}

void TestScrambleText::CustomKey() {
    const QByteArray text("hello world");
    QCOMPARE(ScrambleText(text, "k"), ScrambleText(text, "kk"));
    QVERIFY(ScrambleText(text, "k") != ScrambleText(text));
    QCOMPARE(ScrambleText(ScrambleText(text, "xyz"), "xyz"), text);
}

void TestScrambleText::AnsiCodePageRoundTrip() {
    const QString text = QStringLiteral("帐号 user=张三; 密码 €");
    QCOMPARE(UnicodeFromAnsi(AnsiFromUnicode(text)), text);
    // Known GBK bytes: 中 = D6 D0.
    QCOMPARE(AnsiFromUnicode(QStringLiteral("中")), QByteArray("\xD6\xD0"));
    QCOMPARE(UnicodeFromAnsi(QByteArray("\xD6\xD0")), QStringLiteral("中"));
}

void TestScrambleText::UnmappableCharacters() {
    const QString text = QStringLiteral("a\U0001F600b");
    QCOMPARE(AnsiFromUnicode(text), QByteArray("a?b"));
    QCOMPARE(AnsiFromUnicode(text, TUnmappable::XmlReference), QByteArray("a&#x1F600;b"));
}

void TestScrambleText::InvalidAnsiBytes() {
    // A lead byte with nothing after it must not lose the text before it.
    const QString s = UnicodeFromAnsi(QByteArray("ok\xD6"));
    QVERIFY(s.startsWith(QLatin1String("ok")));
    QCOMPARE(UnicodeFromAnsi(QByteArray("x\xFFy")).size(), 3);
}

QTEST_GUILESS_MAIN(TestScrambleText)
#include "TestScrambleText.moc"
