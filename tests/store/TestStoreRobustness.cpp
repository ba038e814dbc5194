// Files written elsewhere meet damaged or hostile input in the field: random inputs must never
// crash a reader, and what a writer stores must read back.
#include "store/ScrambleText.h"
#include "store/TIniFile.h"
#include "store/TUserData.h"
#include "store/TZipFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

class TestStoreRobustness : public QObject {
    Q_OBJECT
private slots:
    void IniWritesReadBack();
    void IniSurvivesRandomFiles();
    void UserDataSurvivesRandomBytes();
    void ZipSurvivesRandomBytes();

private:
    QRandomGenerator FRandom{20261207};
    QString RandomText(int maxLen, const QString &alphabet) {
        QString s;
        const int len = int(FRandom.bounded(maxLen + 1));
        for (int i = 0; i < len; ++i)
            s += alphabet.at(int(FRandom.bounded(alphabet.size())));
        return s;
    }
    QByteArray RandomBytes(int maxLen) {
        QByteArray b(int(FRandom.bounded(maxLen + 1)), Qt::Uninitialized);
        for (char &c : b)
            c = char(FRandom.bounded(256));
        return b;
    }
};

void TestStoreRobustness::IniWritesReadBack() {
    QTemporaryDir dir;
    TIniFile ini(dir.filePath("r.ini"));
    const QString keyChars = QStringLiteral("abcXYZ019_.游戏");
    const QString valueChars = QStringLiteral("abc =;[]#\\/:游戏帐号密码€ 09");
    QHash<QString, QString> expected; // lower-cased section + "/" + lower-cased key
    for (int i = 0; i < 300; ++i) {
        const QString section = QStringLiteral("S") + RandomText(3, keyChars);
        const QString key = QStringLiteral("k") + RandomText(6, keyChars);
        const QString value = RandomText(20, valueChars).trimmed();
        ini.WriteString(section, key, value);
        expected[section.toLower() + "/" + key.toLower()] = value;
    }
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QString section = it.key().section('/', 0, 0);
        const QString key = it.key().section('/', 1);
        QCOMPARE(ini.ReadString(section.toUpper(), key, "<none>"), it.value());
    }
}

void TestStoreRobustness::IniSurvivesRandomFiles() {
    QTemporaryDir dir;
    const QString path = dir.filePath("x.ini");
    for (int i = 0; i < 300; ++i) {
        QByteArray bytes = RandomBytes(300);
        bytes.replace(char(7), '\n');
        bytes.replace(char(8), '=');
        bytes.replace(char(9), '[');
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        TIniFile ini(path);
        ini.ReadString("General", "login", "");
        ini.ReadInteger("Window", "Width", 1);
        ini.WriteString("General", "login", "bob");
        QCOMPARE(ini.ReadString("general", "LOGIN", ""), QString("bob"));
    }
}

void TestStoreRobustness::UserDataSurvivesRandomBytes() {
    const QByteArray valid = ScrambleText(
        "<?xml version=\"1.0\"?>\r\n<folder password=\"p\"><folder><item location=\"a\\\" "
        "user=\"u\" caption=\"c\" "
        "pass=\"x\"/></folder><folder><folder/><folder/></folder></folder>");
    for (int i = 0; i < 500; ++i) {
        QByteArray bytes = i % 2 ? RandomBytes(400) : valid;
        if (i % 2 == 0) // damage a valid file in a few places
            for (int n = 0; n < 3; ++n)
                bytes[int(FRandom.bounded(bytes.size()))] = char(FRandom.bounded(256));
        TUserData d;
        if (d.FromFileBytes(bytes)) {
            d.FindAccount("a\\", "u");
            d.EnsureStructure();
            d.AppendAccount("b\\", "v", "c", "p");
            QVERIFY(!d.FindAccount("b\\", "v").isNull());
        } else {
            QVERIFY(d.IsEmpty());
        }
    }
}

void TestStoreRobustness::ZipSurvivesRandomBytes() {
    QTemporaryDir dir;
    for (int i = 0; i < 300; ++i) {
        QByteArray bytes = RandomBytes(600);
        if (i % 3 == 0)
            bytes.prepend("PK\x03\x04");
        TZipFile zip;
        if (!zip.OpenData(bytes)) {
            QVERIFY(!zip.ErrorString().isEmpty());
            continue;
        }
        // Whatever opened is no archive: every member fails, and nothing is written.
        QVERIFY(!zip.ExtractAll(dir.path()));
        for (const TZipEntry &e : zip.Entries()) {
            QByteArray out;
            QVERIFY(!zip.Extract(e.Index, out));
            QVERIFY(out.isEmpty());
        }
    }
    QVERIFY(QDir(dir.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TestStoreRobustness)
#include "TestStoreRobustness.moc"
