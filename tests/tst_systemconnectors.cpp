#include "BusControlInfoDBusConnector.h"
#include "DBusDeviceInfoConnector.h"
#include "DBusProcessDescriptionConnector.h"
#include "DisplayDBusConnector.h"
#include "ExternalMediaManagerDBusConnector.h"
#include "ExternalMediaManagerDBusMountServiceConnector.h"
#include "MaintenanceDBusConnector.h"
#include "SimulatorControl.h"
#include "VanteloDBusConnector.h"
#include "VanteloDefinitions.h"
#include "WarningLog.h"

#include <QDBusVariant>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <functional>

using Names = VanteloDefinitions;

namespace {
const QString systemModule = Names::getModuleName();
const QString panelModule = QStringLiteral("Panel");
const QString absentModule = QStringLiteral("Absent");
const QString deviceObject = QStringLiteral("DeviceInfo");
const QString maintenanceObject = QStringLiteral("Maintenance");
const QString busControlObject = QStringLiteral("BusControlInfo");
const QString mediaObject = QStringLiteral("ExternalMedia");

QString pathOf(const QString& object)
{
    return Names::objectPathOfObject(object);
}

// All eight, on services that the simulator owns.
struct Connectors
{
    QSharedPointer<VanteloDBusConnector> registry = VanteloDBusConnector::createAndConnect();
    QSharedPointer<DBusDeviceInfoConnector> device =
        DBusDeviceInfoConnector::createAndConnect(systemModule, deviceObject);
    QSharedPointer<DBusProcessDescriptionConnector> process =
        DBusProcessDescriptionConnector::createAndConnect(systemModule, Names::getObjectNameProcessData());
    QSharedPointer<MaintenanceDBusConnector> maintenance =
        MaintenanceDBusConnector::createAndConnect(systemModule, maintenanceObject);
    QSharedPointer<BusControlInfoDBusConnector> busControl =
        BusControlInfoDBusConnector::createAndConnect(systemModule, busControlObject);
    QSharedPointer<ExternalMediaManagerDBusConnector> media =
        ExternalMediaManagerDBusConnector::createAndConnect(systemModule, mediaObject);
    QSharedPointer<ExternalMediaManagerDBusMountServiceConnector> mount =
        ExternalMediaManagerDBusMountServiceConnector::createAndConnect();
    QSharedPointer<DisplayDBusConnector> display = DisplayDBusConnector::createAndConnect(panelModule);
};

// Whether an operation reached the simulator and came back without error.
struct Outcome
{
    Outcome(const DBusReply& reply)
        : answered(!reply.isError())
    {
    }
    Outcome(const DBusPendingReply::SharedPointer& pending)
        : answered(pending && !pending->getReply().isError())
    {
    }
    bool answered;
};

// The job data travel as a variant; compare what they hold.
QVariantList unwrapped(QVariantList values)
{
    for (QVariant& value : values) {
        if (value.userType() == qMetaTypeId<QDBusVariant>())
            value = qvariant_cast<QDBusVariant>(value).variant();
    }
    return values;
}

// Takes the job data on its own thread, then ends that thread.
class JobDataReceiver : public QObject
{
    Q_OBJECT
public:
    QVariantList taken;
    QThread* takenOn = nullptr;

public Q_SLOTS:
    void take(const QString& moduleName, const QDBusVariant& jobData)
    {
        taken = {moduleName, jobData.variant()};
        takenOn = QThread::currentThread();
        takenOn->quit();
    }
};
} // namespace

class SystemConnectorsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void operationsSendTheirCall();
    void remoteSignalsAreRelayed();
    void unusableInterfaceSendsNothing();
    void jobDataQueueToAnotherThread();
    void metaObjectsDescribeTheClasses();

private:
    SimulatorControl m_simulator;
};

void SystemConnectorsTest::initTestCase()
{
    SimulatorControl::requirePrivateBusWithSimulator();
    QVERIFY(m_simulator.ownName(Names::serviceNameOfModule(systemModule)));
    QVERIFY(m_simulator.ownName(Names::serviceNameOfModule(panelModule)));
}

void SystemConnectorsTest::init()
{
    m_simulator.reset();
}

void SystemConnectorsTest::operationsSendTheirCall()
{
    const Connectors c;
    struct Endpoint
    {
        QString path;
        QString interface;
    };
    const Endpoint registry{pathOf(Names::getObjectNameInformation()), Names::getInterfaceNameVantelo()};
    const Endpoint device{pathOf(deviceObject), Names::getInterfaceNameDeviceInfo()};
    const Endpoint process{pathOf(Names::getObjectNameProcessData()), Names::getInterfaceNameProcessDescription()};
    const Endpoint maintenance{pathOf(maintenanceObject), Names::getInterfaceNameMaintenance()};
    const Endpoint busControl{pathOf(busControlObject), Names::getInterfaceNameBusControlInfo()};
    const Endpoint media{pathOf(mediaObject), Names::getInterfaceNameExternalMedia()};
    const Endpoint mount{pathOf(Names::getObjectNameExternalMediaMountService()),
                         Names::getInterfaceNameExternalMediaMountService()};
    const Endpoint display{pathOf(Names::getObjectNameDisplay()), Names::getInterfaceNameDisplay()};

    using A = const QStringList&;
    struct Row
    {
        Endpoint endpoint;
        QString member;
        int arity;
        std::function<Outcome(A)> call;
    };
    // Twins share member and arguments, so each pair must send the same call.
    const QList<Row> rows = {
        {registry, "getRegisteredProvidersList", 2,
         [&](A a) { return c.registry->getRegisteredProvidersList(a[0], a[1]); }},
        {registry, "getRegisteredProvidersList", 2,
         [&](A a) { return c.registry->getRegisteredProvidersListSyncCall(a[0], a[1]); }},
        {registry, "getStructuredMenu", 2, [&](A a) { return c.registry->getStructuredMenu(a[0], a[1]); }},
        {registry, "getStructuredMenu", 2, [&](A a) { return c.registry->getStructuredMenuSyncCall(a[0], a[1]); }},
        {registry, "isProviderRegistered", 2, [&](A a) { return c.registry->isProviderRegistered(a[0], a[1]); }},
        {registry, "registerObject", 4, [&](A a) { return c.registry->registerObject(a[0], a[1], a[2], a[3]); }},
        {registry, "unregisterObject", 3, [&](A a) { return c.registry->unregisterObject(a[0], a[1], a[2]); }},
        {device, "getListOfInstances", 1, [&](A a) { return c.device->getListOfInstancesAsynchron(a[0]); }},
        {device, "getListOfInstances", 1, [&](A a) { return c.device->getListOfInstances(a[0]); }},
        {device, "getInformation", 2, [&](A a) { return c.device->getInformationAsynchron(a[0], a[1]); }},
        {device, "getInformation", 2, [&](A a) { return c.device->getInformation(a[0], a[1]); }},
        {device, "getListOfActions", 2, [&](A a) { return c.device->getListOfActionsAsynchron(a[0], a[1]); }},
        {device, "getListOfActions", 2, [&](A a) { return c.device->getListOfActions(a[0], a[1]); }},
        {device, "runAction", 4, [&](A a) { return c.device->runActionsAsynchron(a[0], a[1], a[2], a[3]); }},
        {device, "runAction", 4, [&](A a) { return c.device->runAction(a[0], a[1], a[2], a[3]); }},
        {process, "getProcessDataDescription", 2,
         [&](A a) { return c.process->getProcessDataDescriptionAsynchron(a[0], a[1]); }},
        {process, "getProcessDataDescription", 2,
         [&](A a) { return c.process->getProcessDataDescription(a[0], a[1]); }},
        {process, "getListOfInstances", 2, [&](A a) { return c.process->getListOfInstancesAsynchron(a[0], a[1]); }},
        {process, "getListOfInstances", 2, [&](A a) { return c.process->getListOfInstances(a[0], a[1]); }},
        {maintenance, "getListOfInstances", 1, [&](A a) { return c.maintenance->getListOfInstancesAsynchron(a[0]); }},
        {busControl, "getInformation", 1, [&](A a) { return c.busControl->getInformationAsynchron(a[0]); }},
        {busControl, "getListOfActions", 1, [&](A a) { return c.busControl->getListOfActionsAsynchron(a[0]); }},
        {busControl, "runAction", 3, [&](A a) { return c.busControl->runActionsAsynchron(a[0], a[1], a[2]); }},
        {media, "getAvailableFunctions", 1, [&](A a) { return c.media->getAvailableFunctions(a[0]); }},
        {mount, "getProviderDataAsJson", 1, [&](A a) { return c.mount->getProviderDataAsJson(a[0]); }},
        {display, "getScreenshot", 0, [&](A) { return c.display->getScreenshot(); }},
        {display, "toggleDisplayState", 0, [&](A) { return c.display->toggleDisplayState(); }},
    };

    // Never answered: an operation that waited for these would fail.
    for (const char* member : {"registerObject", "unregisterObject", "toggleDisplayState"})
        m_simulator.setNoReply(QString::fromLatin1(member));

    for (const Row& row : rows) {
        QStringList arguments;
        for (int i = 0; i < row.arity; ++i)
            arguments << row.member + QLatin1Char('#') + QString::number(i);
        m_simulator.clearCalls();
        QVERIFY2(row.call(arguments).answered, qPrintable(row.member));

        // The simulator's orders share the connectors' connection: a call
        // sent without waiting has been recorded by the time calls() answers.
        const QList<RecordedCall> calls = m_simulator.calls();
        QCOMPARE(calls.size(), 1);
        const RecordedCall& call = calls.first();
        QCOMPARE(call.member, row.member);
        QCOMPARE(call.path, row.endpoint.path);
        QCOMPARE(call.interface, row.endpoint.interface);
        QCOMPARE(call.signature, QString(row.arity, QLatin1Char('s')));
        QStringList sent;
        for (const QVariant& argument : call.arguments)
            sent << argument.toString();
        QCOMPARE(sent, arguments);
    }
}

void SystemConnectorsTest::remoteSignalsAreRelayed()
{
    const Connectors c;
    DBusConnectorBase* const busControl = c.busControl.data();
    DBusConnectorBase* const process = c.process.data();
    DBusConnectorBase* const media = c.media.data();
    DBusConnectorBase* const mount = c.mount.data();

    struct Row
    {
        DBusConnectorBase* connector;
        const char* signal;
        QString name;
        QVariantList arguments;
        QVariantList wrongArguments;
    };
    const QList<Row> rows = {
        {busControl, "2busControlInfoMasterChanged()", "busControlInfoMasterChanged", {}, {}},
        {busControl, "2busControlInfoSlaveChanged(int)", "busControlInfoSlaveChanged", {3}, {"3"}},
        {process, "2processDataDescriptionChanged(QString)", "processDataDescriptionChanged", {"pd1"}, {1}},
        {process, "2propertyChanged(QString)", "propertyChanged", {"pd2"}, {true}},
        {media, "2determineAvailableFunctionsFinished(QString,QDBusVariant)", "determineAvailableFunctionsFinished",
         {"usb", QVariant::fromValue(QDBusVariant(17))}, {"usb"}},
        {mount, "2externalMediaMounted(QString)", "externalMediaMounted", {"/media/usb0"}, {5}},
        {mount, "2externalMediaUnmounted()", "externalMediaUnmounted", {}, {}},
    };
    QList<QSharedPointer<QSignalSpy>> spies;
    QList<int> expected;
    for (const Row& row : rows) {
        spies << QSharedPointer<QSignalSpy>::create(row.connector, row.signal);
        QVERIFY(spies.last()->isValid());
        expected << 0;
    }
    const QString otherInterface = QStringLiteral("com.vantelo.Elsewhere");
    // All emissions come from the simulator and arrive in the order sent: once
    // the last row's signal is in, nothing sent before it is still on its way.
    auto settle = [&] {
        m_simulator.emitSignal(rows.last().connector->getDBusPath(), otherInterface, rows.last().name);
        ++expected.last();
        while (spies.last()->count() < expected.last() && spies.last()->wait(10000)) {
        }
        QList<int> counts;
        for (const auto& spy : spies)
            counts << spy->count();
        return counts;
    };

    // Under the connector's own interface or any other one of the object.
    for (bool ownInterface : {true, false}) {
        for (int i = 0; i < rows.size(); ++i) {
            const Row& row = rows.at(i);
            const QString interface = ownInterface ? row.connector->getInterfaceName() : otherInterface;
            m_simulator.emitSignal(row.connector->getDBusPath(), interface, row.name, row.arguments);
            ++expected[i];
            QTRY_VERIFY2_WITH_TIMEOUT(spies.at(i)->count() == expected.at(i), row.signal + 1, 10000);
            QCOMPARE(unwrapped(spies.at(i)->last()), unwrapped(row.arguments));
        }
    }
    QCOMPARE(settle(), expected);

    // Another object of the same service, or arguments of other types: dropped.
    for (const Row& row : rows) {
        m_simulator.emitSignal(pathOf(QStringLiteral("Elsewhere")), otherInterface, row.name, row.arguments);
        if (!row.wrongArguments.isEmpty())
            m_simulator.emitSignal(row.connector->getDBusPath(), otherInterface, row.name, row.wrongArguments);
    }
    QCOMPARE(settle(), expected);

    // Disconnected, nothing comes through; connected again, everything does.
    for (const char* hook : {"disconnectServices", "connectServices"}) {
        for (QObject* connector : {busControl, process, media, mount})
            QVERIFY(QMetaObject::invokeMethod(connector, hook));
        for (const Row& row : rows)
            m_simulator.emitSignal(row.connector->getDBusPath(), otherInterface, row.name, row.arguments);
    }
    for (int& count : expected)
        ++count;
    QCOMPARE(settle(), expected);
}

void SystemConnectorsTest::unusableInterfaceSendsNothing()
{
    const auto display = DisplayDBusConnector::createAndConnect(absentModule);
    const auto device = DBusDeviceInfoConnector::createAndConnect(absentModule, deviceObject);
    const auto process = DBusProcessDescriptionConnector::createAndConnect(absentModule, deviceObject);
    const auto maintenance = MaintenanceDBusConnector::createAndConnect(absentModule, maintenanceObject);
    const auto media = ExternalMediaManagerDBusConnector::createAndConnect(absentModule, mediaObject);
    const QString x = QStringLiteral("x");
    auto quoted = [](const DBusConnectorBase& connector) {
        return QLatin1Char('"') + connector.getInvalidDBusInterfaceMessage() + QLatin1Char('"');
    };

    // Blocking and sent-without-waiting: an error reply, written twice.
    const QList<QPair<const DBusConnectorBase*, std::function<DBusReply()>>> replying = {
        {display.data(), [&] { return display->getScreenshot(); }},
        {display.data(), [&] { return display->toggleDisplayState(); }},
        {device.data(), [&] { return device->runAction(x, x, x, x); }},
        {process.data(), [&] { return process->getListOfInstances(x, x); }},
        {media.data(), [&] { return media->getAvailableFunctions(x); }},
    };
    for (const auto& row : replying) {
        WarningLog log;
        const DBusReply reply = row.second();
        QCOMPARE(reply.getError().getErrorCode(), ErrorContainer::getDefaultErrorCode());
        QCOMPARE(reply.getError().getErrorMessage(), row.first->getInvalidDBusInterfaceMessage());
        QCOMPARE(log.messages(), (QStringList{quoted(*row.first), quoted(*row.first)}));
    }

    // Asynchronous: no pending reply, written once.
    const QList<QPair<const DBusConnectorBase*, std::function<DBusPendingReply::SharedPointer()>>> pending = {
        {maintenance.data(), [&] { return maintenance->getListOfInstancesAsynchron(x); }},
        {device.data(), [&] { return device->runActionsAsynchron(x, x, x, x); }},
        {process.data(), [&] { return process->getProcessDataDescriptionAsynchron(x, x); }},
    };
    for (const auto& row : pending) {
        WarningLog log;
        QVERIFY(row.second().isNull());
        QCOMPARE(log.messages(), QStringList{quoted(*row.first)});
    }

    // The device information says whether it can be used, without asking the service.
    const auto present = DBusDeviceInfoConnector::createAndConnect(systemModule, deviceObject);
    QVERIFY(!*device);
    QVERIFY(*present);
    QVERIFY(m_simulator.calls().isEmpty());
}

void SystemConnectorsTest::jobDataQueueToAnotherThread()
{
    const auto media = ExternalMediaManagerDBusConnector::createAndConnect(systemModule, mediaObject);
    QThread worker;
    JobDataReceiver receiver;
    receiver.moveToThread(&worker);
    // Through the meta-object, as an old-style connection finds the argument types.
    QVERIFY(connect(media.data(), SIGNAL(determineAvailableFunctionsFinished(QString,QDBusVariant)), &receiver,
                    SLOT(take(QString,QDBusVariant))));
    worker.start();
    const auto stopWorker = qScopeGuard([&] {
        worker.quit();
        worker.wait();
    });

    WarningLog log;
    m_simulator.emitSignal(pathOf(mediaObject), Names::getInterfaceNameExternalMedia(),
                           QStringLiteral("determineAvailableFunctionsFinished"),
                           {QStringLiteral("usb"), QVariant::fromValue(QDBusVariant(42))});
    // The relay needs this thread's event loop; the receiver ends its thread.
    QTRY_VERIFY_WITH_TIMEOUT(worker.isFinished(), 10000);
    QCOMPARE(receiver.takenOn, &worker);
    QCOMPARE(receiver.taken, (QVariantList{QStringLiteral("usb"), 42}));
    QVERIFY2(log.records().isEmpty(), qPrintable(log.messages().join(QLatin1Char('\n'))));
}

void SystemConnectorsTest::metaObjectsDescribeTheClasses()
{
    const Connectors c;
    QCOMPARE(c.registry->metaObject(), &DBusConnectorBase::staticMetaObject);
    QCOMPARE(c.registry->getConnectionMode(), DBusConnectorBase::FollowService);

    // Class name, then its own methods in order: signals first, then the two hooks.
    const QString hooks = QStringLiteral(" connectServices() disconnectServices()");
    const QList<QPair<const DBusConnectorBase*, QString>> rows = {
        {c.device.data(), "DBusDeviceInfoConnector:"},
        {c.process.data(),
         "DBusProcessDescriptionConnector: processDataDescriptionChanged(QString) propertyChanged(QString)" + hooks},
        {c.maintenance.data(), "MaintenanceDBusConnector:"},
        {c.busControl.data(),
         "BusControlInfoDBusConnector: busControlInfoMasterChanged() busControlInfoSlaveChanged(int)" + hooks},
        {c.media.data(),
         "ExternalMediaManagerDBusConnector: determineAvailableFunctionsFinished(QString,QDBusVariant)" + hooks},
        {c.mount.data(), "ExternalMediaManagerDBusMountServiceConnector: externalMediaMounted(QString)"
                         " externalMediaUnmounted()" + hooks},
        {c.display.data(), "DisplayDBusConnector:"},
    };
    for (const auto& row : rows) {
        const QMetaObject* meta = row.first->metaObject();
        QStringList description{QString::fromLatin1(meta->className()) + QLatin1Char(':')};
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
            description << QString::fromLatin1(meta->method(i).methodSignature());
        QCOMPARE(description.join(QLatin1Char(' ')), row.second);
        QCOMPARE(row.first->getConnectionMode(), DBusConnectorBase::FollowService);
    }
}

QTEST_GUILESS_MAIN(SystemConnectorsTest)
#include "tst_systemconnectors.moc"
