#ifndef BUSLINK_H
#define BUSLINK_H

#include <QDBusConnection>
#include <QDBusInterface>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QSet>
#include <QString>
#include <QTimer>

#include <atomic>
#include <memory>

class BusProbe;
class DBusConnectorBase;
class QThread;
class DBusConnectorBasePrivate;

// Whether a followed service has an owner on the bus. Shared by every
// connector that follows the service, so that a connector reads the current
// state from any thread, with or without an event loop of its own.
struct ServiceOwnership
{
    std::atomic<bool> running{false};
    // Counts the owner changes seen; an answer obtained before a change is stale.
    std::atomic<quint64> changes{0};
};

// The process's link to one bus: a connection of its own, made again when the
// bus goes away and comes back, and the owners of the services that
// connectors follow on it.
//
// The link lives in the application's main thread, where an event loop runs:
// that is where it hears of lost connections and owner changes. Connectors in
// any thread read its state; it tells them of changes by posting to their
// threads.
class BusLink : public QObject
{
    Q_OBJECT
public:
    // The link to the bus that VANTELO_DBUS_ADDRESS selects, made on first use.
    static BusLink* forConfiguredBus();

    const QString& address() const { return m_address; }

    // The current connection; after a loss, the lost one until a new one is made.
    QDBusConnection connection() const;
    // The same, with the generation it belongs to, read together.
    quint64 connection(QDBusConnection* connection) const;
    // The interface of a remote object on the connection of `generation`, for
    // the calling thread: connectors of one object in one thread share it.
    // `*made` tells whether it was made just now.
    QSharedPointer<QDBusInterface> interfaceFor(quint64 generation, const QDBusConnection& connection,
                                                const QString& service, const QString& path,
                                                const QString& interfaceName, bool* made);
    // Increases each time a new connection is made.
    quint64 generation() const { return m_generation.load(std::memory_order_acquire); }
    bool isConnected() const;
    // The same, after connecting, from the calling thread, to a bus that has
    // answered since: a thread without an event loop hears of it only here.
    // Waits up to 2 s in all for a bus that has not answered yet.
    bool catchUp();
    // Why the bus can't be used right now: "the bus at ... is not reachable (...)",
    // "the connection to the bus at ... was lost (...)" or "the bus at ... does
    // not answer".
    QString unusableReason() const;

    // Connectors register while they live; the link calls reconcile() on them,
    // in their own threads, whenever the bus or, for those that follow it,
    // their service changes. Every connector's service is watched from its
    // first connector on; only followers get its ownership.
    std::shared_ptr<ServiceOwnership> attach(DBusConnectorBasePrivate* connector, const QString& service, bool follows);
    void detach(DBusConnectorBasePrivate* connector, const QString& service);

    // Records what a follower's own interface learnt of the owner when it was
    // made, unless an owner change has been seen since `changesBefore`.
    void reportOwner(const QString& service, quint64 changesBefore, bool running);

    // Which interface a connector shares: one per remote object, connection and thread.
    struct InterfaceKey
    {
        quint64 generation;
        const QThread* thread;
        QString service;
        QString path;
        QString interface;

        bool operator==(const InterfaceKey& other) const;
    };
    using HashValue = decltype(qHash(QString()));

private Q_SLOTS:
    void onNameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void onDisconnected();
    void onNeverSent();
    void reconnect();

private:
    explicit BusLink(const QString& address);

    void startProbe();
    void settleProbe();
    bool connectToBus(QString* error);
    void describe(quint64 generation, const QString& interfaceName);
    void watchConnection();
    void watchService(const QString& service);
    void scheduleReconnect();
    QList<QPointer<DBusConnectorBase>> notify(const QSet<DBusConnectorBasePrivate*>& connectors);
    static void reconcile(const QList<QPointer<DBusConnectorBase>>& connectors);
    QSet<DBusConnectorBasePrivate*> allConnectors() const;

    const QString m_address;
    const QString m_connectionName;

    mutable QMutex m_mutex;
    QDBusConnection m_connection{QString()};
    QString m_unusableReason;
    std::atomic<quint64> m_generation{0};
    std::atomic<bool> m_connected{false};
    // Whether the bus answers, asked before every connection; null when no one asks.
    std::shared_ptr<BusProbe> m_probe;
    // Held while the outcome of a probe becomes a connection.
    QMutex m_settleMutex;

    struct Watched
    {
        std::shared_ptr<ServiceOwnership> ownership = std::make_shared<ServiceOwnership>();
        QSet<DBusConnectorBasePrivate*> followers;
    };
    QHash<QString, Watched> m_watched;
    QSet<QString> m_described; // on the current connection
    // Connectors that don't follow their service; they hear only of the bus.
    QSet<DBusConnectorBasePrivate*> m_unfollowing;

    QMutex m_interfacesMutex;
    QHash<InterfaceKey, QWeakPointer<QDBusInterface>> m_interfaces;

    QTimer* m_retryTimer = nullptr;
    int m_retryDelayMs = 0;
};

BusLink::HashValue qHash(const BusLink::InterfaceKey& key, BusLink::HashValue seed = 0);

#endif // BUSLINK_H
