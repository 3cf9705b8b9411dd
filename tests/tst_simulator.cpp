// The simulator as a program: its answers, driven through the test kit on the
// runner's bus, and its control interface read directly. Tests of the program
// itself (its exit when the bus dies, start on demand, the bus policy, a second
// simulator) start it on a PrivateBus: buses of their own, with activation
// folders and policies the kit does not offer, which they may kill.
#include "ConfigurationFileHandlerDBusConnector.h"
#include "DBusConnection.h"
#include "DBusDeviceInfoConnector.h"
#include "DisplayDBusConnector.h"
#include "PrivateBus.h"
#include "RecordedCall.h"
#include "SelectorDataDBusConnector.h"
#include "SimulatedDevice.h"
#include "UiStatusInformationDataDBusConnector.h"
#include "VanteloDBusConnector.h"
#include "VanteloDefinitions.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <unistd.h>

namespace {
const QString simulatorName = QStringLiteral("com.vantelo.Simulator");
const QString controlPath = QStringLiteral("/com/vantelo/Simulator");
const QString controlInterface = QStringLiteral("com.vantelo.Simulator.Control");
const QString systemInformation = QStringLiteral("com.vantelo.SystemInformation");
const int waitMs = 5000;

using PathInterfaces = QMap<QString, QStringList>;

QDBusMessage call(QDBusConnection connection, const QString& service, const QString& path, const QString& interface,
                  const QString& member, const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, member);
    message.setArguments(arguments);
    return connection.call(message, QDBus::Block, waitMs);
}

QDBusMessage control(QDBusConnection connection, const QString& member, const QVariantList& arguments = {})
{
    return call(connection, simulatorName, controlPath, controlInterface, member, arguments);
}

// The (isv) envelope of an answer, read as the library reads it.
DBusReply envelopeOf(const QDBusMessage& reply)
{
    DBusReply envelope;
    qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant().value<QDBusArgument>() >> envelope;
    return envelope;
}

// Lists nested `depth` deep around the number 1: each is an array and a variant on the bus.
QByteArray nestedLists(int depth)
{
    return QByteArray(depth, '[') + '1' + QByteArray(depth, ']');
}

// Lists (an array and a variant each) or dicts (an array, an entry and a variant each) around the value.
QVariant nestedVariants(int depth, bool dicts = false, QVariant value = 1)
{
    for (int i = 0; i < depth; ++i)
        value = dicts ? QVariant(QVariantMap{{QStringLiteral("a"), value}}) : QVariant(QVariantList{value});
    return value;
}

// Whether the process is gone or only waits to be reaped; the bus that
// started it may have no parent left to reap it.
bool hasEnded(uint pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
}

void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(waitMs))
        process.kill();
    process.waitForFinished(waitMs);
}

// The interfaces of every object under `path`, walking the tree by introspection;
// nodes without interfaces of their own must lead somewhere.
bool walk(QDBusConnection bus, const QString& service, const QString& path, PathInterfaces* objects, QString* error)
{
    const QDBusMessage reply =
        call(bus, service, path, QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    QXmlStreamReader xml(reply.arguments().value(0).toString());
    QStringList interfaces;
    QStringList children;
    int depth = 0;
    while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
        if (xml.isEndElement())
            --depth;
        if (!xml.isStartElement())
            continue;
        const QString name = xml.attributes().value(QLatin1String("name")).toString();
        if (depth == 1 && xml.name() == QLatin1String("interface"))
            interfaces.append(name);
        if (depth == 1 && xml.name() == QLatin1String("node"))
            children.append(name);
        ++depth;
    }
    const QStringList standard{QStringLiteral("org.freedesktop.DBus.Introspectable"),
                               QStringLiteral("org.freedesktop.DBus.Peer")};
    if (reply.type() != QDBusMessage::ReplyMessage || interfaces.mid(0, 2) != standard) {
        *error = path + QStringLiteral(": ") + reply.errorMessage() + interfaces.join(QLatin1Char(' '));
        return false;
    }
    if (interfaces.size() > 2)
        objects->insert(path, interfaces.mid(2));
    else if (children.isEmpty()) {
        *error = path + QStringLiteral(": neither an object nor a node on the way to one");
        return false;
    }
    for (const QString& child : children) {
        const QString childPath = (path == QLatin1String("/") ? path : path + QLatin1Char('/')) + child;
        if (!walk(bus, service, childPath, objects, error))
            return false;
    }
    return true;
}
} // namespace

// Runs against the simulator serving its default scenario on the suite's
// bus; what needs a simulator with other options gets a bus of its own.
class SimulatorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void answersFromTheScenario();
    void answersNameTheirObject();
    void keepsTheDevicesState();
    void delaySurvivesALaterReply();
    void refusesWhatTheServicesDoNotServe_data();
    void refusesWhatTheServicesDoNotServe();
    void introspectionWalksEveryObject_data();
    void introspectionWalksEveryObject();
    void controlRefusesBadOrders_data();
    void controlRefusesBadOrders();
    void controlBelongsToItsOwner();
    void noControlServesTheScenarioAlone();
    void callLogKeepsTheLastCalls();
    void typedValuesArriveExactly();
    void refusesMalformedScenarios_data();
    void refusesMalformedScenarios();
    void refusesToStart_data();
    void refusesToStart();
    void exitsWhenTheBusGoesAway();
    void namesTakenByOthersAreNamed();
    void callLogShortensLongArguments();
    void callLogStaysSmallUnderLongArguments();
    void startsOnDemand();
    void systemBusPolicyKeepsTheControlToItsOwner();
    void runnerFailsBeforeTheCommand_data();
    void runnerFailsBeforeTheCommand();

private:
    QDBusConnection bus() const { return DBusConnection::getQDBusConnection(); }

    SimulatedDevice m_device;
    const QString m_module = VanteloDefinitions::getModuleName();
};

void SimulatorTest::initTestCase()
{
    QVERIFY2(m_device.attach(), qPrintable(m_device.errorString()));
}

void SimulatorTest::init()
{
    QVERIFY2(m_device.reset(), qPrintable(m_device.errorString()));
}

void SimulatorTest::answersFromTheScenario()
{
    const auto deviceInfo = DBusDeviceInfoConnector::createAndConnect(m_module, QStringLiteral("DeviceInfo"));
    QCOMPARE(deviceInfo->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber")).getValue(),
             QVariant(QStringLiteral("SN-2026-0042")));
    QCOMPARE(deviceInfo->getListOfInstances(QStringLiteral("x")).getValue(),
             QVariant(QStringList{QStringLiteral("Device1")}));

    // Arguments the scenario doesn't know: the answer says which it knows.
    const QString unknown =
        deviceInfo->getInformation(QStringLiteral("Device9"), QStringLiteral("x")).getError().getErrorMessage();
    QVERIFY2(unknown.contains(QStringLiteral("knows the arguments (\"Device1\", \"all\")")) &&
                 unknown.contains(QStringLiteral("not (\"Device9\", \"x\")")),
             qPrintable(unknown));

    // An answer that names the arguments goes before one for any arguments.
    const auto registry = VanteloDBusConnector::createAndConnect();
    const QString module = QStringLiteral("SystemInformation");
    QCOMPARE(registry->isProviderRegistered(QStringLiteral("DeviceInfo"), module).getValue(), QVariant(true));
    QCOMPARE(registry->isProviderRegistered(QStringLiteral("Display"), module).getValue(), QVariant(false));
}

void SimulatorTest::answersNameTheirObject()
{
    // One interface at two objects: the answer that names its object wins there only.
    const QString sps = QStringLiteral("SpsConfigurationManager");
    const auto parameter = SelectorDataDBusConnector::createAndConnect(sps, QStringLiteral("PlcParameter"));
    const auto shared = SelectorDataDBusConnector::createAndConnect(sps, QStringLiteral("Configuration"));
    const QStringList arguments{QStringLiteral("Gain"), QStringLiteral("Kp"), QStringLiteral("1"), QString(), QString(),
                                QStringLiteral("en")};
    const auto text = [&arguments](SelectorDataDBusConnector& connector) {
        return connector
            .getSelectorText(arguments[0], arguments[1], arguments[2], arguments[3], arguments[4], arguments[5])
            .getValue()
            .toString();
    };
    QCOMPARE(parameter->getDBusPath(), QStringLiteral("/com/vantelo/PlcParameterSelectorData"));
    QCOMPARE(text(*parameter), QStringLiteral("Proportional gain"));
    QCOMPARE(text(*shared), QStringLiteral("English"));
}

void SimulatorTest::keepsTheDevicesState()
{
    const auto configuration =
        ConfigurationFileHandlerDBusConnector::createAndConnect(m_module, QStringLiteral("Configuration"));
    QSignalSpy changed(configuration.data(), &ConfigurationFileHandlerDBusConnector::configurationChanged);
    const QString n = QStringLiteral("n");
    QVERIFY(!configuration->setConfiguration(QStringLiteral("Network"), n, n, n, false).isError());
    QVERIFY(!configuration->setConfigurationWithSessionId(QStringLiteral("Time"), n, n, n, n, true).isError());
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 2, waitMs);
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("Network"));
    QCOMPARE(changed.at(1).at(0).toString(), QStringLiteral("Time"));

    const auto uiStatus =
        UiStatusInformationDataDBusConnector::createAndConnect(m_module, QStringLiteral("UiStatusInformation"));
    QSignalSpy itemChanged(uiStatus.data(), &UiStatusInformationDataDBusConnector::uiStatusInformationItemChanged);
    QSignalSpy itemRemoved(uiStatus.data(), &UiStatusInformationDataDBusConnector::uiStatusInformationItemRemoved);
    const int before = uiStatus->getUiStatusInformationItemList(QString()).size();
    UiStatusInformationItem item;
    item.setUuid(QStringLiteral("new-item"));
    // Added, then added again with another title: the known item is replaced, not doubled.
    for (const QString& title : {QStringLiteral("Disk filling up"), QStringLiteral("Disk almost full")}) {
        item.setTitle(title);
        uiStatus->addUiStatusInformationItem(item);
        QVERIFY(itemChanged.wait(waitMs));
        QCOMPARE(itemChanged.takeFirst().at(0).toString(), QStringLiteral("new-item"));
        QCOMPARE(uiStatus->getUiStatusInformationItemList(QString()).size(), before + 1);
        QCOMPARE(uiStatus->getUiStatusInformationItem(QString(), QStringLiteral("new-item")).title(), title);
    }
    uiStatus->removeUiStatusInformationItem(item);
    QVERIFY(itemRemoved.wait(waitMs));
    QCOMPARE(qvariant_cast<UiStatusInformationItem>(itemRemoved.at(0).at(0)).title(),
             QStringLiteral("Disk almost full"));
    QCOMPARE(uiStatus->getUiStatusInformationItemList(QString()).size(), before);

    const auto display = DisplayDBusConnector::createAndConnect(m_module);
    QCOMPARE(display->getScreenshot().getValue().userType(), int(QMetaType::QByteArray));
    display->toggleDisplayState();
    QVERIFY(display->getScreenshot().getError().getErrorMessage().contains(QStringLiteral("switched off")));
    display->toggleDisplayState();
    QVERIFY(!display->getScreenshot().isError());
}

void SimulatorTest::delaySurvivesALaterReply()
{
    const auto deviceInfo = DBusDeviceInfoConnector::createAndConnect(m_module, QStringLiteral("DeviceInfo"));
    const int delayMs = 300;
    QVERIFY2(m_device.setDelay(QStringLiteral("com.vantelo.DeviceInfo"), QStringLiteral("getListOfActions"), delayMs),
             qPrintable(m_device.errorString()));
    QVERIFY2(m_device.setReply(QStringLiteral("com.vantelo.DeviceInfo"), QStringLiteral("getListOfActions"), 0,
                               QString(), QStringLiteral("late")),
             qPrintable(m_device.errorString()));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(deviceInfo->getListOfActions(QStringLiteral("Device1"), QString()).getValue(),
             QVariant(QStringLiteral("late")));
    QVERIFY2(timer.elapsed() >= delayMs, qPrintable(QString::number(timer.elapsed())));
}

void SimulatorTest::refusesWhatTheServicesDoNotServe_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("interface");
    QTest::addColumn<QString>("member");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QString>("error");

    const QString deviceInfo = QStringLiteral("com.vantelo.DeviceInfo");
    const QString devicePath = QStringLiteral("/com/vantelo/DeviceInfo");
    const QVariantList two{QStringLiteral("Device1"), QStringLiteral("serialNumber")};
    const QString unknownObject = QStringLiteral("org.freedesktop.DBus.Error.UnknownObject");
    const QString unknownInterface = QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface");
    const QString invalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
    QTest::newRow("undefined object") << systemInformation << QStringLiteral("/com/vantelo/Typo") << deviceInfo
                                      << QStringLiteral("getInformation") << two << unknownObject;
    QTest::newRow("another name's object")
        << systemInformation << QStringLiteral("/com/vantelo/PlcParameterSelectorData")
        << QStringLiteral("com.vantelo.SelectorData") << QStringLiteral("getListOfInstances") << two << unknownObject;
    QTest::newRow("node on the way") << systemInformation << QStringLiteral("/com/vantelo") << deviceInfo
                                     << QStringLiteral("getInformation") << two << unknownObject;
    QTest::newRow("interface of another object")
        << systemInformation << devicePath << QStringLiteral("com.vantelo.Display") << QStringLiteral("getScreenshot")
        << QVariantList() << unknownInterface;
    QTest::newRow("properties") << systemInformation << devicePath << QStringLiteral("org.freedesktop.DBus.Properties")
                                << QStringLiteral("GetAll") << QVariantList{deviceInfo} << unknownInterface;
    QTest::newRow("control on a service object") << systemInformation << devicePath << controlInterface
                                                 << QStringLiteral("Reset") << QVariantList() << unknownInterface;
    QTest::newRow("unknown method") << systemInformation << devicePath << deviceInfo << QStringLiteral("getInfo") << two
                                    << QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
    QTest::newRow("wrong signature") << systemInformation << devicePath << deviceInfo
                                     << QStringLiteral("getInformation") << QVariantList{QStringLiteral("only one")}
                                     << invalidArgs;
    QTest::newRow("control at /") << simulatorName << QStringLiteral("/") << controlInterface << QStringLiteral("Reset")
                                  << QVariantList() << unknownObject;
    QTest::newRow("control path on a service name") << systemInformation << controlPath << controlInterface
                                                    << QStringLiteral("Reset") << QVariantList() << unknownObject;
    QTest::newRow("control with a wrong signature")
        << simulatorName << controlPath << controlInterface << QStringLiteral("SetDelay")
        << QVariantList{QStringLiteral("x")} << invalidArgs;
}

void SimulatorTest::refusesWhatTheServicesDoNotServe()
{
    QFETCH(QString, service);
    QFETCH(QString, path);
    QFETCH(QString, interface);
    QFETCH(QString, member);
    QFETCH(QVariantList, arguments);
    QFETCH(QString, error);

    const QDBusMessage reply = call(bus(), service, path, interface, member, arguments);
    QCOMPARE(reply.errorName(), error);
    // Refused before it reached a method: nothing was recorded.
    QCOMPARE(m_device.calls().size(), 0);
    QVERIFY2(m_device.errorString().isEmpty(), qPrintable(m_device.errorString()));
}

void SimulatorTest::introspectionWalksEveryObject_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<PathInterfaces>("objects");

    PathInterfaces system;
    for (const char* object : {"BusControlInfo", "Configuration", "ConfigurationData", "ControllerData", "DeviceInfo",
                               "Display", "ExternalMedia", "ExternalMediaMountService", "Maintenance", "SelectorData"})
        system.insert(QStringLiteral("/com/vantelo/") + QLatin1String(object),
                      {QStringLiteral("com.vantelo.") + QLatin1String(object)});
    system.insert(QStringLiteral("/com/vantelo/Information"), {QStringLiteral("com.vantelo.Vantelo")});
    system.insert(QStringLiteral("/com/vantelo/ProcessData"), {QStringLiteral("com.vantelo.ProcessDescription")});
    system.insert(QStringLiteral("/com/vantelo/UiStatusInformation"),
                  {QStringLiteral("com.vantelo.UiStatusInformationData")});
    QTest::newRow("system information") << systemInformation << system;
    QTest::newRow("configuration manager")
        << QStringLiteral("com.vantelo.SpsConfigurationManager")
        << PathInterfaces{
               {QStringLiteral("/com/vantelo/Configuration"), {QStringLiteral("com.vantelo.Configuration")}},
               {QStringLiteral("/com/vantelo/SelectorData"), {QStringLiteral("com.vantelo.SelectorData")}},
               {QStringLiteral("/com/vantelo/PlcParameterSelectorData"), {QStringLiteral("com.vantelo.SelectorData")}}};
    QTest::newRow("control") << simulatorName << PathInterfaces{{controlPath, {controlInterface}}};
}

void SimulatorTest::introspectionWalksEveryObject()
{
    QFETCH(QString, service);
    QFETCH(PathInterfaces, objects);
    PathInterfaces found;
    QString error;
    QVERIFY2(walk(bus(), service, QStringLiteral("/"), &found, &error), qPrintable(error));
    QCOMPARE(found, objects);

    const QString xml = call(bus(), service, objects.firstKey(), QStringLiteral("org.freedesktop.DBus.Introspectable"),
                             QStringLiteral("Introspect"))
                            .arguments()
                            .value(0)
                            .toString();
    QVERIFY2(xml.startsWith(QStringLiteral("<!DOCTYPE node")) && xml.contains(QStringLiteral("<method name=")),
             qPrintable(xml));
}

void SimulatorTest::controlRefusesBadOrders_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QString>("refusal"); // empty: carried out

    const QString method = QStringLiteral("getInformation");
    const QVariant noArguments = QVariant::fromValue(QVariantList());
    const auto value = [](const QVariant& inner) { return QVariant::fromValue(QDBusVariant(inner)); };
    QTest::newRow("error name with a blank")
        << QStringLiteral("SetError") << QVariantList{method, QStringLiteral("not an error"), QString()}
        << QStringLiteral("no valid D-Bus error name");
    QTest::newRow("error name with ..") << QStringLiteral("SetError")
                                        << QVariantList{method, QStringLiteral("com..vantelo.Failed"), QString()}
                                        << QStringLiteral("no valid D-Bus error name");
    QTest::newRow("delay beyond 10 minutes")
        << QStringLiteral("SetDelay") << QVariantList{method, 600001u} << QStringLiteral("beyond the 600000 ms");
    QTest::newRow("delay of 10 minutes") << QStringLiteral("SetDelay") << QVariantList{method, 600000u} << QString();
    QTest::newRow("malformed method") << QStringLiteral("SetReply")
                                      << QVariantList{QStringLiteral("get-x"), 0, QString(), value(1)}
                                      << QStringLiteral("no valid D-Bus method name");
    QTest::newRow("empty method") << QStringLiteral("SetNoReply") << QVariantList{QString()}
                                  << QStringLiteral("no valid D-Bus method name");
    QTest::newRow("method nothing serves")
        << QStringLiteral("SetRawReply") << QVariantList{QStringLiteral("getX"), value(1)}
        << QStringLiteral("No served interface has a method getX");
    QTest::newRow("value too deep for the envelope")
        << QStringLiteral("SetReply") << QVariantList{method, 0, QString(), value(nestedVariants(31))}
        << QStringLiteral("nests too deeply");
    QTest::newRow("value as deep as the envelope allows")
        << QStringLiteral("SetReply")
        << QVariantList{method, 0, QString(), value(nestedVariants(30, false, QStringList{method}))} << QString();
    QTest::newRow("dicts too deep for the envelope")
        << QStringLiteral("SetReply") << QVariantList{method, 0, QString(), value(nestedVariants(21, true))}
        << QStringLiteral("nests too deeply");
    QTest::newRow("bus name with ..") << QStringLiteral("OwnName") << QVariantList{QStringLiteral("com..vantelo")}
                                      << QStringLiteral("no valid well-known bus name");
    QTest::newRow("unique name") << QStringLiteral("ReleaseName") << QVariantList{QStringLiteral(":1.5")}
                                 << QStringLiteral("no valid well-known bus name");
    QTest::newRow("the simulator's own name")
        << QStringLiteral("ReleaseName") << QVariantList{simulatorName} << QStringLiteral("the simulator's own name");
    QTest::newRow("name the scenario doesn't serve")
        << QStringLiteral("OwnName") << QVariantList{QStringLiteral("com.vantelo.Elsewhere")}
        << QStringLiteral("serves no objects under com.vantelo.Elsewhere");
    QTest::newRow("object path with ..") << QStringLiteral("EmitSignal")
                                         << QVariantList{QStringLiteral("/com/../x"), QStringLiteral("com.vantelo.X"),
                                                         QStringLiteral("s"), noArguments}
                                         << QStringLiteral("no valid object path");
    QTest::newRow("malformed interface") << QStringLiteral("EmitSignal")
                                         << QVariantList{QStringLiteral("/com/vantelo/DeviceInfo"), QStringLiteral("x"),
                                                         QStringLiteral("s"), noArguments}
                                         << QStringLiteral("no valid interface name");
    QTest::newRow("malformed signal") << QStringLiteral("EmitSignal")
                                      << QVariantList{QStringLiteral("/com/vantelo/DeviceInfo"),
                                                      QStringLiteral("com.vantelo.X"), QStringLiteral("a.b"),
                                                      noArguments}
                                      << QStringLiteral("no valid signal name");
    QTest::newRow("signal of no object") << QStringLiteral("EmitSignal")
                                         << QVariantList{QStringLiteral("/com/vantelo/Nowhere"),
                                                         QStringLiteral("com.vantelo.X"), QStringLiteral("s"),
                                                         noArguments}
                                         << QStringLiteral("No service serves an object at /com/vantelo/Nowhere");
}

void SimulatorTest::controlRefusesBadOrders()
{
    QFETCH(QString, member);
    QFETCH(QVariantList, arguments);
    QFETCH(QString, refusal);

    const QDBusMessage reply = control(bus(), member, arguments);
    if (refusal.isEmpty()) {
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        return;
    }
    QCOMPARE(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    QVERIFY2(reply.errorMessage().contains(refusal), qPrintable(reply.errorMessage()));
}

void SimulatorTest::controlBelongsToItsOwner()
{
    PrivateBus ownBus;
    QVERIFY(ownBus.start());
    QProcess simulator;
    const QString stranger = QString::number(::getuid() + 1);
    QVERIFY(ownBus.startSimulator({QStringLiteral("--control-user"), stranger}, &simulator));

    const QDBusMessage refused = control(ownBus.connection(), QStringLiteral("Calls"));
    QCOMPARE(refused.errorName(), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    // Asked again, from the cache: the same answer.
    QCOMPARE(control(ownBus.connection(), QStringLiteral("Reset")).errorName(), refused.errorName());
    // The services answer everyone.
    const QDBusMessage answered =
        call(ownBus.connection(), systemInformation, QStringLiteral("/com/vantelo/DeviceInfo"),
             QStringLiteral("com.vantelo.DeviceInfo"), QStringLiteral("getListOfInstances"), {QString()});
    QCOMPARE(envelopeOf(answered).getValue(), QVariant(QStringList{QStringLiteral("Device1")}));
    stop(simulator);
}

void SimulatorTest::noControlServesTheScenarioAlone()
{
    PrivateBus ownBus;
    QVERIFY(ownBus.start());
    QProcess simulator;
    QVERIFY(ownBus.startSimulator({QStringLiteral("--no-control")}, &simulator, systemInformation));
    QDBusConnection connection = ownBus.connection();
    // Each service takes its name on its own connection: the second may follow a moment later.
    QTRY_VERIFY_WITH_TIMEOUT(
        connection.interface()->isServiceRegistered(QStringLiteral("com.vantelo.SpsConfigurationManager")), waitMs);
    QVERIFY(!connection.interface()->isServiceRegistered(simulatorName));
    stop(simulator);
}

void SimulatorTest::callLogKeepsTheLastCalls()
{
    PrivateBus ownBus;
    QVERIFY(ownBus.start());
    QProcess simulator;
    QVERIFY(
        ownBus.startSimulator({QStringLiteral("--bare"), QStringLiteral("--own"), QStringLiteral("com.vantelo.Probe"),
                               QStringLiteral("--call-log"), QStringLiteral("3")},
                              &simulator));
    QDBusConnection connection = ownBus.connection();
    for (int i = 0; i < 5; ++i)
        call(connection, QStringLiteral("com.vantelo.Probe"), QStringLiteral("/any/path"),
             QStringLiteral("com.vantelo.Any"), QStringLiteral("call%1").arg(i));
    const auto calls =
        qdbus_cast<QList<RecordedCall>>(control(connection, QStringLiteral("Calls")).arguments().value(0));
    QStringList members;
    for (const RecordedCall& recorded : calls)
        members.append(recorded.member);
    QCOMPARE(members, (QStringList{QStringLiteral("call2"), QStringLiteral("call3"), QStringLiteral("call4")}));
    stop(simulator);
    QCOMPARE(simulator.readAllStandardOutput(), QByteArray()); // --quiet
}

void SimulatorTest::typedValuesArriveExactly()
{
    struct Row
    {
        const char* json;
        QVariant expected;
    };
    const QList<Row> rows = {
        {R"({"@type": "t", "@value": 9007199254740993})", QVariant::fromValue(Q_UINT64_C(9007199254740993))},
        {R"({"@type": "t", "@value": 18446744073709551615})", QVariant::fromValue(Q_UINT64_C(18446744073709551615))},
        {R"({"@type": "x", "@value": -9223372036854775808})", QVariant::fromValue(std::numeric_limits<qint64>::min())},
        {R"({"@type": "u", "@value": 4294967295})", QVariant::fromValue(4294967295u)},
        {R"({"@type": "i", "@value": -2147483648})", QVariant::fromValue(std::numeric_limits<int>::min())},
        {R"({"@type": "n", "@value": -32768})", QVariant::fromValue(short(-32768))},
        {R"({"@type": "q", "@value": 65535})", QVariant::fromValue(ushort(65535))},
        {R"({"@type": "y", "@value": 255})", QVariant::fromValue(uchar(255))},
        {R"({"@type": "d", "@value": 0.1})", QVariant(0.1)},
        {R"(2147483647)", QVariant(2147483647)},
        {R"(1.0)", QVariant(1.0)},
        {R"({"@type": "s", "@value": "text"})", QVariant(QStringLiteral("text"))},
    };
    QByteArray answers;
    for (int i = 0; i < rows.size(); ++i)
        answers += QByteArrayLiteral(R"(, {"interface": "com.vantelo.DeviceInfo", "method": "getInformation", )"
                                     R"("arguments": ["Device1", ")") +
                   QByteArray::number(i) + "\"], \"value\": " + rows.at(i).json + '}';
    // As deep as a reply carries: the envelope's three, and an array and a variant for each list.
    answers +=
        R"(, {"interface": "com.vantelo.DeviceInfo", "method": "getInformation", "arguments": ["Device1", "deep"], )"
        R"("value": )" +
        nestedLists(30) + '}';
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("typed.json")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"objects": [{"module": "SystemInformation", "object": "DeviceInfo", )"
               R"("interfaces": ["com.vantelo.DeviceInfo"]}], "answers": [)" +
               answers.mid(1) + "]}");
    file.close();

    PrivateBus ownBus;
    QVERIFY(ownBus.start());
    QProcess simulator;
    QVERIFY2(ownBus.startSimulator({QStringLiteral("--scenario"), file.fileName()}, &simulator, systemInformation),
             simulator.readAllStandardError().constData());
    const auto answer = [&ownBus](const QString& key) {
        return envelopeOf(call(ownBus.connection(), systemInformation, QStringLiteral("/com/vantelo/DeviceInfo"),
                               QStringLiteral("com.vantelo.DeviceInfo"), QStringLiteral("getInformation"),
                               {QStringLiteral("Device1"), key}));
    };
    for (int i = 0; i < rows.size(); ++i) {
        const DBusReply reply = answer(QString::number(i));
        const QVariant value = reply.getValue();
        QVERIFY2(!reply.isError() && value.userType() == rows.at(i).expected.userType() && value == rows.at(i).expected,
                 rows.at(i).json);
    }
    const DBusReply deep = answer(QStringLiteral("deep"));
    QVERIFY2(!deep.isError(), qPrintable(deep.getError().getErrorMessage()));
    QCOMPARE(deep.getValue().userType(), qMetaTypeId<QDBusArgument>());
    stop(simulator);
}

void SimulatorTest::refusesMalformedScenarios_data()
{
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<QString>("reason");

    const QByteArray object = R"({"objects": [{"module": "SystemInformation", "object": "DeviceInfo", )"
                              R"("interfaces": ["com.vantelo.DeviceInfo"]}], )";
    // An answer of the object above, with `value` as its value.
    const auto valued = [&object](const QByteArray& value) {
        return object + R"("answers": [{"interface": "com.vantelo.DeviceInfo", "method": "runAction", "value": )" +
               value + "}]}";
    };
    const auto answer = [&object](const QByteArray& keys) {
        return object + R"("answers": [{"interface": "com.vantelo.DeviceInfo", "method": "runAction", )" + keys + "}]}";
    };

    QTest::newRow("syntax") << QByteArray("{\n  \"objects\": [\n    {\"module\" \"M\"}\n  ]\n}")
                            << QStringLiteral("scenario.json:3:");
    QTest::newRow("key given twice") << QByteArray("{\"objects\": [],\n \"objects\": []}")
                                     << QStringLiteral("scenario.json:2:2: objects: given twice");
    // Text that D-Bus can't carry is refused, never cut.
    QTest::newRow("NUL in a uuid") << QByteArray(R"({"uiStatusItems": [{"uuid": "\u0000a"}]})")
                                   << QStringLiteral("scenario.json:1:30: \\u0000: D-Bus text cannot carry the NUL");
    QTest::newRow("lone surrogate") << QByteArray(R"({"uiStatusItems": [{"uuid": "\ud800"}]})")
                                    << QStringLiteral("scenario.json:1:30: a lone high surrogate");
    QTest::newRow("raw control character") << QByteArray("{\"uiStatusItems\": [{\"uuid\": \"a\x7f\x01\"}]}")
                                           << QStringLiteral("scenario.json:1:32: a control character (0x01)");
    QTest::newRow("unknown section") << QByteArray("{\"answer\": []}")
                                     << QStringLiteral("scenario.json:1:12: unknown key \"answer\"; known are objects, "
                                                       "answers, uiStatusItems");
    QTest::newRow("unknown key of an answer")
        << object + "\n\"answers\": [{\"interface\": \"com.vantelo.DeviceInfo\", \"method\": \"runAction\",\n "
                    "\"vaule\": 1}]}"
        << QStringLiteral("scenario.json:3:11: answers[0]: unknown key \"vaule\"; known are interface, method, object, "
                          "arguments, value, code, message");
    QTest::newRow("unknown key of an object")
        << QByteArray(
               R"({"objects": [{"module": "M", "object": "O", "path": "/x", "interfaces": ["com.vantelo.Display"]}]})")
        << QStringLiteral("objects[0]: unknown key \"path\"; known are module, object, interfaces");
    QTest::newRow("unknown key of an item") << QByteArray(R"({"uiStatusItems": [{"uuid": "u", "colour": "red"}]})")
                                            << QStringLiteral("uiStatusItems[0]: unknown key \"colour\"");
    QTest::newRow("unknown key of a typed value")
        << valued(R"({"@type": "i", "@vaule": 3})")
        << QStringLiteral("answers[0].value: unknown key \"@vaule\"; known are "
                          "@type, @value");
    QTest::newRow("typed key without a type")
        << valued(R"({"@value": 3})")
        << QStringLiteral("answers[0].value.@value: keys that begin with @ belong "
                          "to typed values");
    QTest::newRow("unknown type") << valued(R"({"@type": "v", "@value": 3})")
                                  << QStringLiteral("answers[0].value.@type: must be one of ay, y, n, q, i, u, x, t");
    QTest::newRow("missing key") << QByteArray("{\"objects\": [\n  {\"object\": \"O\", \"interfaces\": []}]}")
                                 << QStringLiteral("scenario.json:2:3: objects[0].module: needs a non-empty string");
    QTest::newRow("entry no object") << QByteArray(R"({"objects": [3]})")
                                     << QStringLiteral("objects[0]: needs an object");
    QTest::newRow("unknown interface")
        << QByteArray(R"({"objects": [{"module": "M", "object": "O", "interfaces": ["com.vantelo.Nope"]}]})")
        << QStringLiteral("objects[0].interfaces[0]: no interface \"com.vantelo.Nope\"");
    QTest::newRow("the control interface")
        << QByteArray(
               R"({"objects": [{"module": "M", "object": "O", "interfaces": ["com.vantelo.Simulator.Control"]}]})")
        << QStringLiteral("objects[0].interfaces[0]: no interface \"com.vantelo.Simulator.Control\"");
    QTest::newRow("the simulator's name")
        << QByteArray(R"({"objects": [{"module": "Simulator", "object": "O", "interfaces": ["com.vantelo.Display"]}]})")
        << QStringLiteral("objects[0].module: com.vantelo.Simulator is no bus name a scenario can serve");
    QTest::newRow("object twice")
        << QByteArray(R"({"objects": [{"module": "M", "object": "O", "interfaces": ["com.vantelo.Display"]}, )"
                      R"({"module": "M", "object": "O", "interfaces": ["com.vantelo.DeviceInfo"]}]})")
        << QStringLiteral("objects[1]: com.vantelo.M serves /com/vantelo/O already");
    QTest::newRow("unknown method")
        << object + R"("answers": [{"interface": "com.vantelo.DeviceInfo", "method": "getPicture"}]})"
        << QStringLiteral("answers[0].method: com.vantelo.DeviceInfo has no method \"getPicture\"");
    QTest::newRow("interface nothing serves")
        << object + R"("answers": [{"interface": "com.vantelo.Display", "method": "getScreenshot"}]})"
        << QStringLiteral("answers[0].interface: no object serves com.vantelo.Display");
    QTest::newRow("object that lacks the interface")
        << answer(R"("object": "Display")")
        << QStringLiteral("answers[0].object: no object \"Display\" serves "
                          "com.vantelo.DeviceInfo");
    QTest::newRow("argument count")
        << object + R"("answers": [{"interface": "com.vantelo.DeviceInfo", "method": "getInformation", )"
                    R"("arguments": ["x"]}]})"
        << QStringLiteral("answers[0].arguments: getInformation takes (ss)");
    QTest::newRow("argument type")
        << object + R"("answers": [{"interface": "com.vantelo.DeviceInfo", "method": "getInformation", )"
                    R"("arguments": [1, "x"]}]})"
        << QStringLiteral("answers[0].arguments[0]: \"s\" takes a string, not 1");
    QTest::newRow("code as text") << answer(R"("code": "7")")
                                  << QStringLiteral("answers[0].code: \"i\" takes a whole number from -2147483648 to "
                                                    "2147483647, not \"7\"");
    QTest::newRow("code with a fraction") << answer(R"("code": 1.5)")
                                          << QStringLiteral("answers[0].code: \"i\" takes a "
                                                            "whole number");
    QTest::newRow("code beyond int32") << answer(R"("code": 2147483648)") << QStringLiteral("not 2147483648");
    QTest::newRow("message no text") << answer(R"("message": 3)")
                                     << QStringLiteral("answers[0].message: needs a string");
    QTest::newRow("priority as text") << QByteArray(R"({"uiStatusItems": [{"uuid": "u", "priority": "2"}]})")
                                      << QStringLiteral("uiStatusItems[0].priority: \"i\" takes a whole number");
    QTest::newRow("item without uuid") << QByteArray(R"({"uiStatusItems": [{"title": "t"}]})")
                                       << QStringLiteral("uiStatusItems[0]: an item needs a \"uuid\"");
    QTest::newRow("uuid twice") << QByteArray(R"({"uiStatusItems": [{"uuid": "u"}, {"uuid": "u"}]})")
                                << QStringLiteral("uiStatusItems[1].uuid: another item has the uuid \"u\" already");
    QTest::newRow("null value") << valued(R"({"a": [1, null]})")
                                << QStringLiteral("answers[0].value.a[1]: null has no D-Bus value");
    QTest::newRow("whole number beyond int32")
        << valued("3000000000")
        << QStringLiteral("answers[0].value: \"i\" takes a whole number from "
                          "-2147483648 to 2147483647, not 3000000000; other whole "
                          "numbers need a type");
    QTest::newRow("double no number") << valued(R"({"@type": "d", "@value": true})")
                                      << QStringLiteral("\"d\" takes a finite number, not true");
    QTest::newRow("invalid base64") << valued(R"({"@type": "ay", "@base64": "***"})")
                                    << QStringLiteral("answers[0].value.@base64: needs base64 text");
    // Each type's range, exactly: never read through a double.
    const QMap<QString, QString> ranges = {
        {QStringLiteral("y"), QStringLiteral("0 to 255")},
        {QStringLiteral("n"), QStringLiteral("-32768 to 32767")},
        {QStringLiteral("q"), QStringLiteral("0 to 65535")},
        {QStringLiteral("i"), QStringLiteral("-2147483648 to 2147483647")},
        {QStringLiteral("u"), QStringLiteral("0 to 4294967295")},
        {QStringLiteral("x"), QStringLiteral("-9223372036854775808 to 9223372036854775807")},
        {QStringLiteral("t"), QStringLiteral("0 to 18446744073709551615")},
    };
    const QList<QPair<const char*, const char*>> outOfRange = {
        {"y", "256"},
        {"y", "-1"},
        {"n", "32768"},
        {"n", "-32769"},
        {"q", "65536"},
        {"i", "3000000000"},
        {"u", "4294967296"},
        {"u", "-1"},
        {"x", "9223372036854775808"},
        {"x", "-9223372036854775809"},
        {"t", "18446744073709551616"},
        {"t", "-1"},
        {"i", "1.5"},
        {"t", "1e3"},
        {"x", "\"5\""},
    };
    for (const auto& [type, number] : outOfRange)
        QTest::addRow("%s %s", type, number)
            << valued(QByteArray(R"({"@type": ")") + type + R"(", "@value": )" + number + '}')
            << QStringLiteral("answers[0].value.@value: \"%1\" takes a whole number from %2, not %3")
                   .arg(QLatin1String(type), ranges.value(QLatin1String(type)), QLatin1String(number));
    QTest::newRow("lists too deep") << valued(nestedLists(31)) << QStringLiteral("nested too deeply");
    QTest::newRow("lists 1000 deep") << valued(nestedLists(1000)) << QStringLiteral("nested too deeply");
    QByteArray objects = "1";
    for (int i = 0; i < 21; ++i)
        objects = "{\"a\": " + objects + '}';
    QTest::newRow("objects too deep") << valued(objects) << QStringLiteral(".a.a.a: nested too deeply");
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

    // A bus that isn't there: a refusal that comes first exits 2, not 1.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTELO_DBUS_ADDRESS"),
                       QStringLiteral("unix:path=") + dir.filePath(QStringLiteral("none")));
    QProcess simulator;
    simulator.setProcessEnvironment(environment);
    simulator.start(QStringLiteral(VANTELO_SIMULATOR), {QStringLiteral("--scenario"), file.fileName()});
    QVERIFY(simulator.waitForFinished(waitMs));
    const QString error = QString::fromUtf8(simulator.readAllStandardError());
    QVERIFY2(simulator.exitCode() == 2 && error.contains(reason), qPrintable(error));
    QCOMPARE(error.count(QLatin1Char('\n')), 1);
}

// Options that don't fit, and the system bus unless asked for: status 2, before serving anything.
void SimulatorTest::refusesToStart_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reason");

    // The suite's bus plays the system bus here.
    const QString suiteBus = DBusConnection::busAddress();
    const QString unasked = QStringLiteral("refusing the system bus without --system");
    QTest::newRow("variable unset") << QString() << QStringList() << unasked;
    QTest::newRow("variable system") << QStringLiteral("system") << QStringList() << unasked;
    QTest::newRow("variable at its socket") << suiteBus << QStringList() << QStringLiteral("is the system bus");
    QTest::newRow("call log no number") << QStringLiteral("session")
                                        << QStringList{QStringLiteral("--call-log"), QStringLiteral("many")}
                                        << QStringLiteral("--call-log takes a number, not 'many'");
    QTest::newRow("two buses") << QStringLiteral("session")
                               << QStringList{QStringLiteral("--session"), QStringLiteral("--address"), suiteBus}
                               << QStringLiteral("--system, --session and --address exclude each other");
    QTest::newRow("control name owned as a peer's")
        << QStringLiteral("session")
        << QStringList{QStringLiteral("--bare"), QStringLiteral("--no-control"), QStringLiteral("--own"), simulatorName}
        << QStringLiteral("--own com.vantelo.Simulator: that is the simulator's own name");
    QTest::newRow("empty address") << QStringLiteral("session") << QStringList{QStringLiteral("--address"), QString()}
                                   << QStringLiteral("--address needs an address");
    QTest::newRow("address at its socket")
        << QStringLiteral("session") << QStringList{QStringLiteral("--address"), suiteBus}
        << QStringLiteral("is the system bus");
}

void SimulatorTest::refusesToStart()
{
    QFETCH(QString, variable);
    QFETCH(QStringList, arguments);
    QFETCH(QString, reason);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), DBusConnection::busAddress());
    environment.remove(QStringLiteral("VANTELO_DBUS_ADDRESS"));
    if (!variable.isEmpty())
        environment.insert(QStringLiteral("VANTELO_DBUS_ADDRESS"), variable);
    QProcess simulator;
    simulator.setProcessEnvironment(environment);
    simulator.start(QStringLiteral(VANTELO_SIMULATOR), arguments);
    QVERIFY(simulator.waitForFinished(waitMs));
    const QString error = QString::fromUtf8(simulator.readAllStandardError());
    QVERIFY2(simulator.exitCode() == 2 && error.contains(reason), qPrintable(error));
}

void SimulatorTest::namesTakenByOthersAreNamed()
{
    const QString taken = QStringLiteral("com.vantelo.Taken");
    QDBusConnection other = QDBusConnection::connectToBus(DBusConnection::busAddress(), QStringLiteral("other"));
    QVERIFY(other.registerService(taken));
    QProcess simulator;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTELO_DBUS_ADDRESS"), DBusConnection::busAddress());
    simulator.setProcessEnvironment(environment);
    simulator.start(QStringLiteral(VANTELO_SIMULATOR),
                    {QStringLiteral("--bare"), QStringLiteral("--no-control"), QStringLiteral("--own"), taken});
    QVERIFY(simulator.waitForFinished(waitMs));
    const QString error = QString::fromUtf8(simulator.readAllStandardError());
    QDBusConnection::disconnectFromBus(QStringLiteral("other"));
    QCOMPARE(simulator.exitCode(), 1);
    QVERIFY2(error.contains(QStringLiteral("cannot own %1: the name is taken by another connection (:").arg(taken)),
             qPrintable(error));
}

void SimulatorTest::callLogShortensLongArguments()
{
    const int length = 100000;
    const QString longText(length, QLatin1Char('x'));
    call(bus(), systemInformation, QStringLiteral("/com/vantelo/DeviceInfo"), QStringLiteral("com.vantelo.DeviceInfo"),
         QStringLiteral("getInformation"), {longText, QStringLiteral("short")});
    const QList<QVariantList> calls = m_device.calls();
    QVERIFY2(!calls.isEmpty(), qPrintable(m_device.errorString()));
    const QVariantList arguments = calls.last();
    QCOMPARE(arguments.value(1).toString(), QStringLiteral("short"));
    const QString logged = arguments.value(0).toString();
    QVERIFY2(logged.size() < 5000 && logged.startsWith(longText.left(4096)) &&
                 logged.endsWith(QStringLiteral("(shortened in the call log from %1 characters)").arg(length)),
             qPrintable(logged.right(80)));
}

void SimulatorTest::callLogStaysSmallUnderLongArguments()
{
    // Twenty calls carrying 5 MiB each, from a caller that is not the owner:
    // kept whole, their texts would take 200 MiB.
    const QString big(5 * 1024 * 1024, QLatin1Char('x'));
    QDBusConnection stranger = QDBusConnection::connectToBus(DBusConnection::busAddress(), QStringLiteral("stranger"));
    for (int i = 0; i < 20; ++i)
        call(stranger, systemInformation, QStringLiteral("/com/vantelo/DeviceInfo"),
             QStringLiteral("com.vantelo.DeviceInfo"), QStringLiteral("getInformation"), {big, QString::number(i)});
    QDBusConnection::disconnectFromBus(QStringLiteral("stranger"));
    const uint pid = bus().interface()->servicePid(simulatorName);
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    QVERIFY(status.open(QIODevice::ReadOnly));
    const QString vmRss =
        QString::fromLatin1(status.readAll()).section(QStringLiteral("VmRSS:"), 1).section(QLatin1Char('\n'), 0, 0);
    const qint64 residentKiB = vmRss.trimmed().section(QLatin1Char(' '), 0, 0).toLongLong();
    QCOMPARE(m_device.calls().size(), 20);
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer keeps freed memory in quarantine: resident memory is its own.
    QVERIFY(residentKiB > 0);
#else
    QVERIFY2(residentKiB > 0 && residentKiB < 100 * 1024, qPrintable(vmRss));
#endif
}

void SimulatorTest::exitsWhenTheBusGoesAway()
{
    PrivateBus ownBus;
    QVERIFY(ownBus.start());
    QProcess simulator;
    QVERIFY(ownBus.startSimulator({}, &simulator));
    ownBus.kill();
    QVERIFY(simulator.waitForFinished(waitMs));
    QCOMPARE(simulator.exitCode(), 1);
    const QString error = QString::fromUtf8(simulator.readAllStandardError());
    QVERIFY2(error.endsWith(QStringLiteral(" went away; exiting\n")) && error.count(QLatin1Char('\n')) == 1,
             qPrintable(error));
}

void SimulatorTest::startsOnDemand()
{
    // The activation file of this build, in the bus's service folder.
    PrivateBus ownBus(QStringLiteral("<servicedir>%1</servicedir>\n").arg(QStringLiteral(VANTELO_ACTIVATION_DIR)) +
                      PrivateBus::openPolicy());
    QVERIFY(ownBus.start());
    QVERIFY(!ownBus.connection().interface()->isServiceRegistered(systemInformation));

    // The UI status connector sends its calls even while its service is absent.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTELO_DBUS_ADDRESS"), ownBus.address());
    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(VANTELO_CLI), {QStringLiteral("call"), QStringLiteral("ui-status"),
                                            QStringLiteral("getUiStatusInformationItemList"), QString()});
    QVERIFY(cli.waitForFinished(waitMs * 2));
    const QString output = QString::fromUtf8(cli.readAllStandardOutput() + cli.readAllStandardError());
    QVERIFY2(cli.exitCode() == 0 && output.contains(QStringLiteral("Fan speed low")), qPrintable(output));

    // The bus started it, once; it ends with its bus.
    QSet<uint> started;
    QDBusConnectionInterface* driver = ownBus.connection().interface();
    for (const QString& name : driver->registeredServiceNames().value()) {
        if (name.startsWith(QLatin1Char(':')))
            started.insert(driver->servicePid(name));
    }
    started.remove(uint(::getpid()));
    QCOMPARE(started, QSet<uint>{driver->servicePid(systemInformation)});
    ownBus.kill();
    QTRY_VERIFY_WITH_TIMEOUT(hasEnded(*started.begin()), waitMs);
}

void SimulatorTest::systemBusPolicyKeepsTheControlToItsOwner()
{
    if (::getuid() != 0)
        QSKIP("Playing the owner (root) and a stranger needs root");
    // The policy of a system bus, strict by default, with the simulator's file included.
    PrivateBus ownBus(
        QStringLiteral(
            "<policy context=\"default\">\n"
            "    <allow user=\"*\"/>\n"
            "    <deny own=\"*\"/>\n"
            "    <deny send_type=\"method_call\"/>\n"
            "    <allow send_type=\"signal\"/>\n"
            "    <allow send_requested_reply=\"true\" send_type=\"method_return\"/>\n"
            "    <allow send_requested_reply=\"true\" send_type=\"error\"/>\n"
            "    <allow receive_type=\"method_call\"/>\n"
            "    <allow receive_type=\"method_return\"/>\n"
            "    <allow receive_type=\"error\"/>\n"
            "    <allow receive_type=\"signal\"/>\n"
            "    <allow send_destination=\"org.freedesktop.DBus\" send_interface=\"org.freedesktop.DBus\"/>\n"
            "    <allow send_destination=\"org.freedesktop.DBus\"\n"
            "           send_interface=\"org.freedesktop.DBus.Introspectable\"/>\n"
            "  </policy>\n"
            "  <include>%1</include>\n")
            .arg(QStringLiteral(VANTELO_POLICY_FILE)));
    QVERIFY(ownBus.start());
    QFile::setPermissions(ownBus.directory(),
                          QFile::permissions(ownBus.directory()) | QFile::ExeOther | QFile::ReadOther);

    QProcess simulator;
    QVERIFY(ownBus.startSimulator({}, &simulator));
    QVERIFY(control(ownBus.connection(), QStringLiteral("ClearCalls")).type() == QDBusMessage::ReplyMessage);

    // Another user may call the services, not the control.
    const auto asNobody = [&ownBus](const QString& destination, const QString& path, const QString& method,
                                    const QStringList& arguments) {
        QProcess send;
        send.start(QStringLiteral("setpriv"),
                   QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                               QStringLiteral("--clear-groups"), QStringLiteral("dbus-send"),
                               QStringLiteral("--bus=") + ownBus.address(), QStringLiteral("--print-reply"),
                               QStringLiteral("--dest=") + destination, path, method} +
                       arguments);
        send.waitForFinished(waitMs);
        return QString::fromUtf8(send.readAllStandardOutput() + send.readAllStandardError());
    };
    const QString service =
        asNobody(systemInformation, QStringLiteral("/com/vantelo/DeviceInfo"),
                 QStringLiteral("com.vantelo.DeviceInfo.getListOfInstances"), {QStringLiteral("string:")});
    QVERIFY2(service.contains(QStringLiteral("Device1")), qPrintable(service));
    const QString controlled = asNobody(simulatorName, controlPath, controlInterface + QStringLiteral(".Reset"), {});
    QVERIFY2(controlled.contains(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied")), qPrintable(controlled));
    stop(simulator);
}

void SimulatorTest::runnerFailsBeforeTheCommand_data()
{
    QTest::addColumn<QString>("simulator");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");
    QTest::newRow("scenario refused") << QStringLiteral(VANTELO_SIMULATOR) << 2 << "none.json";
    QTest::newRow("simulator ends first")
        << QStringLiteral("false") << 1 << "vantelo-simulator ended with status 1 before the command ran";
}

void SimulatorTest::runnerFailsBeforeTheCommand()
{
    QFETCH(QString, simulator);
    QFETCH(int, status);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("ran"));
    QProcess runner;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTELO_SIMULATOR"), simulator);
    runner.setProcessEnvironment(environment);
    runner.start(QStringLiteral(VANTELO_WITH_SIMULATOR),
                 {QStringLiteral("--scenario"), dir.filePath(QStringLiteral("none.json")), QStringLiteral("--"),
                  QStringLiteral("touch"), marker});
    QVERIFY(runner.waitForFinished(waitMs * 2));
    const QString said = QString::fromUtf8(runner.readAllStandardError());
    QCOMPARE(runner.exitCode(), status);
    QVERIFY2(said.contains(error), qPrintable(said));
    QVERIFY(!QFile::exists(marker));
}

QTEST_GUILESS_MAIN(SimulatorTest)
#include "tst_simulator.moc"
