#ifndef DBUSCONNECTION_H
#define DBUSCONNECTION_H

#include "DBusToolsExport.h"

#include <QDBusConnection>

// The bus of the remote services.
//
// VANTELO_DBUS_ADDRESS selects it: unset or "system" is the system bus,
// "session" the session bus, anything else a D-Bus address.
class VANTELO_DBUSTOOLS_EXPORT DBusConnection
{
public:
    static QDBusConnection getQDBusConnection();

    // What VANTELO_DBUS_ADDRESS selects, for messages: "system", "session"
    // or the address itself.
    static QString busAddress();
};

#endif // DBUSCONNECTION_H
