#ifndef DBUSCONNECTION_H
#define DBUSCONNECTION_H

#include "DBusToolsExport.h"

#include <QDBusConnection>

/**
 * The bus of the remote services.
 *
 * `VANTELO_DBUS_ADDRESS` selects it: unset or `system` is the system bus,
 * `session` the session bus, anything else a D-Bus address. The process
 * keeps a connection of its own to it, and makes it again when the bus goes
 * away and comes back at the same address.
 */
class VANTELO_DBUSTOOLS_EXPORT DBusConnection
{
public:
    /// The connection to that bus. While the bus is gone it is the lost
    /// connection, which sends nothing; once the bus is back, a new one. A bus
    /// that has not answered yet is waited for up to 2 s in all.
    static QDBusConnection getQDBusConnection();

    /// What `VANTELO_DBUS_ADDRESS` selects, for messages: "system", "session"
    /// or the address itself.
    static QString busAddress();
};

#endif // DBUSCONNECTION_H
