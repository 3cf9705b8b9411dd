#include "SimulatedServices.h"

#include "BarePeer.h"
#include "CallResponder.h"
#include "ControlInterface.h"
#include "DBusNameRules.h"
#include "InterfaceCatalogue.h"
#include "Scenario.h"
#include "ServedObjects.h"

#include <QDBusConnectionInterface>

SimulatedServices::SimulatedServices(const BusTarget& bus, const InterfaceCatalogue& catalogue,
                                     CallResponder& responder, bool logCalls)
    : m_bus(bus)
    , m_catalogue(catalogue)
    , m_responder(responder)
    , m_logCalls(logCalls)
{
}

SimulatedServices::~SimulatedServices()
{
    for (const auto& service : m_services) {
        service->connection.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(service->connection.name());
    }
}

bool SimulatedServices::serveScenario(const Scenario& scenario, QString* error)
{
    for (const QString& name : scenario.services()) {
        auto service = std::make_unique<Service>(Service{name, QDBusConnection(QString()), {}, {}});
        for (const Scenario::ServedObject& object : scenario.objects()) {
            if (object.service == name)
                service->tree.add(object.path, object.interfaces);
        }
        service->objects = std::make_unique<ServedObjects>(
            name, service->tree, m_catalogue,
            [this](const QDBusMessage& call, const QDBusConnection& connection) {
                m_responder.respond(call, connection);
            },
            m_logCalls);
        if (!connect(service.get(), error))
            return false;
        m_services.push_back(std::move(service));
    }
    return true;
}

bool SimulatedServices::serveBare(const QStringList& names, QString* error)
{
    m_bare = true;
    m_bareNames = names;
    auto service = std::make_unique<Service>(Service{QString(), QDBusConnection(QString()), {}, {}});
    service->objects = std::make_unique<BarePeer>(
        [this](const QDBusMessage& call, const QDBusConnection& connection) { m_responder.respond(call, connection); },
        m_logCalls);
    if (!connect(service.get(), error))
        return false;
    m_services.push_back(std::move(service));
    return true;
}

bool SimulatedServices::ownNames(QString* error)
{
    for (const auto& service : m_services) {
        const QStringList names = m_bare ? m_bareNames : QStringList(service->name);
        for (const QString& name : names) {
            if (!ownOn(service->connection, name, error))
                return false;
        }
    }
    return true;
}

bool SimulatedServices::ownOn(QDBusConnection& connection, const QString& name, QString* error)
{
    if (connection.registerService(name))
        return true;
    // The bus does not call a name taken an error: say who has it.
    const QString owner = connection.interface()->serviceOwner(name);
    const QString reason = !owner.isEmpty() && owner != connection.baseService()
                               ? QStringLiteral("the name is taken by another connection (%1)").arg(owner)
                           : connection.lastError().isValid() ? connection.lastError().message()
                                                              : QStringLiteral("the bus refused it");
    *error = QStringLiteral("cannot own %1: %2").arg(name, reason);
    return false;
}

bool SimulatedServices::mayOwn(const QString& name, QString* refusal) const
{
    if (!DBusNameRules::isValidBusName(name) || name.startsWith(QLatin1Char(':')))
        *refusal = QStringLiteral("'%1' is no valid well-known bus name").arg(name);
    else if (name == ControlInterface::serviceName())
        *refusal = QStringLiteral("%1 is the simulator's own name").arg(name);
    else if (!m_bare && !serviceNamed(name))
        *refusal = QStringLiteral("The scenario serves no objects under %1").arg(name);
    return refusal->isEmpty();
}

bool SimulatedServices::own(const QString& name)
{
    Service* service = serviceNamed(name);
    return service && service->connection.registerService(name);
}

bool SimulatedServices::release(const QString& name)
{
    Service* service = serviceNamed(name);
    return service && service->connection.unregisterService(name);
}

bool SimulatedServices::emitSignal(const QDBusMessage& signal, QString* refusal)
{
    bool sent = false;
    for (const auto& service : m_services) {
        if (m_bare || service->tree.hasObject(signal.path()))
            sent = service->connection.send(signal) || sent;
    }
    if (!sent)
        *refusal = QStringLiteral("No service serves an object at %1").arg(signal.path());
    return sent;
}

bool SimulatedServices::servesMethod(const QString& member) const
{
    if (m_bare)
        return true;
    for (const auto& service : m_services) {
        for (const QString& path : service->tree.paths()) {
            for (const QString& interface : service->tree.interfacesAt(path)) {
                if (m_catalogue.find(interface)->methods.contains(member))
                    return true;
            }
        }
    }
    return false;
}

QList<QDBusConnection> SimulatedServices::connections() const
{
    QList<QDBusConnection> result;
    for (const auto& service : m_services)
        result.append(service->connection);
    return result;
}

bool SimulatedServices::connect(Service* service, QString* error)
{
    const QString connectionName =
        QStringLiteral("vantelo-simulator:") + (m_bare ? QStringLiteral("bare") : service->name);
    service->connection = m_bus.connect(connectionName);
    if (!service->connection.isConnected()) {
        *error = QStringLiteral("cannot connect to %1: %2")
                     .arg(m_bus.description(), service->connection.lastError().message());
        return false;
    }
    if (!service->connection.registerVirtualObject(QStringLiteral("/"), service->objects.get(),
                                                   QDBusConnection::SubPath)) {
        *error = QStringLiteral("cannot serve object paths: %1").arg(service->connection.lastError().message());
        return false;
    }
    return true;
}

SimulatedServices::Service* SimulatedServices::serviceNamed(const QString& name) const
{
    for (const auto& service : m_services) {
        if (m_bare || service->name == name)
            return service.get();
    }
    return nullptr;
}
