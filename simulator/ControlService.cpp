#include "ControlService.h"

#include "CallOrder.h"
#include "SimulatedServices.h"

namespace {
ObjectTree controlTree()
{
    ObjectTree tree;
    tree.add(ControlInterface::path(), {ControlInterface::name()});
    return tree;
}
} // namespace

ControlService::ControlService(const QDBusConnection& connection, const InterfaceCatalogue& catalogue,
                               CallResponder& responder, SimulatedServices& services, uint owner, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_services(services)
    , m_control(responder, services)
    , m_access(connection, owner)
    , m_objects(
          ControlInterface::serviceName(), controlTree(), catalogue,
          [this](const QDBusMessage& call, const QDBusConnection&) { take(call); }, false)
{
}

ControlService::~ControlService()
{
    m_connection.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
}

bool ControlService::serve(QString* error)
{
    if (!m_connection.registerVirtualObject(QStringLiteral("/"), &m_objects, QDBusConnection::SubPath)) {
        *error = QStringLiteral("cannot serve the control object: %1").arg(m_connection.lastError().message());
        return false;
    }
    return true;
}

bool ControlService::ownName(QString* error)
{
    return SimulatedServices::ownOn(m_connection, ControlInterface::serviceName(), error);
}

void ControlService::take(const QDBusMessage& call)
{
    if (!m_access.allows(call.service())) {
        m_connection.send(call.createErrorReply(
            QDBusError::AccessDenied, QStringLiteral("The simulator's control belongs to the user who started it")));
        return;
    }
    call.setDelayedReply(true);
    CallOrder::afterEarlierCalls(m_services.connections(), this,
                                 [this, call] { m_connection.send(m_control.handle(call)); });
}
