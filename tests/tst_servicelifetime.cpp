#include "DBusConnection.h"
#include "DBusConnectorBase.h"
#include "SimulatorControl.h"

#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QString relayInterface = QStringLiteral("com.vantelo.Relay");
const QString relayObject = QStringLiteral("Relay");
const QString relayPath = QStringLiteral("/com/vantelo/Relay");

// A connector with two relayed signals that counts how often the base runs its hooks.
class RelayProbe : public DBusConnectorBase
{
    Q_OBJECT
public:
    RelayProbe(const QString& module, ConnectionMode mode)
        : DBusConnectorBase(module, relayObject, relayInterface, nullptr, mode)
    {
    }

    using DBusConnectorBase::asyncCallHelper;
    using DBusConnectorBase::syncCallHelper;

    void relayOff() { disconnectServices(); }
    void relayOn() { connectServices(); }

Q_SIGNALS:
    void changed(const QString& name);
    void counted(int count);
    void hooksRan(bool connected);

protected Q_SLOTS:
    void connectServices() override
    {
        DBusConnection::getQDBusConnection().connect(getServiceName(), getDBusPath(), QString(),
                                                     QStringLiteral("changed"), this, "2changed(QString)");
        DBusConnection::getQDBusConnection().connect(getServiceName(), getDBusPath(), QString(),
                                                     QStringLiteral("counted"), this, "2counted(int)");
        Q_EMIT hooksRan(true);
    }

    void disconnectServices() override
    {
        DBusConnection::getQDBusConnection().disconnect(getServiceName(), getDBusPath(), QString(),
                                                        QStringLiteral("changed"), this, "2changed(QString)");
        DBusConnection::getQDBusConnection().disconnect(getServiceName(), getDBusPath(), QString(),
                                                        QStringLiteral("counted"), this, "2counted(int)");
        Q_EMIT hooksRan(false);
    }
};

QSharedPointer<RelayProbe> makeRelay(const QString& module, DBusConnectorBase::ConnectionMode mode)
{
    QSharedPointer<RelayProbe> relay(new RelayProbe(module, mode));
    relay->initObject();
    return relay;
}
} // namespace

class ServiceLifetimeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void relaysOnlyItsObjectsSignals();
    void relayCanBeDisconnectedAndRestored();
    void followedServiceSurvivesARestart();
    void startOnDemandServiceNeedNotRun();

private:
    SimulatorControl m_simulator;
};

void ServiceLifetimeTest::initTestCase()
{
    SimulatorControl::requirePrivateBusWithSimulator();
}

void ServiceLifetimeTest::init()
{
    m_simulator.reset();
}

void ServiceLifetimeTest::relaysOnlyItsObjectsSignals()
{
    QVERIFY(m_simulator.ownName(QStringLiteral("com.vantelo.RelayA")));
    const auto relay = makeRelay(QStringLiteral("RelayA"), DBusConnectorBase::FollowService);
    QSignalSpy changed(relay.data(), &RelayProbe::changed);
    QSignalSpy counted(relay.data(), &RelayProbe::counted);

    // Any interface of the object will do.
    m_simulator.emitSignal(relayPath, relayInterface, QStringLiteral("counted"), {3});
    QVERIFY(counted.wait(10000));
    QCOMPARE(counted.takeFirst().at(0).toInt(), 3);
    m_simulator.emitSignal(relayPath, QStringLiteral("com.vantelo.Other"), QStringLiteral("changed"),
                           {QStringLiteral("n1")});
    QVERIFY(changed.wait(10000));
    QCOMPARE(changed.takeFirst().at(0).toString(), QStringLiteral("n1"));

    // Another path, the wrong argument types: not relayed. The marker that
    // follows on the same connection proves they would have arrived by then.
    m_simulator.emitSignal(QStringLiteral("/com/vantelo/Elsewhere"), relayInterface, QStringLiteral("counted"), {4});
    m_simulator.emitSignal(relayPath, relayInterface, QStringLiteral("counted"), {QStringLiteral("four")});
    m_simulator.emitSignal(relayPath, relayInterface, QStringLiteral("changed"), {QStringLiteral("marker")});
    QVERIFY(changed.wait(10000));
    QCOMPARE(counted.count(), 0);

    // Another service: a second connection of its own, flushed by a round trip
    // before the marker is sent.
    QDBusConnection stranger = QDBusConnection::connectToBus(DBusConnection::busAddress(), QStringLiteral("stranger"));
    QVERIFY(stranger.isConnected());
    stranger.send(QDBusMessage::createSignal(relayPath, relayInterface, QStringLiteral("counted")) << 5);
    QVERIFY(stranger.interface()->isServiceRegistered(QStringLiteral("com.vantelo.Simulator")));
    changed.clear();
    m_simulator.emitSignal(relayPath, relayInterface, QStringLiteral("changed"), {QStringLiteral("marker")});
    QVERIFY(changed.wait(10000));
    QCOMPARE(counted.count(), 0);
    QDBusConnection::disconnectFromBus(QStringLiteral("stranger"));
}

void ServiceLifetimeTest::relayCanBeDisconnectedAndRestored()
{
    QVERIFY(m_simulator.ownName(QStringLiteral("com.vantelo.RelayB")));
    const auto relay = makeRelay(QStringLiteral("RelayB"), DBusConnectorBase::FollowService);
    QSignalSpy changed(relay.data(), &RelayProbe::changed);

    relay->relayOff();
    relay->relayOff(); // twice is harmless
    m_simulator.emitSignal(relayPath, relayInterface, QStringLiteral("changed"), {QStringLiteral("lost")});
    relay->relayOn();
    m_simulator.emitSignal(relayPath, relayInterface, QStringLiteral("changed"), {QStringLiteral("back")});
    QVERIFY(changed.wait(10000));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("back"));
}

void ServiceLifetimeTest::followedServiceSurvivesARestart()
{
    const QString service = QStringLiteral("com.vantelo.RelayC");
    QVERIFY(m_simulator.ownName(service));
    const auto relay = makeRelay(QStringLiteral("RelayC"), DBusConnectorBase::FollowService);
    QSignalSpy hooks(relay.data(), &RelayProbe::hooksRan);
    QSignalSpy changed(relay.data(), &RelayProbe::changed);
    QVERIFY(relay->isDBusInterfaceValid());

    QVERIFY(m_simulator.releaseName(service));
    QVERIFY(hooks.wait(10000));
    QCOMPARE(hooks.takeFirst().at(0).toBool(), false);
    QVERIFY(!relay->isDBusInterfaceValid());
    QVERIFY(relay->getInvalidDBusInterfaceMessage().endsWith(QStringLiteral("the service is not running")));
    m_simulator.clearCalls();
    QVERIFY(relay->syncCallHelper(QStringLiteral("get")).isError());
    QVERIFY(relay->asyncCallHelper(QStringLiteral("get")).isNull());
    QVERIFY(m_simulator.calls().isEmpty());

    QVERIFY(m_simulator.ownName(service));
    QVERIFY(hooks.wait(10000));
    QCOMPARE(hooks.takeFirst().at(0).toBool(), true);
    QVERIFY(!relay->syncCallHelper(QStringLiteral("get")).isError());
    m_simulator.emitSignal(relayPath, relayInterface, QStringLiteral("changed"), {QStringLiteral("again")});
    QVERIFY(changed.wait(10000));
    QCOMPARE(changed.count(), 1);
}

void ServiceLifetimeTest::startOnDemandServiceNeedNotRun()
{
    const QString service = QStringLiteral("com.vantelo.RelayD");
    const auto relay = makeRelay(QStringLiteral("RelayD"), DBusConnectorBase::StartOnDemand);
    QSignalSpy hooks(relay.data(), &RelayProbe::hooksRan);
    QSignalSpy changed(relay.data(), &RelayProbe::changed);

    // Not running and not startable: the call is sent, and the bus says why it failed.
    QVERIFY(relay->isDBusInterfaceValid());
    const DBusReply reply = relay->syncCallHelper(QStringLiteral("get"));
    QVERIFY(reply.getError().getErrorMessage().startsWith(QStringLiteral("D-Bus call to method get failed: ")));
    QVERIFY2(reply.getError().getErrorMessage().contains(service), qPrintable(reply.getError().getErrorMessage()));
    const DBusPendingReply::SharedPointer pending = relay->asyncCallHelper(QStringLiteral("get"));
    QVERIFY(!pending.isNull());
    QVERIFY(pending->getReply().isError());

    // The relay was connected at once and stays so while the service comes and goes.
    QVERIFY(m_simulator.ownName(service));
    m_simulator.emitSignal(relayPath, relayInterface, QStringLiteral("changed"), {QStringLiteral("started")});
    QVERIFY(changed.wait(10000));
    QVERIFY(m_simulator.releaseName(service));
    QVERIFY(m_simulator.ownName(service));
    m_simulator.emitSignal(relayPath, relayInterface, QStringLiteral("changed"), {QStringLiteral("restarted")});
    QVERIFY(changed.wait(10000));
    QCOMPARE(hooks.count(), 0);
    QVERIFY(!relay->syncCallHelper(QStringLiteral("get")).isError());
}

QTEST_GUILESS_MAIN(ServiceLifetimeTest)
#include "tst_servicelifetime.moc"
