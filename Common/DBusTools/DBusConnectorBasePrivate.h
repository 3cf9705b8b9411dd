#ifndef DBUSCONNECTORBASEPRIVATE_H
#define DBUSCONNECTORBASEPRIVATE_H

#include "DBusConnectorBase.h"

#include <QDBusConnection>
#include <QString>

#include <memory>

class BusLink;
struct ServiceOwnership;

class DBusConnectorBasePrivate
{
public:
    enum class State {
        NotInitialised,
        InvalidServiceName,
        InvalidObjectPath,
        InvalidInterfaceName,
        Initialised
    };

    explicit DBusConnectorBasePrivate(DBusConnectorBase* connector)
        : q(connector)
    {
    }

    static DBusConnectorBasePrivate* get(DBusConnectorBase* connector) { return connector->d.data(); }

    // Brings the connector in line with the bus and its service: makes its
    // interface on the current connection, and runs connectServices() or
    // disconnectServices() where the service came or went. Runs in the
    // connector's thread.
    void reconcile();
    // Makes the interface anew when the link has a newer connection than the
    // one the interface was made on.
    void bindToCurrentConnection();
    bool serviceRunning() const;

    DBusConnectorBase* const q;
    QString serviceName;
    QString objectPath;
    QString interfaceName;
    DBusConnectorBase::ConnectionMode connectionMode = DBusConnectorBase::FollowService;
    State state = State::NotInitialised;

    BusLink* link = nullptr;
    // Shared with every connector that follows the same service; null for
    // connectors that don't follow theirs.
    std::shared_ptr<ServiceOwnership> ownership;
    // The connection the interface was made on, and the link's count of it.
    QDBusConnection connection{QString()};
    quint64 generation = 0;
    bool servicesConnected = false;
    // The owner's generation of changes, and the connection's, when the
    // services were connected.
    quint64 connectedAtChange = 0;
    quint64 connectedOnGeneration = 0;
};

#endif // DBUSCONNECTORBASEPRIVATE_H
