#include "DBusConnectorBase.h"

#include "DBusConnection.h"
#include "DBusNameRules.h"
#include "VanteloDefinitions.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

class DBusConnectorBasePrivate
{
public:
    enum class State {
        NotInitialised,
        InvalidServiceName,
        InvalidObjectPath,
        InvalidInterfaceName,
        BusUnreachable,
        Ready
    };

    QDBusConnection connection{QString()};
    QString serviceName;
    QString objectPath;
    QString interfaceName;
    DBusConnectorBase::ConnectionMode connectionMode;
    State state = State::NotInitialised;
    QString busError;
    bool serviceRunning = false;
    bool servicesConnected = false;
};

DBusConnectorBase::DBusConnectorBase(const QString& moduleName, const QString& objectName,
                                     const QString& interfaceName, QObject* parent,
                                     ConnectionMode connectionMode)
    : QObject(parent)
    , d(new DBusConnectorBasePrivate)
{
    d->serviceName = VanteloDefinitions::serviceNameOfModule(moduleName);
    d->objectPath = VanteloDefinitions::objectPathOfObject(objectName);
    d->interfaceName = interfaceName;
    d->connectionMode = connectionMode;
}

DBusConnectorBase::~DBusConnectorBase() = default;

void DBusConnectorBase::initObject()
{
    if (d->state != DBusConnectorBasePrivate::State::NotInitialised)
        return;

    // Bad names are refused here, so nothing is ever sent with them.
    using State = DBusConnectorBasePrivate::State;
    if (!DBusNameRules::isValidBusName(d->serviceName)) {
        d->state = State::InvalidServiceName;
        return;
    }
    if (!DBusNameRules::isValidObjectPath(d->objectPath)) {
        d->state = State::InvalidObjectPath;
        return;
    }
    if (!DBusNameRules::isValidInterfaceName(d->interfaceName)) {
        d->state = State::InvalidInterfaceName;
        return;
    }

    d->connection = DBusConnection::getQDBusConnection();
    if (!d->connection.isConnected()) {
        d->state = State::BusUnreachable;
        d->busError = d->connection.lastError().message();
        return;
    }
    d->state = State::Ready;

    if (d->connectionMode == StartOnDemand) {
        createInterface();
        setServicesConnected(true);
        return;
    }

    // Watch first, then ask: an owner that arrives in between is seen twice,
    // which setServicesConnected() absorbs.
    auto* watcher = new QDBusServiceWatcher(d->serviceName, d->connection,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &DBusConnectorBase::onServiceOwnerChanged);
    d->serviceRunning = d->connection.interface()->isServiceRegistered(d->serviceName);
    if (d->serviceRunning)
        createInterface();
    setServicesConnected(d->serviceRunning);
}

void DBusConnectorBase::createInterface()
{
    // Made only when it can be used: the interface asks the service to
    // describe itself, which would start a service that is meant to be followed.
    if (!dBusInterface)
        dBusInterface.reset(new QDBusInterface(d->serviceName, d->objectPath, d->interfaceName, d->connection));
}

QString DBusConnectorBase::getServiceName() const
{
    return d->serviceName;
}

QString DBusConnectorBase::getDBusPath() const
{
    return d->objectPath;
}

QString DBusConnectorBase::getInterfaceName() const
{
    return d->interfaceName;
}

DBusConnectorBase::ConnectionMode DBusConnectorBase::getConnectionMode() const
{
    return d->connectionMode;
}

bool DBusConnectorBase::isDBusInterfaceValid() const
{
    if (d->state != DBusConnectorBasePrivate::State::Ready || !dBusInterface || !d->connection.isConnected())
        return false;
    return d->connectionMode == StartOnDemand || d->serviceRunning;
}

QString DBusConnectorBase::getInvalidDBusInterfaceMessage() const
{
    using State = DBusConnectorBasePrivate::State;
    QString reason;
    switch (d->state) {
    case State::NotInitialised:
        reason = QStringLiteral("the connector is not initialised");
        break;
    case State::InvalidServiceName:
        reason = QStringLiteral("'%1' is not a valid bus name").arg(d->serviceName);
        break;
    case State::InvalidObjectPath:
        reason = QStringLiteral("'%1' is not a valid object path").arg(d->objectPath);
        break;
    case State::InvalidInterfaceName:
        reason = QStringLiteral("'%1' is not a valid interface name").arg(d->interfaceName);
        break;
    case State::BusUnreachable:
        reason = QStringLiteral("the bus at %1 is not reachable (%2)").arg(DBusConnection::busAddress(), d->busError);
        break;
    case State::Ready:
        if (!d->connection.isConnected())
            reason = QStringLiteral("the connection to the bus at %1 was lost").arg(DBusConnection::busAddress());
        else if (!isDBusInterfaceValid())
            reason = QStringLiteral("the service is not running");
        else
            return QString();
        break;
    }
    return QStringLiteral("D-Bus interface %1 at %2 of service %3 is not usable: %4")
        .arg(d->interfaceName, d->objectPath, d->serviceName, reason);
}

void DBusConnectorBase::dBusConnectionError() const
{
    Q_EMIT dBusConnectionErrorOccurred();
}

void DBusConnectorBase::connectServices()
{
}

void DBusConnectorBase::disconnectServices()
{
}

void DBusConnectorBase::onServiceOwnerChanged(const QString&, const QString& oldOwner, const QString& newOwner)
{
    // A restart may hand the name from one owner straight to the next.
    if (!oldOwner.isEmpty())
        setServicesConnected(false);
    d->serviceRunning = !newOwner.isEmpty();
    if (d->serviceRunning) {
        createInterface();
        setServicesConnected(true);
    }
}

void DBusConnectorBase::setServicesConnected(bool connected)
{
    if (d->servicesConnected == connected)
        return;
    d->servicesConnected = connected;
    if (connected)
        connectServices();
    else
        disconnectServices();
}
