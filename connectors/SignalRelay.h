#ifndef SIGNALRELAY_H
#define SIGNALRELAY_H

#include <QString>

class DBusConnectorBase;

// Relays the signal `signalName` of the connector's remote object, under any
// of its interfaces, to the connector's Qt signal `member` ("2" followed by
// its signature), as QDBusConnection::connect() with an empty interface name
// does. Connectors of every object of a service in one thread share one Qt
// hook and one match rule per signal name (see RelayHub).
//
// Both run in the connector's thread and answer as QDBusConnection's
// connect() and disconnect() would.
namespace SignalRelay {

bool connect(DBusConnectorBase* connector, const QString& signalName, const char* member);
bool disconnect(DBusConnectorBase* connector, const QString& signalName, const char* member);

} // namespace SignalRelay

#endif // SIGNALRELAY_H
