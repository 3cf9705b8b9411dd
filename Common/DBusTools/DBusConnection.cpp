#include "DBusConnection.h"

namespace {
const char addressVariable[] = "VANTELO_DBUS_ADDRESS";
const QLatin1String systemBus("system");
const QLatin1String sessionBus("session");
// The name under which a bus given by address is connected.
const QLatin1String connectionName("vantelo-connector-bus");
}

QString DBusConnection::busAddress()
{
    const QString address = qEnvironmentVariable(addressVariable);
    return address.isEmpty() ? QString(systemBus) : address;
}

QDBusConnection DBusConnection::getQDBusConnection()
{
    const QString address = busAddress();
    if (address == systemBus)
        return QDBusConnection::systemBus();
    if (address == sessionBus)
        return QDBusConnection::sessionBus();
    // Connecting under a known name returns the existing connection, so the
    // whole process shares one.
    return QDBusConnection::connectToBus(address, connectionName);
}
