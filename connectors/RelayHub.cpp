#include "RelayHub.h"

#include "DBusConnection.h"
#include "DBusConnectorBase.h"
#include "SignalRelay.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QMetaMethod>
#include <QMutex>
#include <QThread>
#include <QVarLengthArray>

#include <algorithm>
#include <utility>

namespace {
const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString busPath = QStringLiteral("/org/freedesktop/DBus");
const QString limitsExceeded = QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded");

QMutex hubsMutex;
QHash<QThread*, RelayHub*> hubs;

// The rule Qt gives the bus for a hook of a signal name of a service, on any
// path and interface.
QString matchRule(const QString& service, const QString& signalName)
{
    return QStringLiteral("type='signal',sender='%1',member='%2'").arg(service, signalName);
}

// The meta-types of a method's parameters, as Qt D-Bus finds them; false if
// one has none.
bool parameterTypes(const QMetaMethod& method, QVector<int>* types)
{
    for (int i = 0; i < method.parameterCount(); ++i) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        QMetaType type = method.parameterMetaType(i);
        if (!type.isValid())
            type = QMetaType::fromName(method.parameterTypes().at(i));
        const int id = type.id();
#else
        int id = method.parameterType(i);
        if (id == QMetaType::UnknownType)
            id = QMetaType::type(method.parameterTypes().at(i));
#endif
        if (id == QMetaType::UnknownType)
            return false;
        types->append(id);
    }
    return true;
}

QVariant emptyValueOf(int type)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QVariant(QMetaType(type));
#else
    return QVariant(type, nullptr);
#endif
}

bool demarshall(const QDBusArgument& argument, QVariant* out)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QDBusMetaType::demarshall(argument, out->metaType(), out->data());
#else
    return QDBusMetaType::demarshall(argument, out->userType(), out->data());
#endif
}

QString keyOf(const QDBusConnection& connection, const QString& service, const QString& signalName)
{
    // A connection made again after a loss is another one, though its name is the same.
    return QString::number(quintptr(connection.internalPointer()), 16) + connection.baseService() + QLatin1Char('\n') +
           service + QLatin1Char('\n') + signalName;
}
} // namespace

bool SignalRelay::connect(DBusConnectorBase* connector, const QString& signalName, const char* member)
{
    return RelayHub::of(connector, true)->add(connector, signalName, member);
}

bool SignalRelay::disconnect(DBusConnectorBase* connector, const QString& signalName, const char* member)
{
    RelayHub* hub = RelayHub::of(connector, false);
    return hub && hub->remove(connector, signalName, member);
}

RelayHook::RelayHook(const QDBusConnection& connection, const QString& service, const QString& signalName)
    : m_connection(connection)
    , m_service(service)
    , m_signalName(signalName)
{
}

bool RelayHook::attach()
{
    // The service's name makes Qt check every signal's sender against its
    // owner; the empty path and interface take the signal of any object,
    // under any interface name.
    QDBusConnection connection(m_connection);
    if (!connection.connect(m_service, QString(), QString(), m_signalName, this, SLOT(relay(QDBusMessage))))
        return false;
    new MatchRuleCheck(this, m_connection, matchRule(m_service, m_signalName));
    return true;
}

void RelayHook::detach()
{
    QDBusConnection connection(m_connection);
    connection.disconnect(m_service, QString(), QString(), m_signalName, this, SLOT(relay(QDBusMessage)));
}

void RelayHook::refuse(const QString& rule, const QString& reason)
{
    if (m_refused || isEmpty())
        return;
    m_refused = true;
    qWarning().noquote() << QStringLiteral("Signal %1 of service %2 is not relayed: the bus refused the match rule "
                                           "\"%3\" (%4)")
                                .arg(m_signalName, m_service, rule, reason);
    // Collected first: a receiver may release connectors.
    QVector<QPointer<DBusConnectorBase>> connectors;
    for (const QVector<Route>& routes : std::as_const(m_routesByPath)) {
        for (const Route& route : routes) {
            if (!connectors.contains(route.connector))
                connectors.append(route.connector);
        }
    }
    for (const QPointer<DBusConnectorBase>& connector : std::as_const(connectors)) {
        if (connector)
            connector->dBusConnectionError();
    }
}

bool RelayHook::addRoute(const QString& path, Route route)
{
    QVector<Route>& routes = m_routesByPath[path];
    for (const Route& existing : std::as_const(routes)) {
        // Connected twice is connected once, as with Qt's own hooks.
        if (existing.connector == route.connector && existing.member == route.member)
            return false;
    }
    routes.append(std::move(route));
    ++m_routes;
    if (m_refused) {
        // The application hears of it once it holds the connector.
        const QPointer<DBusConnectorBase> connector = routes.last().connector;
        QMetaObject::invokeMethod(
            connector,
            [connector] {
                if (connector)
                    connector->dBusConnectionError();
            },
            Qt::QueuedConnection);
    }
    return true;
}

void RelayHook::removeRoutes(const QString& path, QObject* connector, const QByteArray& member)
{
    const auto found = m_routesByPath.find(path);
    if (found == m_routesByPath.end())
        return;
    QVector<Route>& routes = *found;
    for (int i = routes.size() - 1; i >= 0; --i) {
        if (routes.at(i).connector == connector && (member.isEmpty() || routes.at(i).member == member)) {
            routes.remove(i);
            --m_routes;
        }
    }
    if (routes.isEmpty())
        m_routesByPath.erase(found);
}

bool RelayHook::isRouted(const QString& path, const Route& route) const
{
    const auto found = m_routesByPath.constFind(path);
    if (found == m_routesByPath.constEnd())
        return false;
    return std::any_of(found->cbegin(), found->cend(), [&](const Route& current) {
        return current.connector == route.connector && current.methodIndex == route.methodIndex;
    });
}

void RelayHook::relay(const QDBusMessage& message)
{
    const QString path = message.path();
    const auto found = m_routesByPath.constFind(path);
    if (found == m_routesByPath.constEnd())
        return;
    // A receiver may connect, disconnect or release connectors meanwhile:
    // each route is checked before it is taken.
    const QVector<Route> routes = *found;
    const QVariantList arguments = message.arguments();
    for (const Route& route : routes) {
        if (isRouted(path, route))
            deliver(route, arguments);
    }
}

void RelayHook::deliver(const Route& route, const QVariantList& arguments)
{
    // As Qt D-Bus delivers a signal: the Qt signal may take fewer arguments
    // than came, each of its own type or demarshalled into it; otherwise the
    // signal is not delivered.
    const int count = route.types.size();
    if (arguments.size() < count)
        return;
    QVarLengthArray<void*, 8> argv(count + 1);
    argv[0] = nullptr;
    QVarLengthArray<QVariant, 8> converted(count);
    for (int i = 0; i < count; ++i) {
        const QVariant& argument = arguments.at(i);
        const int type = route.types.at(i);
        if (argument.userType() == type) {
            argv[i + 1] = const_cast<void*>(argument.constData());
        } else if (argument.userType() == qMetaTypeId<QDBusArgument>()) {
            converted[i] = emptyValueOf(type);
            if (!demarshall(*static_cast<const QDBusArgument*>(argument.constData()), &converted[i]))
                return;
            argv[i + 1] = converted[i].data();
        } else {
            return;
        }
    }
    // Through the meta-object, as Qt D-Bus emits it.
    QMetaObject::metacall(route.connector, QMetaObject::InvokeMetaMethod, route.methodIndex, argv.data());
}

RelayHub* RelayHub::of(DBusConnectorBase* connector, bool make)
{
    QThread* thread = connector->thread();
    const QMutexLocker locker(&hubsMutex);
    RelayHub* hub = hubs.value(thread);
    if (!hub && make) {
        hub = new RelayHub(thread);
        hubs.insert(thread, hub);
        // Its hooks go with the thread; a thread made later may have the same address.
        QObject::connect(
            thread, &QThread::finished, hub, [hub] { delete hub; }, Qt::DirectConnection);
    }
    return hub;
}

RelayHub::RelayHub(QThread* thread)
    : m_thread(thread)
{
    if (thread != QThread::currentThread())
        moveToThread(thread);
}

RelayHub::~RelayHub()
{
    const QMutexLocker locker(&hubsMutex);
    if (hubs.value(m_thread) == this)
        hubs.remove(m_thread);
}

bool RelayHub::add(DBusConnectorBase* connector, const QString& signalName, const char* member)
{
    // Qt's notation for a signal is "2" and its signature.
    if (!member || member[0] != '2')
        return false;
    const QByteArray normalized = QMetaObject::normalizedSignature(member + 1);
    const int index = connector->metaObject()->indexOfSignal(normalized.constData());
    RelayHook::Route route{connector, normalized, index, {}};
    if (index < 0 || !parameterTypes(connector->metaObject()->method(index), &route.types))
        return false;

    const QDBusConnection connection = DBusConnection::getQDBusConnection();
    if (!connection.isConnected())
        return false;
    const QString service = connector->getServiceName();
    const QString key = keyOf(connection, service, signalName);
    RelayHook*& hook = m_hooks[key];
    if (!hook) {
        hook = new RelayHook(connection, service, signalName);
        hook->setParent(this);
        if (!hook->attach()) {
            delete hook;
            m_hooks.remove(key);
            return false;
        }
    }
    const QString path = connector->getDBusPath();
    if (hook->addRoute(path, std::move(route))) {
        m_placesOf.insert(connector, qMakePair(key, path));
        QObject::connect(connector, &QObject::destroyed, this, &RelayHub::forget, Qt::UniqueConnection);
    }
    return true;
}

bool RelayHub::remove(DBusConnectorBase* connector, const QString& signalName, const char* member)
{
    if (!member || member[0] != '2')
        return false;
    const QByteArray normalized = QMetaObject::normalizedSignature(member + 1);
    // Wherever it was connected: the bus may have been lost and found again since.
    bool removed = false;
    const QList<QPair<QString, QString>> places = m_placesOf.values(connector);
    for (const auto& place : places) {
        RelayHook* hook = m_hooks.value(place.first);
        if (hook && hook->signalName() == signalName) {
            drop(place.first, place.second, connector, normalized);
            removed = true;
        }
    }
    return removed;
}

void RelayHub::forget(QObject* connector)
{
    const QList<QPair<QString, QString>> places = m_placesOf.values(connector);
    for (const auto& place : places)
        drop(place.first, place.second, connector, QByteArray());
}

void RelayHub::drop(const QString& key, const QString& path, QObject* connector, const QByteArray& member)
{
    m_placesOf.remove(connector, qMakePair(key, path));
    const auto found = m_hooks.find(key);
    if (found == m_hooks.end())
        return;
    RelayHook* hook = *found;
    hook->removeRoutes(path, connector, member);
    // A hook stays once made while its connection lives: there is one per
    // service and signal name, and connectors that come and go would
    // otherwise make it, and check its rule, again each time.
    if (!hook->isEmpty() || hook->isConnected())
        return;
    hook->detach();
    m_hooks.erase(found);
    // It may be relaying right now.
    hook->deleteLater();
}

MatchRuleCheck::MatchRuleCheck(RelayHook* hook, const QDBusConnection& connection, const QString& rule)
    : m_hook(hook)
    , m_connection(connection)
    , m_rule(rule)
{
    send(QStringLiteral("AddMatch"), SLOT(added(QDBusPendingCallWatcher*)));
}

void MatchRuleCheck::send(const QString& method, const char* slot)
{
    QDBusMessage call = QDBusMessage::createMethodCall(busService, busPath, busService, method);
    call << m_rule;
    auto* watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call), this);
    connect(watcher, SIGNAL(finished(QDBusPendingCallWatcher*)), this, slot);
}

void MatchRuleCheck::added(QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    if (!call->isError()) {
        // Qt's rule is there: the copy goes, without waiting.
        QDBusMessage removal =
            QDBusMessage::createMethodCall(busService, busPath, busService, QStringLiteral("RemoveMatch"));
        removal << m_rule;
        m_connection.send(removal);
        deleteLater();
        return;
    }
    if (call->error().name() != limitsExceeded) {
        refused(call->error().message());
        return;
    }
    // Refused at the limit: either Qt's rule was refused too, or it took the last place.
    m_reason = call->error().message();
    send(QStringLiteral("RemoveMatch"), SLOT(removedAfterRefusal(QDBusPendingCallWatcher*)));
}

void MatchRuleCheck::removedAfterRefusal(QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    if (call->isError()) {
        refused(m_reason);
        return;
    }
    // Qt's rule was there and is gone now; its place is free again.
    send(QStringLiteral("AddMatch"), SLOT(addedAgain(QDBusPendingCallWatcher*)));
}

void MatchRuleCheck::addedAgain(QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    if (call->isError()) {
        refused(call->error().message());
        return;
    }
    deleteLater();
}

void MatchRuleCheck::refused(const QString& reason)
{
    if (m_hook)
        m_hook->refuse(m_rule, reason);
    deleteLater();
}
