#include "DBusConnectorBase.h"

#include "BusLink.h"
#include "DBusConnectorBasePrivate.h"
#include "DBusNameRules.h"
#include "InterfaceDescriptions.h"
#include "VanteloDefinitions.h"

#include <QDBusError>
#include <QMutex>
#include <QSet>

namespace {
// One copy of each service name for every connector: there are few services
// and there may be many connectors.
QString sharedServiceName(const QString& name)
{
    static QMutex mutex;
    static QSet<QString> names;
    const QMutexLocker locker(&mutex);
    return *names.insert(name);
}
} // namespace

DBusConnectorBase::DBusConnectorBase(const QString& moduleName, const QString& objectName, const QString& interfaceName,
                                     QObject* parent, ConnectionMode connectionMode)
    : QObject(parent)
    , d(new DBusConnectorBasePrivate(this))
{
    d->serviceName = sharedServiceName(VanteloDefinitions::serviceNameOfModule(moduleName));
    d->objectPath = VanteloDefinitions::objectPathOfObject(objectName);
    d->interfaceName = interfaceName;
    d->connectionMode = connectionMode;
}

DBusConnectorBase::~DBusConnectorBase()
{
    if (d->link)
        d->link->detach(d.data(), d->serviceName);
}

void DBusConnectorBase::initObject()
{
    using State = DBusConnectorBasePrivate::State;
    if (d->state != State::NotInitialised)
        return;

    // Bad names are refused here, so nothing is ever sent with them.
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

    d->state = State::Initialised;
    d->link = BusLink::forConfiguredBus();
    d->ownership = d->link->attach(d.data(), d->serviceName, d->connectionMode == FollowService);
    d->reconcile();
}

void DBusConnectorBasePrivate::bindToCurrentConnection()
{
    if (generation == link->generation() || !link->isConnected())
        return;

    // What the owner was known to be before asking: an owner change seen
    // meanwhile is newer than this interface's answer.
    const quint64 changesBefore = ownership ? ownership->changes.load(std::memory_order_acquire) : 0;
    const quint64 current = link->connection(&connection);
    bool made = false;
    q->dBusInterface = link->interfaceFor(current, connection, serviceName, objectPath, interfaceName, &made);
    generation = current;
    // A fresh interface has just learnt the owner; one made before may not
    // have heard of a change yet.
    if (ownership && made)
        link->reportOwner(serviceName, changesBefore, q->dBusInterface->isValid());
}

bool DBusConnectorBasePrivate::serviceRunning() const
{
    return !ownership || ownership->running.load(std::memory_order_acquire);
}

void DBusConnectorBasePrivate::reconcile()
{
    bindToCurrentConnection();
    const bool usable = link->isConnected() && generation == link->generation();
    const quint64 changes = ownership ? ownership->changes.load(std::memory_order_acquire) : 0;
    const bool wanted = usable && serviceRunning();

    // A service that restarted has a new owner, a new connection knows none
    // of the old one's signals: the relay starts afresh. A thread that was busy
    // meanwhile may have bound its interface to the new connection already.
    if (servicesConnected && (!wanted || changes != connectedAtChange || generation != connectedOnGeneration)) {
        servicesConnected = false;
        q->disconnectServices();
    }
    if (!servicesConnected && wanted) {
        servicesConnected = true;
        connectedAtChange = changes;
        connectedOnGeneration = generation;
        q->connectServices();
    }
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
    if (d->state != DBusConnectorBasePrivate::State::Initialised || !d->link->catchUp())
        return false;
    // A thread without an event loop hears of a new connection only here.
    d->bindToCurrentConnection();
    return d->generation == d->link->generation() && d->connection.isConnected() && d->serviceRunning();
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
    case State::Initialised:
        if (isDBusInterfaceValid())
            return QString();
        reason = d->link->unusableReason();
        if (reason.isEmpty() && !d->connection.isConnected())
            reason =
                QStringLiteral("the connection to the bus at %1 was lost (the bus closed it)").arg(d->link->address());
        // A followed service is never started on demand. On the session bus, where a
        // developer runs the application without the device, say what serves it.
        if (reason.isEmpty() && d->link->address() == QLatin1String("session"))
            reason = QStringLiteral("the service is not running (followed services are not started on demand; "
                                    "to run against the simulated device: vantelo-with-simulator -- COMMAND)");
        if (reason.isEmpty())
            reason = QStringLiteral("the service is not running");
        break;
    }
    return QStringLiteral("D-Bus interface %1 at %2 of service %3 is not usable: %4")
        .arg(d->interfaceName, d->objectPath, d->serviceName, reason);
}

QString DBusConnectorBase::getInvalidDBusInterfaceErrorName() const
{
    using State = DBusConnectorBasePrivate::State;
    switch (d->state) {
    case State::NotInitialised:
        return QDBusError::errorString(QDBusError::Failed);
    case State::InvalidServiceName:
        return QDBusError::errorString(QDBusError::InvalidService);
    case State::InvalidObjectPath:
        return QDBusError::errorString(QDBusError::InvalidObjectPath);
    case State::InvalidInterfaceName:
        return QDBusError::errorString(QDBusError::InvalidInterface);
    case State::Initialised:
        break;
    }
    if (isDBusInterfaceValid())
        return QString();
    if (!d->link->isConnected() || !d->connection.isConnected())
        return QDBusError::errorString(QDBusError::Disconnected);
    return QDBusError::errorString(QDBusError::ServiceUnknown);
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
