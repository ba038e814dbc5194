#include "platform/AnsiCodePage.h"
#include "store/EWriteError.h"
#include "store/TIniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(FDir.isValid()); }
    void MissingFileAndSectionGiveDefaults();
    void KeysAndSectionsAreCaseInsensitive();
    void IntegersAndBooleans();
    void DateRoundTrip();
    void HandWrittenGbkFileIsReadRight();
    void WritesKeepOtherLines();
    void FailedWriteKeepsFile();

private:
    QTemporaryDir FDir;
    QString Path(const char *name) const { return FDir.filePath(QString::fromLatin1(name)); }
    static void WriteRaw(const QString &path, const QByteArray &bytes) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray ReadRaw(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

void TestIniFile::MissingFileAndSectionGiveDefaults() {
    TIniFile ini(Path("none.ini"));
    QCOMPARE(ini.ReadString("General", "login", "x"), QString("x"));
    QCOMPARE(ini.ReadInteger("General", "actClose", 2), 2);
    QCOMPARE(ini.ReadBool("General", "SaveForm", true), true);
    QVERIFY(!ini.SectionExists("General"));
    QVERIFY(!QFile::exists(Path("none.ini"))); // reading never creates the file

    WriteRaw(Path("other.ini"), "[Window]\r\nWidth=10\r\n");
    TIniFile other(Path("other.ini"));
    QCOMPARE(other.ReadInteger("General", "Width", 7), 7);
    QCOMPARE(other.ReadInteger("Window", "Width", 7), 10);
}

void TestIniFile::KeysAndSectionsAreCaseInsensitive() {
    WriteRaw(Path("case.ini"), "[general]\nASKCLOSE=0\n  login = bob  \n");
    TIniFile ini(Path("case.ini"));
    QCOMPARE(ini.ReadBool("General", "askClose", true), false);
    QCOMPARE(ini.ReadString("GENERAL", "Login", ""), QString("bob"));
    ini.WriteString("General", "LOGIN", "carol");
    QCOMPARE(ini.ReadString("general", "login", ""), QString("carol"));
    // Rewritten in place, not added a second time.
    QCOMPARE(ReadRaw(Path("case.ini")).count("arol"), 1);
}

void TestIniFile::IntegersAndBooleans() {
    WriteRaw(Path("num.ini"), "[General]\nA=abc\nB=2\nC=0\nD=-5\nE=$1F\nF=\nG=12abc\nH=\"7\"\n");
    TIniFile ini(Path("num.ini"));
    QCOMPARE(ini.ReadBool("General", "A", true), true); // not a number: the default
    QCOMPARE(ini.ReadBool("General", "A", false), false);
    QCOMPARE(ini.ReadBool("General", "B", false), true); // any non-zero is true
    QCOMPARE(ini.ReadBool("General", "C", true), false);
    QCOMPARE(ini.ReadInteger("General", "D", 0), -5);
    QCOMPARE(ini.ReadInteger("General", "E", 0), 31);
    QCOMPARE(ini.ReadInteger("General", "F", 9), 9);
    QCOMPARE(ini.ReadInteger("General", "G", 9), 9);
    QCOMPARE(ini.ReadInteger("General", "H", 9), 7);
    ini.WriteBool("General", "B", false);
    QCOMPARE(ini.ReadString("General", "B", ""), QString("0"));
    ini.WriteBool("General", "B", true);
    QCOMPARE(ini.ReadString("General", "B", ""), QString("1"));
}

void TestIniFile::DateRoundTrip() {
    TIniFile ini(Path("date.ini"));
    const QDate day(2026, 12, 7);
    ini.WriteDate("General", "LastRun", day);
    QCOMPARE(ini.ReadDate("General", "LastRun", QDate()), day);
    ini.WriteString("General", "LastRun", "not a date");
    QCOMPARE(ini.ReadDate("General", "LastRun", QDate(2000, 1, 1)), QDate(2000, 1, 1));
}

void TestIniFile::HandWrittenGbkFileIsReadRight() {
    // "用户" in GBK: D3 C3 BB A7; a Windows editor writes CR LF.
    WriteRaw(Path("gbk.ini"),
             "[General]\r\nlogin=\xD3\xC3\xBB\xA7\r\nsetup=C:\\\xCF\xC2\xD4\xD8\\a_1.exe\r\n");
    TIniFile ini(Path("gbk.ini"));
    QCOMPARE(ini.ReadString("General", "login", ""), QStringLiteral("用户"));
    QCOMPARE(ini.ReadString("General", "setup", ""), QStringLiteral("C:\\下载\\a_1.exe"));
    ini.WriteString("General", "login", QStringLiteral("张三"));
    const QByteArray raw = ReadRaw(Path("gbk.ini"));
    QVERIFY(raw.contains("login=" + AnsiFromUnicode(QStringLiteral("张三")) + "\r\n"));
    QVERIFY(raw.contains("setup=C:\\\xCF\xC2\xD4\xD8\\a_1.exe\r\n"));
}

void TestIniFile::WritesKeepOtherLines() {
    WriteRaw(Path("keep.ini"), "; comment\n[General]\nx=1\n\n[Window]\nWidth=5\n");
    TIniFile ini(Path("keep.ini"));
    ini.WriteString("General", "y", "2");
    ini.WriteString("Portal", "Base", "http://127.0.0.1:9/");
    QCOMPARE(ReadRaw(Path("keep.ini")),
             QByteArray("; comment\n[General]\nx=1\ny=2\n\n[Window]\nWidth=5\n\n[Portal]\n"
                        "Base=http://127.0.0.1:9/\n"));
    ini.DeleteKey("General", "x");
    QVERIFY(!ini.ValueExists("General", "x"));
    QCOMPARE(ini.ReadString("General", "y", ""), QString("2"));

    // Bytes that are not GBK (a UTF-8 comment, a damaged value) and each line's own line break
    // survive a write unchanged; only the written line is encoded again.
    const QByteArray head = "; caf\xC3\xA9 \xE2\x80\x94 UTF-8\r\n[Window]\r\nTitle=\x80\xFF\r\n";
    WriteRaw(Path("foreign.ini"), head + "Left=1\nTop=2\rState=1");
    TIniFile foreign(Path("foreign.ini"));
    foreign.WriteInteger("Window", "Left", 30);
    foreign.WriteInteger("Window", "Width", 800);
    QCOMPARE(ReadRaw(Path("foreign.ini")), head + "Left=30\r\nTop=2\rState=1\r\nWidth=800\r\n");
}

void TestIniFile::FailedWriteKeepsFile() {
    const QString unreachable = Path("missing/folder/x.ini");
    try {
        TIniFile(unreachable).WriteString("General", "login", "b");
        QFAIL("a write into a missing folder must raise");
    } catch (const EWriteError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Unable to write to %1").arg(unreachable));
    }

    const QString path = Path("ro.ini");
    WriteRaw(path, "[General]\nlogin=a\n");
    QFile::setPermissions(path, QFile::ReadOwner);
    TIniFile ini(path);
    if (QFileInfo(path).isWritable())
        QSKIP("root ignores file modes; the missing-folder case above still ran");
    bool raised = false;
    try {
        ini.WriteString("General", "login", "b");
    } catch (const EWriteError &e) {
        raised = true;
        QCOMPARE(e.Message(), QStringLiteral("Unable to write to %1").arg(path));
    }
    QVERIFY(raised);
    QCOMPARE(ini.ReadString("General", "login", ""), QString("a"));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "TestIniFile.moc"
