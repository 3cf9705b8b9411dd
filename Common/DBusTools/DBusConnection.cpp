#include "DBusConnection.h"

#include "BusLink.h"

namespace {
const char addressVariable[] = "VANTELO_DBUS_ADDRESS";
}

QString DBusConnection::busAddress()
{
    const QString address = qEnvironmentVariable(addressVariable);
    return address.isEmpty() ? QStringLiteral("system") : address;
}

QDBusConnection DBusConnection::getQDBusConnection()
{
    BusLink* link = BusLink::forConfiguredBus();
    link->catchUp();
    return link->connection();
}
