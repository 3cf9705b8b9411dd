#include "ServedObjects.h"

#include "CallLog.h"
#include "InterfaceCatalogue.h"

namespace {
const QString introspectable = QStringLiteral("org.freedesktop.DBus.Introspectable");

// The bus library itself answers org.freedesktop.DBus.Peer; both are listed
// as every D-Bus object lists them.
const char standardInterfaces[] = R"(  <interface name="org.freedesktop.DBus.Introspectable">
    <method name="Introspect">
      <arg name="xml_data" type="s" direction="out"/>
    </method>
  </interface>
  <interface name="org.freedesktop.DBus.Peer">
    <method name="Ping"/>
    <method name="GetMachineId">
      <arg name="machine_uuid" type="s" direction="out"/>
    </method>
  </interface>
)";

const char documentType[] = R"(<!DOCTYPE node PUBLIC "-//freedesktop//DTD D-BUS Object Introspection 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd">
)";
} // namespace

ServedObjects::ServedObjects(const QString& service, const ObjectTree& tree, const InterfaceCatalogue& catalogue,
                             CallHandler handler, bool logCalls, QObject* parent)
    : QDBusVirtualObject(parent)
    , m_service(service)
    , m_tree(tree)
    , m_catalogue(catalogue)
    , m_handler(std::move(handler))
    , m_logCalls(logCalls)
{
}

bool ServedObjects::handleMessage(const QDBusMessage& call, const QDBusConnection& connection)
{
    if (call.type() != QDBusMessage::MethodCallMessage)
        return false;
    QDBusConnection bus(connection);
    const QString interface = interfaceOf(call);
    const QDBusMessage error = refusal(call, interface);
    if (error.type() == QDBusMessage::ErrorMessage) {
        if (m_logCalls && interface != introspectable)
            CallLog::write(m_service, call, error.errorName());
        bus.send(error);
    } else if (interface == introspectable) {
        bus.send(call.createReply(QLatin1String(documentType) + QStringLiteral("<node>\n") + introspect(call.path()) +
                                  QStringLiteral("</node>\n")));
    } else {
        if (m_logCalls)
            CallLog::write(m_service, call);
        m_handler(call, connection);
    }
    return true;
}

QString ServedObjects::introspect(const QString& path) const
{
    QString xml = QLatin1String(standardInterfaces);
    for (const QString& interface : m_tree.interfacesAt(path))
        xml += QStringLiteral("  ") + m_catalogue.find(interface)->xml + QLatin1Char('\n');
    for (const QString& child : m_tree.childrenOf(path))
        xml += QStringLiteral("  <node name=\"%1\"/>\n").arg(child);
    return xml;
}

QString ServedObjects::interfaceOf(const QDBusMessage& call) const
{
    if (!call.interface().isEmpty())
        return call.interface();
    if (call.member() == QLatin1String("Introspect"))
        return introspectable;
    for (const QString& interface : m_tree.interfacesAt(call.path())) {
        if (m_catalogue.find(interface)->methods.contains(call.member()))
            return interface;
    }
    return QString();
}

QDBusMessage ServedObjects::refusal(const QDBusMessage& call, const QString& interface) const
{
    const QString& path = call.path();
    const bool introspection = interface == introspectable;
    // A node on the way to objects is no object: it answers introspection only, as in Qt.
    if (!m_tree.hasObject(path) && !(introspection && m_tree.hasNode(path)))
        return call.createErrorReply(QDBusError::UnknownObject, QStringLiteral("No such object path '%1'").arg(path));
    if (!introspection && !interface.isEmpty() && !m_tree.interfacesAt(path).contains(interface))
        return call.createErrorReply(QDBusError::UnknownInterface,
                                     QStringLiteral("No such interface '%1' at object path '%2'").arg(interface, path));

    QString signature;
    if (!methodSignature(interface, call.member(), &signature))
        return call.createErrorReply(QDBusError::UnknownMethod,
                                     QStringLiteral("No such method '%1' in interface '%2' at object path '%3' "
                                                    "(signature '%4')")
                                         .arg(call.member(), interface, path, call.signature()));
    if (call.signature() != signature)
        return call.createErrorReply(QDBusError::InvalidArgs,
                                     QStringLiteral("Type of message, '(%1)', does not match expected type '(%2)'")
                                         .arg(call.signature(), signature));
    return QDBusMessage();
}

bool ServedObjects::methodSignature(const QString& interface, const QString& member, QString* signature) const
{
    if (interface == introspectable)
        return member == QLatin1String("Introspect");
    const InterfaceCatalogue::Interface* description = m_catalogue.find(interface);
    if (!description || !description->methods.contains(member))
        return false;
    *signature = description->methods.value(member).signature;
    return true;
}
