// The daily report's rules, the update decisions and the installer of an update archive, with
// real files, real archives and the demo portal.

#include "net/TUpdateInstaller.h"
#include "net/TUpdateLogic.h"
#include "net/TUsageReport.h"
#include "store/TSettings.h"
#include "support/TTestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

namespace {

struct TMember {
    TMember(const QString &name, const QByteArray &data = {}, int mode = 0,
            const QByteArray &rawName = {})
        : Name(name), Data(data), Mode(mode), RawName(rawName) {}
    QString Name;
    QByteArray Data;
    int Mode;           // Unix rights recorded in the archive; 0: none
    QByteArray RawName; // written as these bytes, without the UTF-8 flag
};

bool MakeZip(const QString &path, const QList<TMember> &members) {
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    QList<QByteArray *> keep;
    for (const TMember &m : members) {
        if (m.Name.endsWith('/')) {
            zip_dir_add(z, m.Name.toUtf8().constData(), ZIP_FL_ENC_UTF_8);
            continue;
        }
        keep.append(new QByteArray(m.Data)); // libzip reads the buffer at close
        zip_source_t *src =
            zip_source_buffer(z, keep.last()->constData(), zip_uint64_t(keep.last()->size()), 0);
        const zip_int64_t i =
            m.RawName.isEmpty()
                ? zip_file_add(z, m.Name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8)
                : zip_file_add(z, m.RawName.constData(), src, ZIP_FL_ENC_GUESS);
        if (i < 0)
            return false;
        if (m.Mode != 0)
            zip_file_set_external_attributes(z, zip_uint64_t(i), 0, ZIP_OPSYS_UNIX,
                                             zip_uint32_t(0100000 | m.Mode) << 16);
    }
    const bool ok = zip_close(z) == 0;
    qDeleteAll(keep);
    return ok;
}

QByteArray Read(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Write(const QString &path, const QByteArray &data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

int StatsCount(const TestSupport::TPortalProcess &portal) {
    return int(QJsonDocument::fromJson(portal.Get("api/stats")).array().size());
}

} // namespace

class TestUpdate : public QObject {
    Q_OBJECT

private slots:
    void DailyReportTypeAndSameDayRule();
    void DailyReportOncePerDayKeepsOnlySuccessfulAnswers();
    void VersionComparisons();
    void InstallKeepsBackupsAndCreatesSubfolders();
    void InstallWritesPendingFileWhenOldCannotBeMoved();
    void FailedInstallLeavesTheOldProgram();
    void ArchiveWithARepeatedOrClashingNameTouchesNothing();
    void NewFilesNamesAndRights();
};

void TestUpdate::DailyReportTypeAndSameDayRule() {
    const QDate today(2026, 12, 8);
    const TDailyReport first = DailyReportFor(QString(), today);
    QVERIFY(first.Send);
    QCOMPARE(first.Type, TReportType::FirstRun);
    QVERIFY(!DailyReportFor("2026-12-08", today).Send);
    for (const QString &other :
         {QString("2026-12-07"), QString("2027-01-01"), QString("garbage")}) {
        const TDailyReport r = DailyReportFor(other, today);
        QVERIFY2(r.Send, qPrintable(other));
        QCOMPARE(r.Type, TReportType::NewDay);
    }
}

void TestUpdate::DailyReportOncePerDayKeepsOnlySuccessfulAnswers() {
    QTemporaryDir dir;
    TestSupport::TPortalProcess portal;
    QVERIFY(portal.Start());
    const QString ini = dir.filePath("ludora.ini");
    auto useStats = [&](const QString &address, const QString &lastRun) {
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[General]\r\n" +
                (lastRun.isEmpty() ? QByteArray() : "LastRun=" + lastRun.toUtf8() + "\r\n") +
                "[Portal]\r\nStats=" + address.toUtf8() + "\r\n");
        f.close();
        OpenSettings(ini);
    };

    // A first run whose report goes nowhere still records the date: never reported as new again.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString dead = QString("http://127.0.0.1:%1/s.php").arg(closed.serverPort());
    closed.close();
    useStats(dead, QString());
    QVERIFY(SendDailyReport().isEmpty());
    QCOMPARE(TSettings(ini).ReadDate(TKey::LastRun), QDate::currentDate());

    // An error page is not the update description.
    useStats(portal.BaseUrl() + "no-such-endpoint.php", "2020-01-01");
    QVERIFY(SendDailyReport().isEmpty());

    // A later day: type 2, the answer is the description; the same day again sends nothing.
    portal.Get("api/update?main_version=7");
    useStats(portal.BaseUrl() + "s.php", "2020-01-01");
    const QByteArray answer = SendDailyReport();
    QVERIFY(answer.contains("[Main]"));
    QVERIFY(answer.contains("Version=7"));
    const QJsonArray stats = QJsonDocument::fromJson(portal.Get("api/stats")).array();
    QCOMPARE(stats.size(), 1);
    QCOMPARE(stats.at(0).toObject().value("t").toString(), QString("2"));
    QVERIFY(SendDailyReport().isEmpty());
    QCOMPARE(StatsCount(portal), 1);
}

void TestUpdate::VersionComparisons() {
    QTemporaryDir dir;
    const QString path = dir.filePath("update.ini");
    QCOMPARE(TUpdateDescription::Read(path).MainVersion, 0); // missing file: nothing offered
    QVERIFY(!ProgramUpdateOffered(TUpdateDescription::Read(path), 1));

    Write(path, "[Game]\r\nVersion=20\r\nDownload=http://h/g.xml\r\n"
                "[Main]\r\nVersion=5\r\nDownload=http://h/u.dat\r\n");
    const TUpdateDescription d = TUpdateDescription::Read(path);
    QVERIFY(!ProgramUpdateOffered(d, 5)); // equal
    QVERIFY(ProgramUpdateOffered(d, 4));  // one more
    QVERIFY(!ProgramUpdateOffered(d, 6));
    QVERIFY(CatalogueRefreshDue(d, "19"));
    QVERIFY(CatalogueRefreshDue(d, QString())); // no catalogue yet
    QVERIFY(!CatalogueRefreshDue(d, "20"));

    Write(path, "[Game]\r\nVersion=\r\nDownload=http://h/g.xml\r\n[Main]\r\nVersion=abc\r\n");
    const TUpdateDescription empty = TUpdateDescription::Read(path);
    QVERIFY(!CatalogueRefreshDue(empty, "19")); // an empty version never refreshes
    QVERIFY(!ProgramUpdateOffered(empty, 0));

    QCOMPARE(DownloadAddress("http://h/u.dat", "kel_1"), QString("http://h/u.dat?pid=kel_1"));
    QCOMPARE(DownloadAddress("http://h/u.php?f=2", "kel_1"),
             QString("http://h/u.php?f=2&pid=kel_1"));
    QCOMPARE(ProgressWidth(50, 100, 271), 117);
    QCOMPARE(ProgressWidth(100, 100, 271), 235);
    QCOMPARE(ProgressWidth(5, 0, 271), 0);
}

void TestUpdate::InstallKeepsBackupsAndCreatesSubfolders() {
    QTemporaryDir dir;
    const QString prog = dir.path() + "/";
    Write(prog + "ludora", "old program");
    QFile::setPermissions(prog + "ludora", QFile::permissions(prog + "ludora") | QFile::ExeOwner);
    Write(prog + "ludora.bak", "older program");
    const QString archive = prog + "update.dat";
    QVERIFY(MakeZip(archive,
                    {{"ludora", "new program"}, {"skin/", {}}, {"skin/extra/notes.txt", "notes"}}));

    const TInstallResult r = TUpdateInstaller::Install(archive, prog, "ludora");
    QVERIFY2(r.Ok, qPrintable(r.Error));
    QCOMPARE(Read(prog + "ludora"), QByteArray("new program"));
    QCOMPARE(Read(prog + "ludora.bak"), QByteArray("old program"));
    QVERIFY(QFile::permissions(prog + "ludora") & QFile::ExeOwner); // still runs
    QCOMPARE(Read(prog + "skin/extra/notes.txt"), QByteArray("notes"));
    QVERIFY(!QFileInfo::exists(TUpdateInstaller::StagingDir(prog)));
}

void TestUpdate::InstallWritesPendingFileWhenOldCannotBeMoved() {
    QTemporaryDir dir;
    const QString prog = dir.path() + "/";
    Write(prog + "ludora", "old program");
    // A ".bak" that cannot be removed (a folder with a file in it): the old file cannot be moved.
    Write(prog + "ludora.bak/keep", "x");
    const QString archive = prog + "update.dat";
    QVERIFY(MakeZip(archive, {{"ludora", "new program"}, {"readme.txt", "hello"}}));

    const TInstallResult r = TUpdateInstaller::Install(archive, prog, "ludora");
    QVERIFY2(r.Ok, qPrintable(r.Error));
    QCOMPARE(Read(prog + "ludora"), QByteArray("old program"));
    QCOMPARE(Read(prog + "ludora_"), QByteArray("new program"));
    QCOMPARE(r.Pending, QStringList{"ludora"});
    QCOMPARE(Read(prog + "readme.txt"), QByteArray("hello"));
}

void TestUpdate::FailedInstallLeavesTheOldProgram() {
    QTemporaryDir dir;
    const QString prog = dir.path() + "/";
    Write(prog + "ludora", "old program");
    Write(prog + "games/a.txt", "old a");
    const QString archive = prog + "update.dat";

    // A member that cannot be written in place (a folder holds its name), after one that could:
    // the first is taken back.
    QDir().mkpath(prog + "data/inside");
    QVERIFY(MakeZip(archive, {{"ludora", "new program"},
                              {"games/a.txt", "new a"},
                              {"data", "a file where a folder is"}}));
    TInstallResult r = TUpdateInstaller::Install(archive, prog, "ludora");
    QVERIFY(!r.Ok);
    QVERIFY(!r.Error.isEmpty());
    QCOMPARE(Read(prog + "ludora"), QByteArray("old program"));
    QCOMPARE(Read(prog + "games/a.txt"), QByteArray("old a"));
    QVERIFY(!QFileInfo::exists(prog + "ludora.bak"));

    // The same found only while the files are moved (a file holds the name of a new folder):
    // the ones moved already are taken back.
    Write(prog + "blocked", "a file where a folder is needed");
    QVERIFY(MakeZip(
        archive,
        {{"ludora", "new program"}, {"games/a.txt", "new a"}, {"blocked/inside.txt", "new"}}));
    r = TUpdateInstaller::Install(archive, prog, "ludora");
    QVERIFY(!r.Ok);
    QCOMPARE(Read(prog + "ludora"), QByteArray("old program"));
    QCOMPARE(Read(prog + "games/a.txt"), QByteArray("old a"));
    QVERIFY(!QFileInfo::exists(prog + "ludora.bak"));
    QVERIFY(!QFileInfo::exists(prog + "games/a.txt.bak"));
    QVERIFY(!QFileInfo::exists(TUpdateInstaller::JournalPath(prog)));

    // A damaged member, a member that would leave the folder, a file that is no archive: nothing
    // is touched.
    const QByteArray big = QByteArray("0123456789abcdef").repeated(4000);
    QVERIFY(MakeZip(archive, {{"ludora", "new program"}, {"big.bin", big}}));
    QByteArray raw = Read(archive);
    const qsizetype at = raw.indexOf("big.bin") + 40;
    raw[at] = char(raw[at] ^ 0x55);
    Write(archive, raw);
    QVERIFY(!TUpdateInstaller::Install(archive, prog, "ludora").Ok);
    QVERIFY(MakeZip(archive, {{"ludora", "new program"}, {"../escaped.txt", "bad"}}));
    QVERIFY(!TUpdateInstaller::Install(archive, prog, "ludora").Ok);
    QVERIFY(!QFileInfo::exists(dir.path() + "/../escaped.txt"));
    Write(archive, "<html>502 Bad Gateway</html>");
    QVERIFY(!TUpdateInstaller::Install(archive, prog, "ludora").Ok);

    QCOMPARE(Read(prog + "ludora"), QByteArray("old program"));
    QVERIFY(!QFileInfo::exists(prog + "big.bin"));
    QVERIFY(!QFileInfo::exists(TUpdateInstaller::StagingDir(prog)));
}

void TestUpdate::ArchiveWithARepeatedOrClashingNameTouchesNothing() {
    QTemporaryDir dir;
    const QString prog = dir.path() + "/";
    Write(prog + "ludora", "old program");
    Write(prog + "ludora.bak", "older program");
    const QString archive = prog + "update.dat";

    // The same name twice, as Python's zipfile writes it: made with another name of the same
    // length, which is then changed in the local and the central header.
    QVERIFY(MakeZip(archive, {{"ludora", "new program"}, {"ludorX", "second copy"}}));
    Write(archive, Read(archive).replace("ludorX", "ludora"));
    const QList<QList<TMember>> archives = {
        {},
        {{"ludora", "new program"}, {"./ludora", "second copy"}},
        {{"ludora", "new program"}, {"ludora.bak", "a backup of its own"}},
        {{"ludora", "new program"}, {"ludora_", "a pending file of its own"}},
        {{"ludora", "new program"}, {".update-journal", "forward"}},
    };
    for (const QList<TMember> &members : archives) {
        if (!members.isEmpty())
            QVERIFY(MakeZip(archive, members));
        const TInstallResult r = TUpdateInstaller::Install(archive, prog, "ludora");
        QVERIFY(!r.Ok);
        QVERIFY(!r.Error.isEmpty());
        QCOMPARE(Read(prog + "ludora"), QByteArray("old program"));
        QCOMPARE(Read(prog + "ludora.bak"), QByteArray("older program"));
        QVERIFY(!QFileInfo::exists(prog + "ludora_"));
        QVERIFY(!QFileInfo::exists(TUpdateInstaller::StagingDir(prog)));
        QVERIFY(!QFileInfo::exists(TUpdateInstaller::JournalPath(prog)));
    }
}

void TestUpdate::NewFilesNamesAndRights() {
    QTemporaryDir dir;
    const QString prog = dir.path() + "/";
    const QString archive = prog + "update.dat";
    const QFile::Permissions exec = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;

    // A first install: the program and a tool the archive marks executable run, the rest does
    // not; a name in GBK without the UTF-8 flag, as a Chinese Windows zips it, keeps its text.
    const QString gbkName = QString::fromUtf8("说明/新功能.txt");
    QVERIFY(MakeZip(archive, {{"ludora", "new program"},
                              {"tools/helper", "#!/bin/sh\n", 0755},
                              {"notes.txt", "notes", 0644},
                              {gbkName, "gbk", 0,
                               QByteArray("\xcb\xb5\xc3\xf7/\xd0\xc2\xb9"
                                          "\xa6\xc4\xdc.txt")},
                              {"名单.txt", "utf-8"}}));
    TInstallResult r = TUpdateInstaller::Install(archive, prog, "ludora");
    QVERIFY2(r.Ok, qPrintable(r.Error));
    QVERIFY(QFile::permissions(prog + "ludora") & QFile::ExeOwner);
    QVERIFY(QFile::permissions(prog + "tools/helper") & QFile::ExeOwner);
    QVERIFY(!(QFile::permissions(prog + "notes.txt") & exec));
    QCOMPARE(Read(prog + gbkName), QByteArray("gbk"));
    QCOMPARE(Read(prog + "名单.txt"), QByteArray("utf-8"));

    // Only the executable can wait as "<name>_" for the next start: another file whose old one
    // cannot be kept fails the install, and nothing is half done.
    Write(prog + "notes.txt.bak/keep", "x");
    QVERIFY(MakeZip(archive, {{"ludora", "newer program"}, {"notes.txt", "newer notes"}}));
    r = TUpdateInstaller::Install(archive, prog, "ludora");
    QVERIFY(!r.Ok);
    QCOMPARE(Read(prog + "ludora"), QByteArray("new program"));
    QCOMPARE(Read(prog + "notes.txt"), QByteArray("notes"));
    QVERIFY(!QFileInfo::exists(prog + "notes.txt_"));
    QVERIFY(!QFileInfo::exists(prog + "ludora_"));
}

QTEST_GUILESS_MAIN(TestUpdate)
#include "TestUpdate.moc"
