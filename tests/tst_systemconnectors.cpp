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
