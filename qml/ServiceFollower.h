#ifndef SERVICEFOLLOWER_H
#define SERVICEFOLLOWER_H

#include "DBusConnectorBase.h"

/**
 * Follows a service as the followed connectors do, and says so: the QML
 * types learn from it when the service comes, goes or restarts, and when
 * the bus is lost and back, whatever the mode of their own connector.
 *
 * It calls nothing; the library keeps one watch per service however many
 * follow it.
 */
class ServiceFollower : public DBusConnectorBase
{
    Q_OBJECT
public:
    /// Addresses the service with the bus name \a serviceName, such as a
    /// connector's getServiceName(). It follows the service once initObject()
    /// has run, which emits serviceUp() at once if it runs: connect first.
    explicit ServiceFollower(const QString& serviceName);

Q_SIGNALS:
    /// The service is there, and the bus with it; once again after a restart.
    void serviceUp();
    /// The service went away, or the bus did.
    void serviceDown();

protected Q_SLOTS:
    /// Emits serviceUp().
    void connectServices() override;
    /// Emits serviceDown().
    void disconnectServices() override;
};

#endif // SERVICEFOLLOWER_H
