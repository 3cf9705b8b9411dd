// The example application's test of how it meets the device's faults, on
// the simulated device of the test kit.
#include <DBusDeviceInfoConnector.h>
#include <SimulatedDevice.h>
#include <VanteloDefinitions.h>

#include <QtTest>

class TestDeviceInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Before the first connector: connectors use the bus start() points them at.
        QVERIFY2(m_device.start(), qPrintable(m_device.errorString()));
        m_info = DBusDeviceInfoConnector::createAndConnect(VanteloDefinitions::getModuleName(),
                                                           QStringLiteral("DeviceInfo"));
    }

    void init() { QVERIFY2(m_device.reset(), qPrintable(m_device.errorString())); }

    void serialNumber()
    {
        const DBusReply reply = m_info->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber"));
        QCOMPARE(reply.getValue().toString(), QStringLiteral("SN-2026-0042"));
    }

    void failureCarriesTheErrorName()
    {
        QVERIFY(m_device.setError(QStringLiteral("com.vantelo.DeviceInfo"), QStringLiteral("getInformation"),
                                  QStringLiteral("com.vantelo.Error.Busy"), QStringLiteral("try again later")));
        const DBusReply reply = m_info->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber"));
        QVERIFY(reply.isError());
        QCOMPARE(reply.getError().getErrorName(), QStringLiteral("com.vantelo.Error.Busy"));
        QCOMPARE(m_device.calls(QStringLiteral("com.vantelo.DeviceInfo"), QStringLiteral("getInformation")).size(), 1);
    }

    void followsTheServiceAcrossARestart()
    {
        QVERIFY2(m_device.stopService(QStringLiteral("SystemInformation")), qPrintable(m_device.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(!m_info->isDBusInterfaceValid(), 5000);
        QVERIFY(m_info->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber")).isError());

        QVERIFY2(m_device.startService(QStringLiteral("SystemInformation")), qPrintable(m_device.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(m_info->isDBusInterfaceValid(), 5000);
        QVERIFY(!m_info->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber")).isError());
        // Nothing was sent while the service was away: one call reached it.
        QCOMPARE(m_device.calls(QStringLiteral("com.vantelo.DeviceInfo"), QStringLiteral("getInformation")).size(), 1);
    }

private:
    SimulatedDevice m_device;
    QSharedPointer<DBusDeviceInfoConnector> m_info;
};

QTEST_GUILESS_MAIN(TestDeviceInfo)
#include "tst_deviceinfo.moc"
