#ifndef DBUSTEMPORARYTIMEOUT_H
#define DBUSTEMPORARYTIMEOUT_H

#include "DBusToolsExport.h"

#include <QSharedPointer>

class QDBusInterface;

// While the guard lives, calls through the interface wait the given number of
// seconds for their answer; the former time-out comes back when it goes.
class VANTELO_DBUSTOOLS_EXPORT DBusTemporaryTimeout
{
public:
    DBusTemporaryTimeout(QSharedPointer<QDBusInterface> dBusInterface, int timeoutSeconds);
    ~DBusTemporaryTimeout();

    DBusTemporaryTimeout(const DBusTemporaryTimeout&) = delete;
    DBusTemporaryTimeout& operator=(const DBusTemporaryTimeout&) = delete;

private:
    QSharedPointer<QDBusInterface> m_interface;
    int m_previousTimeout = -1;
};

#endif // DBUSTEMPORARYTIMEOUT_H
