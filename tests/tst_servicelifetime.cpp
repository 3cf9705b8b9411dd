#include "ConnectorExpectations.h"
#include "DBusConnection.h"
#include "DBusConnectorBase.h"
#include "ExternalMediaManagerDBusConnector.h"
#include "SimulatedDevice.h"
#include "VanteloDefinitions.h"
#include "WarningLog.h"

#include <QDBusConnectionInterface>
#include <QDBusVariant>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace {
const QString otherInterface = QStringLiteral("com.vantelo.Other");
const QString markerPath = QStringLiteral("/com/vantelo/Marker");
const QString markerInterface = QStringLiteral("com.vantelo.Marker");
const QString strangerName = QStringLiteral("stranger");
const int waitMs = 5000;

// Counts how often the base runs its hooks, readable from any thread.
class HookCounter : public DBusConnectorBase
{
public:
    explicit HookCounter(ConnectionMode mode)
        : DBusConnectorBase(QStringLiteral("Hooks"), QStringLiteral("Probe"), QStringLiteral("com.vantelo.Probe"),
                            nullptr, mode)
    {
        initObject();
    }

    QString counts() const
    {
        return QStringLiteral("%1 connected, %2 disconnected").arg(m_connects).arg(m_disconnects);
    }

protected:
    void connectServices() override { ++m_connects; }
    void disconnectServices() override { ++m_disconnects; }

private:
    std::atomic<int> m_connects{0};
    std::atomic<int> m_disconnects{0};
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

class ServiceLifetimeTest : public QObject

{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void connectorsRelayOnlyWhileConnected();
    void hooksRunAsTheServiceComesAndGoes_data();
    void hooksRunAsTheServiceComesAndGoes();
    void jobDataQueueToAnotherThread();

public Q_SLOTS:
    void markerArrived() { ++m_markers; }

private:
    bool settled();
    QString restartService(DBusConnectorBase& connector, const ConnectorExpectation& row);

    SimulatedDevice m_device;
    int m_markers = 0;
};

void ServiceLifetimeTest::initTestCase()
{
    QVERIFY2(m_device.attach(), qPrintable(m_device.errorString()));
    for (const QString& service : expectedServices())
        QVERIFY2(m_device.startService(service), qPrintable(m_device.errorString()));
    QVERIFY(DBusConnection::getQDBusConnection().connect(QString(), markerPath, markerInterface,
                                                         QStringLiteral("marker"), this, SLOT(markerArrived())));
}

void ServiceLifetimeTest::init()
{
    QVERIFY2(m_device.reset(), qPrintable(m_device.errorString()));
}

void ServiceLifetimeTest::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(strangerName);
}

// The simulator's signals reach this process in the order it sends them: once
// a marker sent after them is here, so is every one of them that was relayed.
bool ServiceLifetimeTest::settled()
{
    const int before = m_markers;
    if (!m_device.emitSignal(markerPath, markerInterface, QStringLiteral("marker")))
        return false;
    return QTest::qWaitFor([&] { return m_markers > before; }, waitMs);
}

void ServiceLifetimeTest::connectorsRelayOnlyWhileConnected()
{
    QDBusConnection stranger = QDBusConnection::connectToBus(DBusConnection::busAddress(), strangerName);
    QVERIFY(stranger.isConnected());

    for (const ConnectorExpectation& row : connectorExpectations()) {
        if (row.relayedSignals.isEmpty())
            continue;
        const QSharedPointer<DBusConnectorBase> connector = row.create();
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (const SignalExpectation& signal : row.relayedSignals) {
            spies.emplace_back(new QSignalSpy(connector.data(), signal.qtSignal.constData()));
            QVERIFY2(spies.back()->isValid(), signal.qtSignal.constData());
        }
        // Each signal arrived as often as given, with the arguments of the
        // round; says what went wrong otherwise.
        const auto arrived = [&](int times, int round, const char* when) {
            for (size_t i = 0; i < spies.size(); ++i) {
                const SignalExpectation& signal = row.relayedSignals.at(int(i));
                const QString where = QStringLiteral("%1 %2 %3: ").arg(row.className, signal.name, QLatin1String(when));
                QSignalSpy& spy = *spies.at(i);
                if (spy.count() != times)
                    return where + QStringLiteral("arrived %1 times").arg(spy.count());
                const QVariantList sent = remoteValues(signal.name, signal.signature, round);
                for (int n = 0; n < times; ++n) {
                    for (int a = 0; a < sent.size(); ++a) {
                        if (comparable(spy.at(n).value(a)) != comparable(sent.at(a)))
                            return where + QStringLiteral("argument %1 differs").arg(a);
                    }
                }
                spy.clear();
            }
            return QString();
        };
        const auto invoked = [&connector](const char* slot) {
            return QMetaObject::invokeMethod(connector.data(), slot) ? QString() : QLatin1String(slot);
        };
        struct Phase
        {
            const char* name;
            std::function<QString()> enter; // says what went wrong, if anything
            QString interface; // the remote object emits under this name
            int round;
            int times; // how often each signal must arrive
        };
        const QList<Phase> phases = {
            // Its object's signals, under any interface name; not another
            // object's, nor another sender's on the same path.
            {"while connected",
             [&] {
                 for (const SignalExpectation& signal : row.relayedSignals) {
                     const QVariantList arguments = remoteValues(signal.name, signal.signature, 0);
                     if (!m_device.emitSignal(QStringLiteral("/com/vantelo/Elsewhere"), row.interface, signal.name,
                                              arguments))
                         return m_device.errorString();
                     QDBusMessage forged = QDBusMessage::createSignal(row.path, row.interface, signal.name);
                     forged.setArguments(arguments);
                     stranger.send(forged);
                 }
                 // A round trip on the stranger's connection: its signals have reached the bus.
                 return stranger.interface()->isServiceRegistered(row.service).value() ? QString()
                                                                                       : QStringLiteral("stranger");
             },
             otherInterface, 0, 1},
            {"after disconnectServices()", [&] { return invoked("disconnectServices"); }, row.interface, 0, 0},
            {"after connectServices()", [&] { return invoked("connectServices"); }, row.interface, 1, 1},
            {"after a restart of the service", [&] { return restartService(*connector, row); }, row.interface, 0, 1},
        };
        for (const Phase& phase : phases) {
            const QString failure = phase.enter();
            QVERIFY2(failure.isEmpty(), qPrintable(row.className + QLatin1Char(' ') + failure));
            for (const SignalExpectation& signal : row.relayedSignals) {
                QVERIFY2(m_device.emitSignal(row.path, phase.interface, signal.name,
                                             remoteValues(signal.name, signal.signature, phase.round)),
                         qPrintable(m_device.errorString()));
            }
            QVERIFY(settled());
            const QString missed = arrived(phase.times, phase.round, phase.name);
            QVERIFY2(missed.isEmpty(), qPrintable(missed));
        }
    }
}

// Plays a restart of the connector's service. While it is gone, a followed
// service's connector sends nothing; once it sees it back, it calls and relays
// again. A service started on demand never stopped relaying.
QString ServiceLifetimeTest::restartService(DBusConnectorBase& connector, const ConnectorExpectation& row)
{
    const bool followed = row.mode == DBusConnectorBase::FollowService;
    const OperationExpectation& operation = row.operations.first();
    const auto callsSent = [&] {
        if (!m_device.clearCalls())
            return -1;
        const WarningLog failures;
        operation.call(connector, argumentValues(operation.name, operation.signature, 0));
        const int sent = m_device.calls().size();
        return m_device.errorString().isEmpty() ? sent : -1;
    };
    if (!m_device.stopService(row.service) || !settled())
        return QStringLiteral("the service did not go");
    const bool seenGone = connector.isDBusInterfaceValid() != followed;
    const int sentWhileGone = callsSent();
    if (!m_device.startService(row.service))
        return QStringLiteral("the service did not come back");
    if (!seenGone || sentWhileGone != 0)
        return QStringLiteral("did not see its service go, or sent %1 calls to it").arg(sentWhileGone);
    if (followed && !QTest::qWaitFor([&connector] { return connector.isDBusInterfaceValid(); }, waitMs))
        return QStringLiteral("did not see its service back");
    if (callsSent() != 1)
        return QStringLiteral("sent no call once its service was back");
    return QString();
}

void ServiceLifetimeTest::hooksRunAsTheServiceComesAndGoes_data()
{
    // The hooks' counts once made, after the service went, came back, and restarted.
    QTest::addColumn<DBusConnectorBase::ConnectionMode>("mode");
    QTest::addColumn<QStringList>("counts");
    const QString once = QStringLiteral("1 connected, 0 disconnected");
    QTest::newRow("following the service")
        << DBusConnectorBase::FollowService
        << QStringList{once, QStringLiteral("1 connected, 1 disconnected"),
                       QStringLiteral("2 connected, 1 disconnected"), QStringLiteral("3 connected, 2 disconnected")};
    QTest::newRow("started on demand") << DBusConnectorBase::StartOnDemand << QStringList{once, once, once, once};
}

// One connector in this thread, and one in a thread that is busy while the
// service changes, so that it learns only the outcome: it must act alike.
void ServiceLifetimeTest::hooksRunAsTheServiceComesAndGoes()
{
    QFETCH(DBusConnectorBase::ConnectionMode, mode);
    QFETCH(QStringList, counts);
    const QString service = QStringLiteral("com.vantelo.Hooks");
    QVERIFY2(m_device.startService(service), qPrintable(m_device.errorString()));
    QThread worker;
    QObject inWorker;
    inWorker.moveToThread(&worker);
    worker.start();
    QSharedPointer<HookCounter> there;
    QMetaObject::invokeMethod(
        &inWorker, [&] { there.reset(new HookCounter(mode)); }, Qt::BlockingQueuedConnection);
    QSemaphore entered;
    QSemaphore busy;
    const auto stop = qScopeGuard([&] {
        busy.release(); // in case a failure left the worker busy
        QMetaObject::invokeMethod(
            &inWorker, [&] { there.reset(); }, Qt::BlockingQueuedConnection);
        worker.quit();
        worker.wait();
    });
    const HookCounter here(mode);

    const QList<std::function<void()>> changes = {
        [] {},
        [&] { QVERIFY2(m_device.stopService(service), qPrintable(m_device.errorString())); },
        [&] { QVERIFY2(m_device.startService(service), qPrintable(m_device.errorString())); },
        [&] {
            QVERIFY2(m_device.stopService(service), qPrintable(m_device.errorString()));
            QVERIFY2(m_device.startService(service), qPrintable(m_device.errorString()));
        },
    };
    for (int step = 0; step < changes.size(); ++step) {
        QMetaObject::invokeMethod(&inWorker, [&] {
            entered.release();
            busy.acquire();
        });
        entered.acquire();
        changes.at(step)();
        QTRY_COMPARE_WITH_TIMEOUT(here.counts(), counts.at(step), waitMs);
        busy.release();
        QTRY_COMPARE_WITH_TIMEOUT(there->counts(), counts.at(step), waitMs);
    }
}

void ServiceLifetimeTest::jobDataQueueToAnotherThread()
{
    const QString mediaObject = QStringLiteral("ExternalMedia");
    const auto media =
        ExternalMediaManagerDBusConnector::createAndConnect(VanteloDefinitions::getModuleName(), mediaObject);
    QThread worker;
    JobDataReceiver receiver;
    receiver.moveToThread(&worker);
    // Through the meta-object, as an old-style connection finds the argument types.
    QVERIFY(connect(media.data(), SIGNAL(determineAvailableFunctionsFinished(QString, QDBusVariant)), &receiver,
                    SLOT(take(QString, QDBusVariant))));
    worker.start();
    const auto stopWorker = qScopeGuard([&] {
        worker.quit();
        worker.wait();
    });

    WarningLog log;
    QVERIFY2(m_device.emitSignal(VanteloDefinitions::objectPathOfObject(mediaObject),
                                 VanteloDefinitions::getInterfaceNameExternalMedia(),
                                 QStringLiteral("determineAvailableFunctionsFinished"),
                                 {QStringLiteral("usb"), QVariant::fromValue(QDBusVariant(42))}),
             qPrintable(m_device.errorString()));
    // The relay needs this thread's event loop; the receiver ends its thread.
    QTRY_VERIFY_WITH_TIMEOUT(worker.isFinished(), waitMs);
    QCOMPARE(receiver.takenOn, &worker);
    QCOMPARE(receiver.taken, (QVariantList{QStringLiteral("usb"), 42}));
    QVERIFY2(log.records().isEmpty(), qPrintable(log.messages().join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(ServiceLifetimeTest)
#include "tst_servicelifetime.moc"
