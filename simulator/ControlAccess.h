#ifndef CONTROLACCESS_H
#define CONTROLACCESS_H

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QHash>
#include <QObject>

// Who may use the control interface: callers running as the owning user.
// Each caller's user is asked from the bus once and forgotten when the
// caller leaves the bus.
class ControlAccess : public QObject
{
    Q_OBJECT
public:
    ControlAccess(const QDBusConnection& connection, uint owner, QObject* parent = nullptr);

    // Whether the connection with this unique name runs as the owner.
    bool allows(const QString& sender);

private:
    void forget(const QString& sender);

    QDBusConnection m_connection;
    uint m_owner;
    QHash<QString, uint> m_users;
    QDBusServiceWatcher m_watcher;
};

#endif // CONTROLACCESS_H
