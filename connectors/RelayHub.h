#ifndef RELAYHUB_H
#define RELAYHUB_H

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

class DBusConnectorBase;
class QDBusMessage;
class QDBusPendingCallWatcher;

// One Qt hook, and so one match rule: a signal name of a service on one
// connection, for the connectors of one thread. Qt's hook checks the sender
// against the service's owner; the hook hands the signal to the connectors of
// the object that sent it.
class RelayHook : public QObject
{
    Q_OBJECT
public:
    // One connector's Qt signal, fed by the remote signal of one object.
    struct Route
    {
        DBusConnectorBase* connector;
        QByteArray member; // normalised, without the "2"
        int methodIndex;
        QVector<int> types;
    };

    RelayHook(const QDBusConnection& connection, const QString& service, const QString& signalName);

    bool attach();
    void detach();
    // Tells the hook's connectors that the bus refused its rule, and those that come later.
    void refuse(const QString& rule, const QString& reason);

    bool addRoute(const QString& path, Route route);
    // Removes the routes of `connector` at `path` (of `member` only, unless it is empty).
    void removeRoutes(const QString& path, QObject* connector, const QByteArray& member);
    bool isEmpty() const { return m_routes == 0; }
    bool isConnected() const { return m_connection.isConnected(); }
    const QString& signalName() const { return m_signalName; }

private Q_SLOTS:
    void relay(const QDBusMessage& message);

private:
    bool isRouted(const QString& path, const Route& route) const;
    static void deliver(const Route& route, const QVariantList& arguments);

    const QDBusConnection m_connection;
    const QString m_service;
    const QString m_signalName;
    QHash<QString, QVector<Route>> m_routesByPath;
    int m_routes = 0;
    bool m_refused = false;
};

// The relayed signals of the connectors of one thread: their hooks, and where
// each connector has routes, so that they go when it goes.
//
// Qt compares every new hook with each hook of the same signal name, and the
// bus counts every match rule against the connection's limit: one hook per
// connector and signal makes both grow with the number of objects. The hub's
// hooks are one per service and signal name, whatever the number of objects.
class RelayHub : public QObject
{
    Q_OBJECT
public:
    // The hub of the thread that `connector` lives in; made when `make` is set.
    static RelayHub* of(DBusConnectorBase* connector, bool make);

    bool add(DBusConnectorBase* connector, const QString& signalName, const char* member);
    bool remove(DBusConnectorBase* connector, const QString& signalName, const char* member);

private Q_SLOTS:
    void forget(QObject* connector);

private:
    explicit RelayHub(QThread* thread);
    ~RelayHub() override;

    void drop(const QString& key, const QString& path, QObject* connector, const QByteArray& member);

    QThread* const m_thread;
    QHash<QString, RelayHook*> m_hooks;
    // Where each connector has routes: hook key and path.
    QMultiHash<QObject*, QPair<QString, QString>> m_placesOf;
};

// Finds out whether the bus took the match rule of a new hook. Qt adds the
// rule without waiting for the answer, so a refusal would go unseen: the
// check adds the same rule again and waits, then takes its copy away. The bus
// handles one connection's calls in order, so when the copy is refused,
// taking one copy away tells whether Qt's was there.
class MatchRuleCheck : public QObject
{
    Q_OBJECT
public:
    MatchRuleCheck(RelayHook* hook, const QDBusConnection& connection, const QString& rule);

private Q_SLOTS:
    void added(QDBusPendingCallWatcher* call);
    void removedAfterRefusal(QDBusPendingCallWatcher* call);
    void addedAgain(QDBusPendingCallWatcher* call);

private:
    void send(const QString& method, const char* slot);
    void refused(const QString& reason);

    QPointer<RelayHook> m_hook;
    QDBusConnection m_connection;
    QString m_rule;
    QString m_reason;
};

#endif // RELAYHUB_H
