#include "net/TUsageReport.h"
#include "platform/TMachineId.h"
#include "store/TSettings.h"
#include "support/TTestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

class TestUsageReport : public QObject {
    Q_OBJECT
private slots:
    void MachineTagReadsTheAddressLittleEndian();
    void ReportAddressHasTheFourKeysInOrder();
    void UninstallReportReachesTheStatisticsEndpoint();
    void SilentOrClosedEndpointIsNotAnswered();

private:
    static void UseSettings(const QTemporaryDir &dir, const QString &statsAddress) {
        const QString ini = dir.path() + "/ludora.ini";
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[General]\r\nsetup=ludora_partner42.exe\r\n[Portal]\r\nStats=" +
                statsAddress.toUtf8() + "\r\n");
        f.close();
        OpenSettings(ini);
    }
};

void TestUsageReport::MachineTagReadsTheAddressLittleEndian() {
    QCOMPARE(TMachineId::TagFromAddress(QByteArray::fromHex("001a2b3c4d5e")),
             QString("3C2B1A005E4D"));
    // No leading zeros in either number.
    QCOMPARE(TMachineId::TagFromAddress(QByteArray::fromHex("0100000000a0")), QString("1A000"));
    QCOMPARE(TMachineId::TagFromAddress(QByteArray::fromHex("000000000000")), QString("00"));
    QCOMPARE(TMachineId::TagFromAddress(QByteArray::fromHex("ffffffffffff")),
             QString("FFFFFFFFFFFF"));
    QCOMPARE(TMachineId::TagFromAddress(QByteArray()), QString());
    QCOMPARE(TMachineId::TagFromAddress(QByteArray::fromHex("0102030405")), QString());

    // This machine's adapter is one of its non-loopback interfaces.
    const QByteArray mine = TMachineId::AdapterAddress();
    if (mine.isEmpty())
        QSKIP("no network adapter with a hardware address");
    bool listed = false;
    for (const QNetworkInterface &i : QNetworkInterface::allInterfaces())
        listed |= !i.flags().testFlag(QNetworkInterface::IsLoopBack) &&
                  QByteArray::fromHex(i.hardwareAddress().toLatin1()) == mine;
    QVERIFY(listed);
    QCOMPARE(TMachineId::Tag().size() >= 2, true);
}

void TestUsageReport::ReportAddressHasTheFourKeysInOrder() {
    QCOMPARE(UsageReportUrl("http://127.0.0.1:8642/s.php", "3C2B1A005E4D", TReportType::Uninstall,
                            "kel_1_0_0", 1),
             QString("http://127.0.0.1:8642/s.php?s=3C2B1A005E4D&t=3&c=kel_1_0_0&v=1"));
    QCOMPARE(UsageReportUrl("http://h/s.php", "", TReportType::FirstRun, "kel", 0),
             QString("http://h/s.php?s=&t=1&c=kel&v=0"));
    // A partner id cannot end the query value early.
    QCOMPARE(UsageReportUrl("http://h/s.php", "A", TReportType::NewDay, "kel_a&t=9 b#", 7),
             QString("http://h/s.php?s=A&t=2&c=kel_a%26t%3D9%20b%23&v=7"));
    QCOMPARE(RunningBuildNumber(), LUDORA_EXPECTED_BUILD);
}

void TestUsageReport::UninstallReportReachesTheStatisticsEndpoint() {
    TestSupport::TPortalProcess portal;
    QVERIFY(portal.Start());
    QTemporaryDir dir;
    UseSettings(dir, portal.BaseUrl() + "s.php");
    QCOMPARE(Settings().Portal(TPortal::Stats), portal.BaseUrl() + "s.php");

    QVERIFY(SendUninstallReport());

    QByteArray json;
    QVERIFY(PlainGet(portal.BaseUrl() + "api/stats", 5000, &json));
    const QJsonArray stats = QJsonDocument::fromJson(json).array();
    QCOMPARE(stats.size(), 1);
    const QJsonObject report = stats.first().toObject();
    QCOMPARE(report["t"].toString(), QString("3"));
    QCOMPARE(report["s"].toString(), TMachineId::Tag());
    QCOMPARE(report["c"].toString(), Settings().PartnerId);
    QVERIFY(Settings().PartnerId != QString(DefaultPartnerId));
    QCOMPARE(report["v"].toString(), QString::number(LUDORA_EXPECTED_BUILD));
    QCOMPARE(report["query"].toString(), QString("s=%1&t=3&c=%2&v=%3")
                                             .arg(TMachineId::Tag(), Settings().PartnerId)
                                             .arg(LUDORA_EXPECTED_BUILD));

    // The answer is the update description.
    QByteArray answer;
    QVERIFY(PlainGet(portal.BaseUrl() + "s.php", 5000, &answer));
    QVERIFY(answer.startsWith("[Game]\r\nVersion="));
}

void TestUsageReport::SilentOrClosedEndpointIsNotAnswered() {
    QTemporaryDir dir;
    // Accepts the connection and never answers: the report gives up.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    UseSettings(dir, QString("http://127.0.0.1:%1/s.php").arg(silent.serverPort()));
    QVERIFY(!SendUninstallReport());

    // Nothing listens any more.
    const quint16 port = silent.serverPort();
    silent.close();
    UseSettings(dir, QString("http://127.0.0.1:%1/s.php").arg(port));
    QVERIFY(!SendUninstallReport());
}

QTEST_GUILESS_MAIN(TestUsageReport)
#include "TestUsageReport.moc"
