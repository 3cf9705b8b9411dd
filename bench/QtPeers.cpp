// Plain Qt D-Bus clients: QDBusInterface, and the proxies qdbusxml2cpp
// generates from the interface files. Each peer has a connection of its own.

#include "Peer.h"
#include "QtWaiting.h"

#include "UiStatusInformationItem.h"
#include "proxy_BusControlInfo.h"
#include "proxy_Configuration.h"
#include "proxy_ConfigurationData.h"
#include "proxy_ControllerData.h"
#include "proxy_DeviceInfo.h"
#include "proxy_Display.h"
#include "proxy_ExternalMedia.h"
#include "proxy_ExternalMediaMountService.h"
#include "proxy_Maintenance.h"
#include "proxy_ProcessDescription.h"
#include "proxy_SelectorData.h"
#include "proxy_UiStatusInformationData.h"
#include "proxy_Vantelo.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QHash>
#include <QMetaMethod>

#include <functional>

namespace {
// What both kinds of client share: the connection, the waiting, the checks
// and the made clients with their signals connected.
class QtPeer : public Peer
{
public:
    QtPeer(const QString& address, const QString& name)
        : m_name(name)
        , m_connection(QDBusConnection::connectToBus(address, QStringLiteral("bench-") + name))
    {
        if (!m_connection.isConnected())
            fail(name + QStringLiteral(": can't reach the bus: ") + m_connection.lastError().message());
        // As any client of the UI status interface must, to take its removal signal.
        qDBusRegisterMetaType<UiStatusInformationItem>();
    }

    QString name() const override { return m_name; }
    QString uniqueName() const override { return m_connection.baseService(); }

    void call(const Request& request) override
    {
        checkSize(envelopeValue(blockingCall(request), m_name).size(), request, m_name);
    }

    void callAsync(int inFlight, const Request& request) override
    {
        std::vector<QDBusPendingCall> pending;
        std::vector<std::unique_ptr<QDBusPendingCallWatcher>> watchers;
        pending.reserve(size_t(inFlight));
        watchers.reserve(size_t(inFlight));
        m_arrivals.expect(inFlight);
        for (int i = 0; i < inFlight; ++i) {
            pending.push_back(startCall(request));
            watchers.push_back(std::make_unique<QDBusPendingCallWatcher>(pending.back()));
            QObject::connect(watchers.back().get(), &QDBusPendingCallWatcher::finished,
                             [this] { m_arrivals.arrived(); });
        }
        if (!m_arrivals.wait())
            fail(QStringLiteral("%1: %2 of %3 replies arrived").arg(m_name).arg(m_arrivals.seen()).arg(inFlight));
        for (const QDBusPendingCall& call : pending) {
            const QDBusPendingReply<QDBusVariant> reply(call);
            if (reply.isError())
                fail(m_name + QStringLiteral(": ") + reply.error().message());
            checkSize(envelopeValue(reply.value().variant(), m_name).size(), request, m_name);
        }
    }

    void awaitSignals(int count, std::vector<double>* latencies) override { m_clock.await(count, latencies, m_name); }

    void make(const ClientRecipe& recipe) override
    {
        m_made.emplace_back(makeInterface(recipe.service, recipe.path, recipe.type->interface));
        QDBusAbstractInterface* client = m_made.back().get();
        // Every D-Bus signal of the interface, connected as a user of it would.
        const QMetaObject* meta = client->metaObject();
        int connected = 0;
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            if (meta->method(i).methodType() == QMetaMethod::Signal)
                connected += QObject::connect(client, meta->method(i), &m_clock, m_sink) ? 1 : 0;
        }
        m_recipes.push_back(recipe);
        m_connected.push_back(connected);
    }

    void checkMade() override
    {
        for (size_t i = 0; i < m_made.size(); ++i) {
            if (!m_made[i]->isValid())
                fail(m_name + QStringLiteral(": ") + m_made[i]->lastError().message());
            if (m_connected[i] != m_recipes[i].type->relayedSignals.size())
                fail(QStringLiteral("%1: %2 of the %3 signals of %4 connected")
                         .arg(m_name)
                         .arg(m_connected[i])
                         .arg(m_recipes[i].type->relayedSignals.size())
                         .arg(m_recipes[i].type->interface));
        }
    }

    void releaseAll() override
    {
        m_made.clear();
        m_recipes.clear();
        m_connected.clear();
    }

    void sync() override
    {
        m_connection.call(QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
    }

protected:
    virtual QDBusAbstractInterface* makeInterface(const QString& service, const QString& path,
                                                  const QString& interface) = 0;
    // The reply's one argument; a failed call fails the run.
    virtual QVariant blockingCall(const Request& request) = 0;
    virtual QDBusPendingCall startCall(const Request& request) = 0;

    const QString m_name;
    QDBusConnection m_connection;
    SignalClock m_clock;

private:
    const QMetaMethod m_sink =
        SignalClock::staticMetaObject.method(SignalClock::staticMetaObject.indexOfSlot("received()"));
    Arrivals m_arrivals;
    std::vector<std::unique_ptr<QDBusAbstractInterface>> m_made;
    std::vector<ClientRecipe> m_recipes;
    std::vector<int> m_connected;
};

class QtInterfacePeer : public QtPeer
{
public:
    explicit QtInterfacePeer(const QString& address)
        : QtPeer(address, QStringLiteral("QDBusInterface"))
    {
    }

    void listen(const QString& object) override
    {
        if (!m_connection.connect(Bench::signalService, Bench::pathOf(object), QString(), Bench::relaySignal, &m_clock,
                                  SLOT(configurationChanged(QString))))
            fail(m_name + QStringLiteral(": can't take the signal"));
    }

protected:
    QDBusAbstractInterface* makeInterface(const QString& service, const QString& path,
                                          const QString& interface) override
    {
        return new QDBusInterface(service, path, interface, m_connection);
    }

    QVariant blockingCall(const Request& request) override
    {
        const QDBusReply<QDBusVariant> reply = device().call(Bench::method, request.text);
        if (!reply.isValid())
            fail(m_name + QStringLiteral(": ") + reply.error().message());
        return reply.value().variant();
    }

    QDBusPendingCall startCall(const Request& request) override
    {
        return device().asyncCall(Bench::method, request.text);
    }

private:
    QDBusInterface& device()
    {
        if (!m_device)
            m_device = std::make_unique<QDBusInterface>(Bench::service, Bench::devicePath, Bench::deviceInterface,
                                                        m_connection);
        return *m_device;
    }

    std::unique_ptr<QDBusInterface> m_device;
};

using ProxyFactory =
    std::function<QDBusAbstractInterface*(const QString& service, const QString& path, const QDBusConnection&)>;

template <typename Proxy>
ProxyFactory factoryOf()
{
    return [](const QString& service, const QString& path, const QDBusConnection& connection) {
        return new Proxy(service, path, connection);
    };
}

class GeneratedProxyPeer : public QtPeer
{
public:
    explicit GeneratedProxyPeer(const QString& address)
        : QtPeer(address, QStringLiteral("qdbusxml2cpp proxy"))
    {
    }

    void listen(const QString& object) override
    {
        m_relay = std::make_unique<ComVanteloConfigurationInterface>(Bench::signalService, Bench::pathOf(object),
                                                                     m_connection);
        QObject::connect(m_relay.get(), &ComVanteloConfigurationInterface::configurationChanged, &m_clock,
                         &SignalClock::configurationChanged);
    }

protected:
    QDBusAbstractInterface* makeInterface(const QString& service, const QString& path,
                                          const QString& interface) override
    {
        static const QHash<QString, ProxyFactory> factories = {
            {ComVanteloVanteloInterface::staticInterfaceName(), factoryOf<ComVanteloVanteloInterface>()},
            {ComVanteloControllerDataInterface::staticInterfaceName(), factoryOf<ComVanteloControllerDataInterface>()},
            {ComVanteloDeviceInfoInterface::staticInterfaceName(), factoryOf<ComVanteloDeviceInfoInterface>()},
            {ComVanteloProcessDescriptionInterface::staticInterfaceName(),
             factoryOf<ComVanteloProcessDescriptionInterface>()},
            {ComVanteloMaintenanceInterface::staticInterfaceName(), factoryOf<ComVanteloMaintenanceInterface>()},
            {ComVanteloBusControlInfoInterface::staticInterfaceName(), factoryOf<ComVanteloBusControlInfoInterface>()},
            {ComVanteloConfigurationInterface::staticInterfaceName(), factoryOf<ComVanteloConfigurationInterface>()},
            {ComVanteloConfigurationDataInterface::staticInterfaceName(),
             factoryOf<ComVanteloConfigurationDataInterface>()},
            {ComVanteloSelectorDataInterface::staticInterfaceName(), factoryOf<ComVanteloSelectorDataInterface>()},
            {ComVanteloExternalMediaInterface::staticInterfaceName(), factoryOf<ComVanteloExternalMediaInterface>()},
            {ComVanteloExternalMediaMountServiceInterface::staticInterfaceName(),
             factoryOf<ComVanteloExternalMediaMountServiceInterface>()},
            {ComVanteloUiStatusInformationDataInterface::staticInterfaceName(),
             factoryOf<ComVanteloUiStatusInformationDataInterface>()},
            {ComVanteloDisplayInterface::staticInterfaceName(), factoryOf<ComVanteloDisplayInterface>()},
        };
        const auto factory = factories.constFind(interface);
        if (factory == factories.constEnd())
            fail(m_name + QStringLiteral(": no proxy for ") + interface);
        return (*factory)(service, path, m_connection);
    }

    QVariant blockingCall(const Request& request) override
    {
        QDBusPendingReply<QDBusVariant> reply = device().getListOfInstances(request.text);
        reply.waitForFinished();
        if (reply.isError())
            fail(m_name + QStringLiteral(": ") + reply.error().message());
        return reply.value().variant();
    }

    QDBusPendingCall startCall(const Request& request) override { return device().getListOfInstances(request.text); }

private:
    ComVanteloDeviceInfoInterface& device()
    {
        if (!m_device)
            m_device = std::make_unique<ComVanteloDeviceInfoInterface>(Bench::service, Bench::devicePath, m_connection);
        return *m_device;
    }

    std::unique_ptr<ComVanteloDeviceInfoInterface> m_device;
    std::unique_ptr<ComVanteloConfigurationInterface> m_relay;
};
} // namespace

std::unique_ptr<Peer> makeQtInterfacePeer(const QString& address)
{
    return std::make_unique<QtInterfacePeer>(address);
}

std::unique_ptr<Peer> makeGeneratedProxyPeer(const QString& address)
{
    return std::make_unique<GeneratedProxyPeer>(address);
}
