#ifndef DBUSTEMPORARYTIMEOUT_H
#define DBUSTEMPORARYTIMEOUT_H

#include "DBusToolsExport.h"

#include <QSharedPointer>

class QDBusInterface;

/**
 * While the guard lives, calls through the interface wait the given number of
 * seconds for their answer; the former time-out comes back when it goes.
 *
 * It guards one blocking call in one thread: other calls through the same
 * interface made meanwhile wait as long.
 */
class VANTELO_DBUSTOOLS_EXPORT DBusTemporaryTimeout
{
public:
    /// Sets the time-out of \a dBusInterface to \a timeoutSeconds; a null interface makes the guard do nothing.
    DBusTemporaryTimeout(QSharedPointer<QDBusInterface> dBusInterface, int timeoutSeconds);
    /// Puts the former time-out back.
    ~DBusTemporaryTimeout();

    /// Not copyable: one guard restores the time-out once.
    DBusTemporaryTimeout(const DBusTemporaryTimeout&) = delete;
    /// Not assignable.
    DBusTemporaryTimeout& operator=(const DBusTemporaryTimeout&) = delete;

private:
    QSharedPointer<QDBusInterface> m_interface;
    int m_previousTimeout = -1;
};

#endif // DBUSTEMPORARYTIMEOUT_H
