#include "BusTarget.h"

#include "BusProbe.h"

#include <QDBusMessage>

namespace {
QString busId(const QDBusConnection& connection)
{
    const QDBusMessage reply = connection.call(
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0).toString() : QString();
}
} // namespace

BusTarget::BusTarget(Kind kind, const QString& address)
    : m_kind(kind)
    , m_address(address)
{
}

BusTarget BusTarget::systemBus()
{
    return BusTarget(System, QString());
}

BusTarget BusTarget::sessionBus()
{
    return BusTarget(Session, QString());
}

BusTarget BusTarget::atAddress(const QString& address)
{
    return BusTarget(Address, address);
}

QString BusTarget::description() const
{
    switch (m_kind) {
    case System:
        return QStringLiteral("system bus");
    case Session:
        return QStringLiteral("session bus");
    case Address:
        break;
    }
    return QStringLiteral("bus at ") + m_address;
}

QDBusConnection BusTarget::connect(const QString& connectionName) const
{
    switch (m_kind) {
    case System:
        return QDBusConnection::connectToBus(QDBusConnection::SystemBus, connectionName);
    case Session:
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
    case Address:
        break;
    }
    return QDBusConnection::connectToBus(m_address, connectionName);
}

bool BusTarget::isSystemBus(const QDBusConnection& connection)
{
    // Asked aside from Qt's D-Bus thread, which a silent bus would hold up. A
    // system bus that does not answer in time is not the bus that just did.
    const std::shared_ptr<BusProbe> system = BusProbe::start(QStringLiteral("system"));
    const QString id = busId(connection);
    return system->wait(std::chrono::seconds(2)) && system->outcome() == BusProbe::Outcome::Answered && !id.isEmpty() &&
           system->busId() == id;
}
