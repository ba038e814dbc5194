#include "store/TSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void SettingsPathForExecutable();
    void PartnerId_data();
    void PartnerId();
    void DefaultsWithoutGeneralSection();
    void CachedBooleans();
    void PartnerIdFromFile();
    void PortalAddresses();
};

void TestSettings::SettingsPathForExecutable() {
    QCOMPARE(TSettings::PathForExecutable("D:\\Hall\\hall.exe"), QString("D:\\Hall\\hall.ini"));
    QCOMPARE(TSettings::PathForExecutable("/opt/ludora/ludora"), QString("/opt/ludora/ludora.ini"));
    QCOMPARE(TSettings::PathForExecutable("/opt/x.y/ludora"), QString("/opt/x.y/ludora.ini"));
    QCOMPARE(TSettings::PathForExecutable("/opt/hall.EXE"), QString("/opt/hall.ini"));
    // Beside "ludora", a "lu.ini" that is there (and no "ludora.ini") is the settings file.
    QTemporaryDir dir;
    const QString exe = dir.path() + "/ludora";
    QCOMPARE(TSettings::PathForExecutable(exe), exe + ".ini");
    QFile literal(dir.path() + "/lu.ini");
    QVERIFY(literal.open(QIODevice::WriteOnly));
    literal.close();
    QCOMPARE(TSettings::PathForExecutable(exe), literal.fileName());
    QFile whole(exe + ".ini");
    QVERIFY(whole.open(QIODevice::WriteOnly));
    whole.close();
    QCOMPARE(TSettings::PathForExecutable(exe), exe + ".ini");
}

void TestSettings::PartnerId_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("id");
    QTest::newRow("example") << "D:\\down\\hallsetup_1024.exe"
                             << "kel_1024";
    QTest::newRow("two underscores") << "D:\\down\\x_y_2.exe"
                                     << "kel_y_2";
    QTest::newRow("empty") << ""
                           << "kel_1_0_0";
    QTest::newRow("no underscore") << "D:\\down\\hallsetup.exe"
                                   << "kel_1_0_0";
    QTest::newRow("underscore only in folder") << "D:\\my_down\\hallsetup.exe"
                                               << "kel_1_0_0";
    QTest::newRow("drive only") << "C:x_9.exe"
                                << "kel_9";
    QTest::newRow("three characters keep their end") << "a_b"
                                                     << "kel_b";
    QTest::newRow("exactly four") << "_abc"
                                  << "kel_1_0_0";
    QTest::newRow("unix path") << "/home/u/setup_77.run"
                               << "kel_77";
}

void TestSettings::PartnerId() {
    QFETCH(QString, setup);
    QFETCH(QString, id);
    QCOMPARE(TSettings::DerivePartnerId(setup), id);
}

void TestSettings::DefaultsWithoutGeneralSection() {
    QTemporaryDir dir;
    const QString path = dir.filePath("ludora.ini");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Window]\nWidth=900\n");
    f.close();
    TSettings s(path);
    QVERIFY(s.SaveForm);
    QVERIFY(s.FillForm);
    QVERIFY(!s.MiniToTray);
    QVERIFY(!s.CloseToTray);
    QVERIFY(s.ReadBool(TKey::AskClose));
    QCOMPARE(s.ReadInteger(TKey::ActClose), 2);
    QVERIFY(s.ReadBool(TKey::CheckUpdate));
    QCOMPARE(s.ReadString(TKey::Login), QString());
    QVERIFY(s.ReadBool(TKey::State));
    QVERIFY(!s.ReadDate(TKey::LastRun).isValid());
    QCOMPARE(s.ReadInteger(TKey::Width, 790), 900);
    QCOMPARE(s.ReadInteger(TKey::Height, 550), 550);
    QCOMPARE(s.PartnerId, QString("kel_1_0_0"));
}

void TestSettings::CachedBooleans() {
    QTemporaryDir dir;
    const QString path = dir.filePath("ludora.ini");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[General]\nSaveForm=abc\nFillForm=0\nMiniToTray=2\n");
    }
    TSettings s(path);
    QVERIFY(s.SaveForm); // not a number: default
    QVERIFY(!s.FillForm);
    QVERIFY(s.MiniToTray); // 2 is true
    QVERIFY(!s.CloseToTray);
    s.WriteBool(TKey::CloseToTray, true);
    QVERIFY(s.CloseToTray);
    QCOMPARE(TSettings(path).CloseToTray, true);
    QCOMPARE(s.Ini().ReadString("General", "CloseToTray", ""), QString("1"));
    // Keys are written exactly as the table spells them.
    s.WriteBool(TKey::AskClose, false);
    QVERIFY(s.Ini().ValueExists("General", "askClose"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("askClose=0"));
}

void TestSettings::PartnerIdFromFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("ludora.ini");
    TSettings s(path);
    QCOMPARE(s.PartnerId, QString("kel_1_0_0"));
    s.WriteString(TKey::Setup, "D:\\down\\hallsetup_1024.exe");
    QCOMPARE(TSettings(path).PartnerId, QString("kel_1024"));
    s.DerivePartnerId();
    QCOMPARE(s.PartnerId, QString("kel_1024"));
}

void TestSettings::PortalAddresses() {
    QTemporaryDir dir;
    const QString path = dir.filePath("ludora.ini");
    TSettings s(path);
    QCOMPARE(s.Portal(TPortal::MiniSite), QString("http://127.0.0.1:8642/mini/"));
    QCOMPARE(s.Portal(TPortal::Base), QString("http://127.0.0.1:8642/"));
    QCOMPARE(s.Portal(TPortal::Stats), QString("http://127.0.0.1:8642/s.php"));
    QCOMPARE(s.Portal(TPortal::AdStrip), QString("http://127.0.0.1:8642/scripts/sb.php"));
    QVERIFY(s.Portal(TPortal::Brand).endsWith('/'));
    s.Ini().WriteString("portal", "stats", "http://127.0.0.1:9999/s.php");
    QCOMPARE(s.Portal(TPortal::Stats), QString("http://127.0.0.1:9999/s.php"));
    QCOMPARE(s.Portal(TPortal::Base), QString("http://127.0.0.1:8642/"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "TestSettings.moc"
