#include "SimulatedObjects.h"

SimulatedObjects::SimulatedObjects(const QDBusConnection& connection, bool logCalls, QObject* parent)
    : QDBusVirtualObject(parent)
    , m_responder(connection, logCalls)
    , m_control(connection, m_responder)
{
}

bool SimulatedObjects::handleMessage(const QDBusMessage& message, const QDBusConnection&)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    if (message.interface().startsWith(QLatin1String("org.freedesktop.DBus.")))
        return false;
    if (message.interface() == ControlInterface::name())
        m_control.handle(message);
    else
        m_responder.respond(message);
    return true;
}

QString SimulatedObjects::introspect(const QString&) const
{
    return ControlInterface::introspectionXml();
}
