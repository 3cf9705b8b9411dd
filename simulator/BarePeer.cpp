#include "BarePeer.h"

#include "CallLog.h"

BarePeer::BarePeer(CallHandler handler, bool logCalls, QObject* parent)
    : QDBusVirtualObject(parent)
    , m_handler(std::move(handler))
    , m_logCalls(logCalls)
{
}

bool BarePeer::handleMessage(const QDBusMessage& call, const QDBusConnection& connection)
{
    // Qt answers the bus's standard interfaces itself.
    if (call.type() != QDBusMessage::MethodCallMessage ||
        call.interface().startsWith(QLatin1String("org.freedesktop.DBus.")))
        return false;
    if (m_logCalls)
        CallLog::write(QStringLiteral("(bare)"), call);
    m_handler(call, connection);
    return true;
}

QString BarePeer::introspect(const QString&) const
{
    return QString();
}
