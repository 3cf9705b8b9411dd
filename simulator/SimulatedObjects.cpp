#include "SimulatedObjects.h"

#include "InterfaceCatalogue.h"
#include "Scenario.h"

SimulatedObjects::SimulatedObjects(const QDBusConnection& connection, const InterfaceCatalogue& catalogue,
                                   const Scenario& scenario, bool keepsState, bool logCalls, QObject* parent)
    : QDBusVirtualObject(parent)
    , m_catalogue(catalogue)
    , m_scenario(scenario)
    , m_device(catalogue, scenario, keepsState)
    , m_responder(connection, m_device, logCalls)
    , m_control(connection, catalogue, m_responder)
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

QString SimulatedObjects::introspect(const QString& path) const
{
    QString xml;
    const QStringList interfaces = m_scenario.interfacesAt(path) << ControlInterface::name();
    for (const QString& interface : interfaces)
        xml += m_catalogue.find(interface)->xml + QLatin1Char('\n');
    return xml;
}
