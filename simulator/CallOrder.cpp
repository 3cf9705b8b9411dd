#include "CallOrder.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

#include <memory>

void CallOrder::afterEarlierCalls(const QList<QDBusConnection>& connections, QObject* context,
                                  const std::function<void()>& then)
{
    if (connections.isEmpty()) {
        then();
        return;
    }
    const auto waiting = std::make_shared<int>(connections.size());
    for (const QDBusConnection& connection : connections) {
        // A question every bus policy lets anyone ask.
        const QDBusMessage roundTrip = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId"));
        auto* watcher = new QDBusPendingCallWatcher(connection.asyncCall(roundTrip), context);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, waiting, then] {
            watcher->deleteLater();
            if (--*waiting == 0)
                then();
        });
    }
}
