#include "ControlAccess.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>

ControlAccess::ControlAccess(const QDBusConnection& connection, uint owner, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_owner(owner)
{
    m_watcher.setConnection(connection);
    m_watcher.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, &ControlAccess::forget);
}

bool ControlAccess::allows(const QString& sender)
{
    auto user = m_users.constFind(sender);
    if (user == m_users.constEnd()) {
        // Watched before asking, so that a caller leaving in between is not kept.
        m_watcher.addWatchedService(sender);
        const QDBusReply<uint> uid = m_connection.interface()->serviceUid(sender);
        if (!uid.isValid()) {
            m_watcher.removeWatchedService(sender);
            return false;
        }
        user = m_users.insert(sender, uid.value());
    }
    return user.value() == m_owner;
}

void ControlAccess::forget(const QString& sender)
{
    m_users.remove(sender);
    m_watcher.removeWatchedService(sender);
}
