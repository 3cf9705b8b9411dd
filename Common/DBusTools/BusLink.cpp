#include "BusLink.h"

#include "BusProbe.h"
#include "DBusConnection.h"
#include "DBusConnectorBasePrivate.h"
#include "InterfaceDescriptions.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QLoggingCategory>
#include <QThread>

// The library's own notes on its bus, apart from the warnings of its calls:
// QT_LOGGING_RULES="vantelo.bus.info=false" quiets them.
Q_LOGGING_CATEGORY(lcVanteloBus, "vantelo.bus", QtInfoMsg)

namespace {
const QLatin1String systemBus("system");
const QLatin1String sessionBus("session");
const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString ownerCacheInterface = QStringLiteral("com.vantelo.DBusTools");
const QString ownerCacheSignal = QStringLiteral("OwnerFollowed");
const int firstRetryMs = 100;
const int longestRetryMs = 5000;
// How long making a connector waits for the bus, and how long a call or a
// look at the connection waits for a bus that has not answered yet: a bus
// that has not said Hello by then does not answer.
const std::chrono::milliseconds answerWithin(100);
const std::chrono::milliseconds answerGrace(2000);

// The address without its guid: a bus that restarts at the same address has
// another guid, and is still the bus we were given.
QString withoutGuid(const QString& address)
{
    QStringList entries = address.split(QLatin1Char(';'));
    for (QString& entry : entries) {
        const int colon = entry.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        QStringList keys = entry.mid(colon + 1).split(QLatin1Char(','));
        keys.erase(std::remove_if(keys.begin(), keys.end(),
                                  [](const QString& key) { return key.startsWith(QLatin1String("guid=")); }),
                   keys.end());
        entry = entry.left(colon + 1) + keys.join(QLatin1Char(','));
    }
    return entries.join(QLatin1Char(';'));
}
} // namespace

BusLink* BusLink::forConfiguredBus()
{
    static QMutex mutex;
    static QHash<QString, BusLink*> links;
    const QString address = DBusConnection::busAddress();
    const QMutexLocker locker(&mutex);
    BusLink*& link = links[address];
    if (!link)
        link = new BusLink(address);
    return link;
}

BusLink::BusLink(const QString& address)
    : m_address(address)
    , m_connectionName(QStringLiteral("vantelo-connector-bus ") + address)
{
    m_retryTimer = new QTimer(this);
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, this, &BusLink::reconnect);

    // A bus that answers at once is connected before the first connector is
    // made; one that does not is connected whenever it answers.
    startProbe();
    const std::shared_ptr<BusProbe> probe = m_probe;
    if (probe->wait(answerWithin))
        settleProbe();
    // The main thread runs the application's event loop: there the link hears
    // of what happens on the bus, whichever thread made it.
    if (QCoreApplication* application = QCoreApplication::instance())
        moveToThread(application->thread());
}

QDBusConnection BusLink::connection() const
{
    const QMutexLocker locker(&m_mutex);
    return m_connection;
}

quint64 BusLink::connection(QDBusConnection* connection) const
{
    const QMutexLocker locker(&m_mutex);
    *connection = m_connection;
    return generation();
}

void BusLink::describe(quint64 generation, const QString& interfaceName)
{
    const QMutexLocker locker(&m_mutex);
    if (generation != this->generation() || m_described.contains(interfaceName))
        return;
    for (const QString& name : InterfaceDescriptions::describe(m_connection, interfaceName, m_described))
        m_described.insert(name);
}

QSharedPointer<QDBusInterface> BusLink::interfaceFor(quint64 generation, const QDBusConnection& connection,
                                                     const QString& service, const QString& path,
                                                     const QString& interfaceName, bool* made)
{
    // Every QDBusInterface brings a watcher of its own, and Qt's cost of adding
    // one grows with the number there are: one per object keeps it flat. The
    // key shares the connector's strings.
    const InterfaceKey key{generation, QThread::currentThread(), service, path, interfaceName};
    {
        const QMutexLocker locker(&m_interfacesMutex);
        if (const QSharedPointer<QDBusInterface> shared = m_interfaces.value(key).toStrongRef()) {
            *made = false;
            return shared;
        }
    }

    describe(generation, interfaceName);
    const QSharedPointer<QDBusInterface> interface(new QDBusInterface(service, path, interfaceName, connection),
                                                   [this, key](QDBusInterface* unused) {
                                                       {
                                                           const QMutexLocker locker(&m_interfacesMutex);
                                                           const auto entry = m_interfaces.constFind(key);
                                                           if (entry != m_interfaces.constEnd() && entry->isNull())
                                                               m_interfaces.erase(entry);
                                                       }
                                                       delete unused;
                                                   });
    const QMutexLocker locker(&m_interfacesMutex);
    m_interfaces.insert(key, interface);
    *made = true;
    return interface;
}

bool BusLink::isConnected() const
{
    return m_connected.load(std::memory_order_acquire);
}

bool BusLink::catchUp()
{
    if (isConnected())
        return true;
    std::shared_ptr<BusProbe> probe;
    {
        const QMutexLocker locker(&m_mutex);
        probe = m_probe;
    }
    // A bus that is only slow, on a busy machine, is waited for a little.
    if (probe && probe->age() < answerGrace)
        probe->wait(answerGrace - probe->age());
    settleProbe();
    return isConnected();
}

QString BusLink::unusableReason() const
{
    const QMutexLocker locker(&m_mutex);
    if (m_probe && m_probe->outcome() == BusProbe::Outcome::Pending && m_probe->age() >= answerWithin)
        return QStringLiteral("the bus at %1 does not answer").arg(m_address);
    return m_unusableReason;
}

bool BusLink::InterfaceKey::operator==(const InterfaceKey& other) const
{
    return generation == other.generation && thread == other.thread && service == other.service && path == other.path &&
           interface == other.interface;
}

BusLink::HashValue qHash(const BusLink::InterfaceKey& key, BusLink::HashValue seed)
{
    return qHash(key.path, seed) ^ qHash(key.interface, seed) ^ qHash(key.service, seed) ^
           qHash(quintptr(key.thread), seed) ^ qHash(key.generation, seed);
}

bool BusLink::connectToBus(QString* error)
{
    QDBusConnection::disconnectFromBus(m_connectionName);
    QDBusConnection connection =
        m_address == systemBus    ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, m_connectionName)
        : m_address == sessionBus ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName)
                                  : QDBusConnection::connectToBus(withoutGuid(m_address), m_connectionName);
    if (!connection.isConnected()) {
        const QDBusError failure = connection.lastError();
        *error = failure.isValid() ? failure.message() : QStringLiteral("no connection");
        QDBusConnection::disconnectFromBus(m_connectionName);
        return false;
    }

    const QMutexLocker locker(&m_mutex);
    m_connection = connection;
    m_described.clear();
    m_unusableReason.clear();
    m_generation.fetch_add(1, std::memory_order_acq_rel);
    m_connected.store(true, std::memory_order_release);
    for (auto it = m_watched.begin(); it != m_watched.end(); ++it) {
        watchService(it.key());
        it->ownership->running.store(connection.interface()->isServiceRegistered(it.key()).value(),
                                     std::memory_order_release);
        it->ownership->changes.fetch_add(1, std::memory_order_acq_rel);
    }
    return true;
}

void BusLink::watchConnection()
{
    // The connection's own announcement that the bus went away.
    connection().connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
                         QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"), this,
                         SLOT(onDisconnected()));
}

void BusLink::watchService(const QString& service)
{
    // The same rule as Qt's own service watchers, so the bus keeps one match for all.
    m_connection.connect(busService, QString(), busService, QStringLiteral("NameOwnerChanged"), {service}, QString(),
                         this, SLOT(onNameOwnerChanged(QString, QString, QString)));
    // Qt keeps the owner of every service it takes signals from, and a
    // QDBusInterface made for that service takes the owner from there instead
    // of asking the bus. Listening for a signal that no service sends makes it
    // keep the followed services' owners: connectors then cost nothing on the bus.
    m_connection.connect(service, QString(), ownerCacheInterface, ownerCacheSignal, this, SLOT(onNeverSent()));
}

std::shared_ptr<ServiceOwnership> BusLink::attach(DBusConnectorBasePrivate* connector, const QString& service,
                                                  bool follows)
{
    const QMutexLocker locker(&m_mutex);
    auto watched = m_watched.find(service);
    if (watched == m_watched.end()) {
        watched = m_watched.insert(service, Watched());
        if (m_connected)
            watchService(service);
    }
    if (!follows) {
        m_unfollowing.insert(connector);
        return nullptr;
    }
    watched->followers.insert(connector);
    return watched->ownership;
}

void BusLink::detach(DBusConnectorBasePrivate* connector, const QString& service)
{
    const QMutexLocker locker(&m_mutex);
    if (!m_unfollowing.remove(connector))
        m_watched[service].followers.remove(connector);
}

void BusLink::reportOwner(const QString& service, quint64 changesBefore, bool running)
{
    const QMutexLocker locker(&m_mutex);
    const auto watched = m_watched.constFind(service);
    if (watched != m_watched.constEnd() && watched->ownership->changes.load() == changesBefore)
        watched->ownership->running.store(running, std::memory_order_release);
}

void BusLink::onNameOwnerChanged(const QString& name, const QString&, const QString& newOwner)
{
    QList<QPointer<DBusConnectorBase>> here;
    {
        const QMutexLocker locker(&m_mutex);
        const auto watched = m_watched.constFind(name);
        if (watched == m_watched.constEnd())
            return;
        watched->ownership->changes.fetch_add(1, std::memory_order_acq_rel);
        watched->ownership->running.store(!newOwner.isEmpty(), std::memory_order_release);
        here = notify(watched->followers);
    }
    reconcile(here);
}

void BusLink::onNeverSent()
{
}

void BusLink::onDisconnected()
{
    QList<QPointer<DBusConnectorBase>> here;
    {
        const QMutexLocker locker(&m_mutex);
        // A connection replaced since may still announce its end.
        if (!m_connected || m_connection.isConnected())
            return;
        qCInfo(lcVanteloBus, "The connection to the bus at %s was lost; connecting again", qPrintable(m_address));
        m_connected.store(false, std::memory_order_release);
        m_unusableReason =
            QStringLiteral("the connection to the bus at %1 was lost (the bus closed it)").arg(m_address);
        here = notify(allConnectors());
    }
    reconcile(here);
    scheduleReconnect();
}

void BusLink::scheduleReconnect()
{
    if (m_retryTimer->isActive())
        return;
    m_retryDelayMs = m_retryDelayMs == 0 ? firstRetryMs : qMin(2 * m_retryDelayMs, longestRetryMs);
    m_retryTimer->start(m_retryDelayMs);
}

void BusLink::reconnect()
{
    startProbe();
}

void BusLink::startProbe()
{
    const QMutexLocker locker(&m_mutex);
    if (m_probe)
        return;
    m_probe = BusProbe::start(withoutGuid(m_address),
                              [this] { QMetaObject::invokeMethod(this, &BusLink::settleProbe, Qt::QueuedConnection); });
}

void BusLink::settleProbe()
{
    QList<QPointer<DBusConnectorBase>> here;
    {
        const QMutexLocker settling(&m_settleMutex);
        std::shared_ptr<BusProbe> probe;
        {
            const QMutexLocker locker(&m_mutex);
            if (!m_probe || m_probe->outcome() == BusProbe::Outcome::Pending)
                return;
            probe.swap(m_probe);
        }
        QString error = probe->error();
        if (probe->outcome() != BusProbe::Outcome::Answered || !connectToBus(&error)) {
            const QMutexLocker locker(&m_mutex);
            m_unusableReason =
                generation() == 0
                    ? QStringLiteral("the bus at %1 is not reachable (%2)").arg(m_address, error)
                    : QStringLiteral("the connection to the bus at %1 was lost (%2)").arg(m_address, error);
            QMetaObject::invokeMethod(this, &BusLink::scheduleReconnect, Qt::QueuedConnection);
            return;
        }
        QMetaObject::invokeMethod(
            this, [this] { m_retryDelayMs = 0; }, Qt::QueuedConnection);
        watchConnection();
        if (generation() > 1)
            qCInfo(lcVanteloBus, "Connected again to the bus at %s", qPrintable(m_address));
        const QMutexLocker locker(&m_mutex);
        here = notify(allConnectors());
    }
    reconcile(here);
}

QList<QPointer<DBusConnectorBase>> BusLink::notify(const QSet<DBusConnectorBasePrivate*>& connectors)
{
    // Connectors of this thread are brought in line at once, once the lock is
    // released, so that a connector that can be called again also relays
    // again. Others get an event, posted while the lock is held, so that none
    // can go away in between; one destroyed before it is delivered takes it along.
    QList<QPointer<DBusConnectorBase>> here;
    for (DBusConnectorBasePrivate* connector : connectors) {
        if (connector->q->thread() == QThread::currentThread())
            here.append(connector->q);
        else
            QMetaObject::invokeMethod(
                connector->q, [connector] { connector->reconcile(); }, Qt::QueuedConnection);
    }
    return here;
}

void BusLink::reconcile(const QList<QPointer<DBusConnectorBase>>& connectors)
{
    for (const QPointer<DBusConnectorBase>& connector : connectors) {
        if (connector)
            DBusConnectorBasePrivate::get(connector)->reconcile();
    }
}

QSet<DBusConnectorBasePrivate*> BusLink::allConnectors() const
{
    QSet<DBusConnectorBasePrivate*> result = m_unfollowing;
    for (const Watched& watched : m_watched)
        result.unite(watched.followers);
    return result;
}
