// The library's connectors, on the connection the library makes.

#include "Peer.h"
#include "QtWaiting.h"

#include "ConfigurationFileHandlerDBusConnector.h"
#include "DBusConnection.h"
#include "DBusDeviceInfoConnector.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace {
const QString peerName = QStringLiteral("connector");

class ConnectorPeer : public Peer
{
public:
    ConnectorPeer()
        : m_connection(DBusConnection::getQDBusConnection())
    {
        if (!m_connection.isConnected())
            fail(QStringLiteral("the library can't reach the bus at ") + DBusConnection::busAddress());
    }

    QString name() const override { return peerName; }
    QString uniqueName() const override { return m_connection.baseService(); }

    void call(const Request& request) override
    {
        const DBusReply reply = device().getListOfInstances(request.text);
        if (reply.isError())
            fail(peerName + QStringLiteral(": ") + reply.getError().getErrorMessage());
        checkSize(reply.getValue().toByteArray().size(), request, peerName);
    }

    void callAsync(int inFlight, const Request& request) override
    {
        std::vector<DBusPendingReply::SharedPointer> pending;
        pending.reserve(size_t(inFlight));
        m_arrivals.expect(inFlight);
        for (int i = 0; i < inFlight; ++i) {
            pending.push_back(device().getListOfInstancesAsynchron(request.text));
            if (!pending.back())
                fail(peerName + QStringLiteral(": the interface is not usable"));
            QObject::connect(pending.back().data(), &DBusPendingReply::finished, [this] { m_arrivals.arrived(); });
        }
        if (!m_arrivals.wait())
            fail(QStringLiteral("%1: %2 of %3 replies arrived").arg(peerName).arg(m_arrivals.seen()).arg(inFlight));
        for (const DBusPendingReply::SharedPointer& call : pending) {
            const DBusReply reply = call->getReply();
            if (reply.isError())
                fail(peerName + QStringLiteral(": ") + reply.getError().getErrorMessage());
            checkSize(reply.getValue().toByteArray().size(), request, peerName);
        }
    }

    void listen(const QString& object) override
    {
        m_relay = ConfigurationFileHandlerDBusConnector::createAndConnect(Bench::signalModule, object);
        QObject::connect(m_relay.data(), &ConfigurationFileHandlerDBusConnector::configurationChanged, &m_clock,
                         &SignalClock::configurationChanged);
    }

    void awaitSignals(int count, std::vector<double>* latencies) override { m_clock.await(count, latencies, peerName); }

    void make(const ClientRecipe& recipe) override
    {
        m_made.push_back(recipe.type->create(recipe.module, recipe.object));
        m_recipes.push_back(recipe);
    }

    void checkMade() override
    {
        for (size_t i = 0; i < m_made.size(); ++i) {
            if (!m_made[i]->isDBusInterfaceValid())
                fail(peerName + QStringLiteral(": ") + m_made[i]->getInvalidDBusInterfaceMessage());
            if (m_made[i]->getDBusPath() != m_recipes[i].path)
                fail(QStringLiteral("%1: %2 is at %3, not %4")
                         .arg(peerName, m_recipes[i].type->connectorName, m_made[i]->getDBusPath(), m_recipes[i].path));
        }
    }

    void releaseAll() override
    {
        m_made.clear();
        m_recipes.clear();
    }

    void sync() override
    {
        m_connection.call(QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
    }

private:
    // Made on first use, so that the wire count sees the first connector of the service.
    const DBusDeviceInfoConnector& device()
    {
        if (!m_device)
            m_device = DBusDeviceInfoConnector::createAndConnect(Bench::module, Bench::deviceObject);
        return *m_device;
    }

    QDBusConnection m_connection;
    QSharedPointer<DBusDeviceInfoConnector> m_device;
    QSharedPointer<ConfigurationFileHandlerDBusConnector> m_relay;
    SignalClock m_clock;
    Arrivals m_arrivals;
    std::vector<QSharedPointer<DBusConnectorBase>> m_made;
    std::vector<ClientRecipe> m_recipes;
};
} // namespace

std::unique_ptr<Peer> makeConnectorPeer()
{
    return std::make_unique<ConnectorPeer>();
}
