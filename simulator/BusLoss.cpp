#include "BusLoss.h"

#include <QCoreApplication>
#include <QLoggingCategory>

// The simulator's notes while it serves; what it refuses at start it says on
// standard error itself.
Q_LOGGING_CATEGORY(lcVanteloSimulator, "vantelo.simulator")

BusLoss::BusLoss(const QString& busDescription, QObject* parent)
    : QObject(parent)
    , m_busDescription(busDescription)
{
}

void BusLoss::watch(QDBusConnection connection)
{
    // The bus library tells a connection that its bus is gone by this local signal.
    connection.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
                       QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"), this,
                       SLOT(disconnected()));
    // Gone already, before the signal was connected: it won't come again.
    if (!connection.isConnected())
        QMetaObject::invokeMethod(this, &BusLoss::disconnected, Qt::QueuedConnection);
}

void BusLoss::disconnected()
{
    // Every connection to the bus hears it; one line is enough.
    if (m_reported)
        return;
    m_reported = true;
    qCWarning(lcVanteloSimulator, "the %s went away; exiting", qPrintable(m_busDescription));
    QCoreApplication::exit(1);
}
