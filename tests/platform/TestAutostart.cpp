#include "platform/TAutostart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestAutostart : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(FConfig.isValid());
        qputenv("XDG_CONFIG_HOME", FConfig.path().toLocal8Bit());
    }
    void OnOffRoundTrip();
    void OnlyTheSamePathCounts();
    void PathWithBlanks();

private:
    QTemporaryDir FConfig;
    void WriteEntry(const QByteArray &exec) {
        QDir().mkpath(FConfig.path() + "/autostart");
        QFile f(FConfig.path() + "/autostart/ludora.desktop");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Desktop Entry]\nType=Application\nExec=" + exec + "\n");
    }
};

void TestAutostart::OnOffRoundTrip() {
    TAutostart a("/opt/Ludora/ludora");
    QCOMPARE(a.EntryPath(), FConfig.path() + "/autostart/ludora.desktop");
    QVERIFY(!a.IsOn()); // no folder, no entry
    a.SetOn(true);
    QVERIFY(a.IsOn());
    a.SetOn(false);
    QVERIFY(!a.IsOn());
    QVERIFY(!QFile::exists(a.EntryPath()));
    a.SetOn(false); // nothing to remove: no complaint
}

void TestAutostart::OnlyTheSamePathCounts() {
    TAutostart a("/opt/Ludora/ludora");
    WriteEntry("/OPT/ludora/LUDORA");
    QVERIFY(a.IsOn()); // another letter case still counts
    WriteEntry("\"/opt/Ludora/ludora\"");
    QVERIFY(!a.IsOn()); // quoted: off
    WriteEntry("/opt/Ludora/ludora --minimised");
    QVERIFY(!a.IsOn());
    WriteEntry("/opt/Other/ludora");
    QVERIFY(!a.IsOn());
}

void TestAutostart::PathWithBlanks() {
    // The desktop cannot run an unquoted path with blanks, so such a path is written quoted.
    TAutostart a("/home/u/My Games/ludora");
    a.SetOn(true);
    QVERIFY(a.IsOn());
    QFile f(a.EntryPath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("Exec=\"/home/u/My Games/ludora\"\n"));
}

QTEST_GUILESS_MAIN(TestAutostart)
#include "TestAutostart.moc"
