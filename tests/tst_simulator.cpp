#include "ConfigurationFileHandlerDBusConnector.h"
#include "DBusConnection.h"
#include "DBusDeviceInfoConnector.h"
#include "DisplayDBusConnector.h"
#include "SimulatorControl.h"
#include "UiStatusInformationDataDBusConnector.h"
#include "VanteloDefinitions.h"

#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// Runs against the simulator serving its default scenario.
class SimulatorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void answersFromTheScenario();
    void keepsTheDevicesState();
    void introspectionShowsTheServedInterfaces();
    void refusesMalformedScenarios_data();
    void refusesMalformedScenarios();
    void refusesTheSystemBusUnlessAsked();

private:
    const QString m_module = VanteloDefinitions::getModuleName();
};

void SimulatorTest::initTestCase()
{
    SimulatorControl::requirePrivateBusWithSimulator();
}

void SimulatorTest::answersFromTheScenario()
{
    const auto deviceInfo = DBusDeviceInfoConnector::createAndConnect(m_module, QStringLiteral("DeviceInfo"));
    QCOMPARE(deviceInfo->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber")).getValue(),
             QVariant(QStringLiteral("SN-2026-0042")));
    QCOMPARE(deviceInfo->getListOfInstances(QStringLiteral("x")).getValue(), QVariant(QStringList{QStringLiteral("Device1")}));

    // Arguments the scenario doesn't know: the answer says which it knows.
    const QString unknown = deviceInfo->getInformation(QStringLiteral("Device9"), QStringLiteral("x")).getError().getErrorMessage();
    QVERIFY2(unknown.contains(QStringLiteral("knows the arguments (\"Device1\", \"all\")")) &&
                 unknown.contains(QStringLiteral("not (\"Device9\", \"x\")")),
             qPrintable(unknown));

    // A call its interface doesn't describe is refused as the bus would.
    QDBusMessage call = QDBusMessage::createMethodCall(deviceInfo->getServiceName(), deviceInfo->getDBusPath(),
                                                       deviceInfo->getInterfaceName(), QStringLiteral("getInformation"));
    call << QStringLiteral("only one");
    const QDBusMessage refused = DBusConnection::getQDBusConnection().call(call);
    QCOMPARE(refused.errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidSignature"));
}

void SimulatorTest::keepsTheDevicesState()
{
    const auto configuration =
        ConfigurationFileHandlerDBusConnector::createAndConnect(m_module, QStringLiteral("Configuration"));
    QSignalSpy changed(configuration.data(), &ConfigurationFileHandlerDBusConnector::configurationChanged);
    QVERIFY(!configuration->setConfiguration(QStringLiteral("Network"), QStringLiteral("n"), QStringLiteral("{}"),
                                             QStringLiteral("en"), false).isError());
    QVERIFY(changed.wait(10000));
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("Network"));

    const auto uiStatus =
        UiStatusInformationDataDBusConnector::createAndConnect(m_module, QStringLiteral("UiStatusInformation"));
    QSignalSpy itemChanged(uiStatus.data(), &UiStatusInformationDataDBusConnector::uiStatusInformationItemChanged);
    QSignalSpy itemRemoved(uiStatus.data(), &UiStatusInformationDataDBusConnector::uiStatusInformationItemRemoved);
    const int before = uiStatus->getUiStatusInformationItemList(QString()).size();
    UiStatusInformationItem item;
    item.setUuid(QStringLiteral("new-item"));
    item.setTitle(QStringLiteral("Disk almost full"));
    uiStatus->addUiStatusInformationItem(item);
    QVERIFY(itemChanged.wait(10000));
    QCOMPARE(itemChanged.at(0).at(0).toString(), QStringLiteral("new-item"));
    QCOMPARE(uiStatus->getUiStatusInformationItemList(QString()).size(), before + 1);
    QCOMPARE(uiStatus->getUiStatusInformationItem(QString(), QStringLiteral("new-item")).title(),
             QStringLiteral("Disk almost full"));
    uiStatus->removeUiStatusInformationItem(item);
    QVERIFY(itemRemoved.wait(10000));
    QCOMPARE(qvariant_cast<UiStatusInformationItem>(itemRemoved.at(0).at(0)).title(), QStringLiteral("Disk almost full"));
    QCOMPARE(uiStatus->getUiStatusInformationItemList(QString()).size(), before);

    const auto display = DisplayDBusConnector::createAndConnect(m_module);
    QCOMPARE(display->getScreenshot().getValue().userType(), int(QMetaType::QByteArray));
    display->toggleDisplayState();
    QVERIFY(display->getScreenshot().getError().getErrorMessage().contains(QStringLiteral("switched off")));
    display->toggleDisplayState();
    QVERIFY(!display->getScreenshot().isError());
}

void SimulatorTest::introspectionShowsTheServedInterfaces()
{
    QDBusMessage introspect = QDBusMessage::createMethodCall(
        VanteloDefinitions::serviceNameOfModule(m_module), QStringLiteral("/com/vantelo/DeviceInfo"),
        QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    const QString xml = DBusConnection::getQDBusConnection().call(introspect).arguments().value(0).toString();
    QVERIFY(xml.contains(QStringLiteral("<interface name=\"com.vantelo.DeviceInfo\">")));
    QVERIFY(xml.contains(QStringLiteral("<method name=\"runAction\">")));
    QVERIFY(xml.contains(QStringLiteral("<interface name=\"com.vantelo.Simulator.Control\">")));
    QVERIFY(!xml.contains(QStringLiteral("com.vantelo.Display\"")));
}

void SimulatorTest::refusesMalformedScenarios_data()
{
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<QString>("reason");
    QTest::newRow("syntax") << QByteArray("{\n  \"objects\": [\n    {\"module\" \"M\"}\n  ]\n}")
                            << QStringLiteral("scenario.json:3:");
    QTest::newRow("unknown section") << QByteArray("{\"answer\": []}")
                                     << QStringLiteral("scenario.json: answer: unknown");
    QTest::newRow("unknown interface")
        << QByteArray("{\"objects\": [{\"module\": \"M\", \"object\": \"O\", \"interfaces\": [\"com.vantelo.Nope\"]}]}")
        << QStringLiteral("objects[0].interfaces: no interface \"com.vantelo.Nope\"");
    QTest::newRow("unknown method")
        << QByteArray("{\"answers\": [{\"interface\": \"com.vantelo.Display\", \"method\": \"getPicture\"}]}")
        << QStringLiteral("answers[0].method: com.vantelo.Display has no method \"getPicture\"");
    QTest::newRow("argument count")
        << QByteArray("{\"answers\": [{\"interface\": \"com.vantelo.DeviceInfo\", \"method\": \"getInformation\", "
                      "\"arguments\": [\"x\"], \"value\": 1}]}")
        << QStringLiteral("answers[0].arguments: getInformation takes (ss)");
    QTest::newRow("null value")
        << QByteArray("{\"answers\": [{\"interface\": \"com.vantelo.Display\", \"method\": \"getScreenshot\", "
                      "\"value\": {\"a\": [1, null]}}]}")
        << QStringLiteral("answers[0].value.a: [1]: null has no D-Bus value");
    QTest::newRow("item without uuid") << QByteArray("{\"uiStatusItems\": [{\"title\": \"t\"}]}")
                                       << QStringLiteral("uiStatusItems[0]: an item needs a \"uuid\"");
}

void SimulatorTest::refusesMalformedScenarios()
{
    QFETCH(QByteArray, scenario);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("scenario.json")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(scenario);
    file.close();

    QProcess simulator;
    simulator.start(QStringLiteral(VANTELO_SIMULATOR), {QStringLiteral("--scenario"), file.fileName()});
    QVERIFY(simulator.waitForFinished(10000));
    QCOMPARE(simulator.exitCode(), 2);
    const QString error = QString::fromUtf8(simulator.readAllStandardError());
    QVERIFY2(error.contains(reason), qPrintable(error));
}

void SimulatorTest::refusesTheSystemBusUnlessAsked()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("VANTELO_DBUS_ADDRESS"));
    QProcess simulator;
    simulator.setProcessEnvironment(environment);
    simulator.start(QStringLiteral(VANTELO_SIMULATOR), QStringList());
    QVERIFY(simulator.waitForFinished(10000));
    QCOMPARE(simulator.exitCode(), 2);
    QVERIFY(simulator.readAllStandardError().contains("refusing the system bus without --system"));
}

QTEST_GUILESS_MAIN(SimulatorTest)
#include "tst_simulator.moc"
