#include "store/TZipFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

namespace {

struct TMember {
    QString Name;
    QByteArray Data;
    bool Deflate = true;
};

// Writes a real archive with libzip, so the reader meets what zip tools produce.
bool MakeZip(const QString &path, const QList<TMember> &members) {
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    for (const TMember &m : members) {
        if (m.Name.endsWith('/')) {
            zip_dir_add(z, m.Name.toUtf8().constData(), ZIP_FL_ENC_UTF_8);
            continue;
        }
        // libzip copies nothing until close, so the buffer must outlive zip_close.
        auto *copy = new QByteArray(m.Data);
        zip_source_t *src = zip_source_buffer(z, copy->constData(), zip_uint64_t(copy->size()), 0);
        const zip_int64_t i = zip_file_add(z, m.Name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8);
        if (i < 0)
            return false;
        zip_set_file_compression(z, zip_uint64_t(i), m.Deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 9);
    }
    return zip_close(z) == 0;
}

QByteArray ReadRaw(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestZipFile : public QObject {
    Q_OBJECT
private slots:
    void StoredAndDeflatedMembers();
    void SubfolderNamesAndExtraction();
    void RefusedNames();
    void DamagedArchives();
    void OversizedMembersAreRefused();
};

void TestZipFile::StoredAndDeflatedMembers() {
    QTemporaryDir dir;
    const QByteArray big = QByteArray("skin bitmap ").repeated(5000);
    const QString path = dir.filePath("a.zip");
    QVERIFY(
        MakeZip(path, {{"default.ini", "[Font]\nName=Tahoma\n", false}, {"main.bmp", big, true}}));
    TZipFile zip;
    QVERIFY(zip.Open(path));
    QCOMPARE(zip.Entries().size(), 2);
    QByteArray out;
    QVERIFY(zip.Extract("default.ini", out));
    QCOMPARE(out, QByteArray("[Font]\nName=Tahoma\n"));
    QVERIFY(zip.Extract("main.bmp", out));
    QCOMPARE(out, big);
    QVERIFY(QFileInfo(path).size() < big.size() / 10); // really deflated
    QVERIFY(!zip.Extract("absent.bmp", out));
    QVERIFY(out.isEmpty());

    // The same archive from memory.
    TZipFile mem;
    QVERIFY(mem.OpenData(ReadRaw(path)));
    QVERIFY(mem.Extract("main.bmp", out));
    QCOMPARE(out, big);
}

void TestZipFile::SubfolderNamesAndExtraction() {
    QTemporaryDir dir;
    const QString path = dir.filePath("update.zip");
    QVERIFY(MakeZip(path, {{"skin/", {}},
                           {"skin/default.skin", "SKIN"},
                           {QStringLiteral("说明/读我.txt"), "hello", false},
                           {"ludora", "ELF"}}));
    TZipFile zip;
    QVERIFY(zip.Open(path));
    const int i = zip.IndexOf("skin/default.skin");
    QVERIFY(i >= 0);
    const TZipEntry e = zip.Entries().at(i);
    QCOMPARE(e.FileName, QString("default.skin"));
    QCOMPARE(e.FolderPath, QString("skin/"));
    QVERIFY(!e.IsFolder);
    QCOMPARE(e.Size, 4);
    QVERIFY(zip.Entries().at(zip.IndexOf("skin/")).IsFolder);
    QCOMPARE(zip.Entries().at(zip.IndexOf("ludora")).FolderPath, QString());

    const QString target = dir.filePath("out");
    QVERIFY(zip.ExtractAll(target));
    QCOMPARE(ReadRaw(target + "/skin/default.skin"), QByteArray("SKIN"));
    QCOMPARE(ReadRaw(target + QStringLiteral("/说明/读我.txt")), QByteArray("hello"));
    QCOMPARE(ReadRaw(target + "/ludora"), QByteArray("ELF"));
}

void TestZipFile::RefusedNames() {
    QVERIFY(TZipFile::IsSafeName("a/b.txt"));
    QVERIFY(TZipFile::IsSafeName("a..b/c"));
    QVERIFY(!TZipFile::IsSafeName(""));
    QVERIFY(!TZipFile::IsSafeName("/etc/passwd"));
    QVERIFY(!TZipFile::IsSafeName("../x"));
    QVERIFY(!TZipFile::IsSafeName("a/../../x"));
    QVERIFY(!TZipFile::IsSafeName("a\\..\\x"));
    QVERIFY(!TZipFile::IsSafeName("\\x"));
    QVERIFY(!TZipFile::IsSafeName("C:\\x"));

    QTemporaryDir dir;
    const QString path = dir.filePath("evil.zip");
    QVERIFY(
        MakeZip(path, {{"good.txt", "ok"}, {"../escaped.txt", "bad"}, {"/tmp/abs.txt", "bad"}}));
    TZipFile zip;
    QVERIFY(zip.Open(path));
    const QString target = dir.filePath("inside/deeper");
    QVERIFY(!zip.ExtractAll(target));                          // reports the refusal...
    QCOMPARE(ReadRaw(target + "/good.txt"), QByteArray("ok")); // ...but keeps the good member
    QVERIFY(!QFile::exists(dir.filePath("inside/escaped.txt")));
    QVERIFY(!zip.ExtractTo(zip.IndexOf("../escaped.txt"), target));
    QVERIFY(zip.ErrorString().contains("../escaped.txt"));
    QVERIFY(!zip.Entries().at(zip.IndexOf("/tmp/abs.txt")).Safe);
}

void TestZipFile::DamagedArchives() {
    QTemporaryDir dir;
    TZipFile zip;
    QVERIFY(!zip.Open(dir.filePath("missing.zip")));
    QVERIFY(!zip.ErrorString().isEmpty());
    QVERIFY(!zip.OpenData("not a zip at all"));

    // A flipped byte inside deflated data fails the extraction instead of giving wrong bytes.
    const QString path = dir.filePath("a.zip");
    const QByteArray data = QByteArray("0123456789abcdef").repeated(4000);
    QVERIFY(MakeZip(path, {{"data.bin", data}}));
    QByteArray raw = ReadRaw(path);
    raw[60] = char(raw[60] ^ 0x55);
    TZipFile damaged;
    if (damaged.OpenData(raw)) {
        QByteArray out;
        const bool ok = damaged.Extract("data.bin", out);
        QVERIFY(!ok || out == data);
        QVERIFY(!ok);
    }
}

void TestZipFile::OversizedMembersAreRefused() {
    QTemporaryDir dir;
    const QString path = dir.filePath("bomb.zip");
    // Deflates to a few kilobytes; unpacks past the cap for memory.
    QVERIFY(MakeZip(
        path, {{"zeros.bin", QByteArray(TZipFile::MaxMemberSize + 1, '\0')}, {"small.txt", "ok"}}));
    QVERIFY(QFileInfo(path).size() < 100000);
    TZipFile zip;
    QVERIFY(zip.Open(path));
    QByteArray out;
    QVERIFY(!zip.Extract("zeros.bin", out));
    QVERIFY(out.isEmpty());
    QVERIFY(zip.ErrorString().contains("zeros.bin"));
    QVERIFY(zip.Extract("small.txt", out));
    QCOMPARE(out, QByteArray("ok"));

    // The sizes the archive declares are not believed: here they say 2 bytes.
    QByteArray raw = ReadRaw(path);
    const auto declare = [&raw](qsizetype at) { raw.replace(at, 4, QByteArray("\x02\0\0\0", 4)); };
    declare(22);                             // the first local header
    declare(raw.indexOf("PK\x01\x02") + 24); // its central directory record
    TZipFile lying;
    QVERIFY(lying.OpenData(raw));
    QCOMPARE(lying.Entries().at(lying.IndexOf("zeros.bin")).Size, 2);
    QVERIFY(!lying.Extract("zeros.bin", out, 1 << 20));
    QVERIFY(out.isEmpty());

    // To files: a refused member leaves the old file and no temporary file behind.
    const QString folder = dir.filePath("out");
    QDir().mkpath(folder);
    const QString target = folder + "/zeros.bin";
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    QVERIFY(!zip.ExtractToFile(zip.IndexOf("zeros.bin"), target, 1 << 20));
    QCOMPARE(ReadRaw(target), QByteArray("old"));
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"zeros.bin"});
    QVERIFY(zip.ExtractToFile(zip.IndexOf("small.txt"), folder + "/sub/small.txt", 2));
    QCOMPARE(ReadRaw(folder + "/sub/small.txt"), QByteArray("ok"));
    QVERIFY(zip.ExtractToFile(zip.IndexOf("zeros.bin"), target));
    QCOMPARE(QFileInfo(target).size(), TZipFile::MaxMemberSize + 1);

    // The whole unpack shares one cap.
    const QString all = dir.filePath("all");
    QVERIFY(!zip.ExtractAll(all, 1 << 20));
    QCOMPARE(QDir(all).entryList(QDir::Files), QStringList{"small.txt"});
}

QTEST_GUILESS_MAIN(TestZipFile)
#include "TestZipFile.moc"
