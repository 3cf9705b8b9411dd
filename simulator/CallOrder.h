#ifndef CALLORDER_H
#define CALLORDER_H

#include <QDBusConnection>
#include <QList>
#include <QObject>

#include <functional>

namespace CallOrder {
// Runs `then` once every call the bus delivered on the connections before now
// has been handled. The services and the control take calls on connections
// of their own, so a caller's call to a service and its next order to the
// control may arrive in either order; a round trip to the bus on each
// connection comes back behind everything the bus sent there before, and its
// answer is handled after those calls.
void afterEarlierCalls(const QList<QDBusConnection>& connections, QObject* context, const std::function<void()>& then);
} // namespace CallOrder

#endif // CALLORDER_H
