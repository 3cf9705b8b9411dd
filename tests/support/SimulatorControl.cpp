#include "SimulatorControl.h"

#include "DBusConnection.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QString simulatorName = QStringLiteral("com.vantelo.Simulator");
const QString controlPath = QStringLiteral("/com/vantelo/Simulator");
const QString controlInterface = QStringLiteral("com.vantelo.Simulator.Control");

QVariant wrapped(const QVariant& value)
{
    return QVariant::fromValue(QDBusVariant(value));
}
} // namespace

SimulatorControl::SimulatorControl()
    : m_connection(DBusConnection::getQDBusConnection())
{
    qDBusRegisterMetaType<RecordedCall>();
    qDBusRegisterMetaType<QList<RecordedCall>>();
}

void SimulatorControl::requirePrivateBusWithSimulator()
{
    const QString address = qEnvironmentVariable("VANTELO_DBUS_ADDRESS");
    if (!address.contains(QLatin1Char(':')))
        qFatal("Tests run only on a private bus: start them with ctest, or with vantelo-with-simulator");

    QDBusConnection connection = DBusConnection::getQDBusConnection();
    if (!connection.isConnected())
        qFatal("The private bus is not reachable: %s", qPrintable(connection.lastError().message()));
    QDBusServiceWatcher watcher(simulatorName, connection, QDBusServiceWatcher::WatchForRegistration);
    QSignalSpy registered(&watcher, &QDBusServiceWatcher::serviceRegistered);
    if (!connection.interface()->isServiceRegistered(simulatorName) && !registered.wait(10000))
        qFatal("The simulator did not appear on the private bus");
}

void SimulatorControl::reset()
{
    call(QStringLiteral("Reset"));
}

void SimulatorControl::setReply(const QString& member, int code, const QString& message, const QVariant& value)
{
    call(QStringLiteral("SetReply"), {member, code, message, wrapped(value)});
}

void SimulatorControl::setError(const QString& member, const QString& errorName, const QString& errorMessage)
{
    call(QStringLiteral("SetError"), {member, errorName, errorMessage});
}

void SimulatorControl::setRawReply(const QString& member, const QVariant& value)
{
    call(QStringLiteral("SetRawReply"), {member, wrapped(value)});
}

void SimulatorControl::setNoReply(const QString& member)
{
    call(QStringLiteral("SetNoReply"), {member});
}

void SimulatorControl::setDelay(const QString& member, uint milliseconds)
{
    call(QStringLiteral("SetDelay"), {member, milliseconds});
}

uint SimulatorControl::releaseHeld()
{
    return call(QStringLiteral("ReleaseHeld")).arguments().value(0).toUInt();
}

QList<RecordedCall> SimulatorControl::calls()
{
    return qdbus_cast<QList<RecordedCall>>(call(QStringLiteral("Calls")).arguments().value(0));
}

void SimulatorControl::clearCalls()
{
    call(QStringLiteral("ClearCalls"));
}

bool SimulatorControl::ownName(const QString& name)
{
    return call(QStringLiteral("OwnName"), {name}).arguments().value(0).toBool();
}

bool SimulatorControl::releaseName(const QString& name)
{
    return call(QStringLiteral("ReleaseName"), {name}).arguments().value(0).toBool();
}

void SimulatorControl::emitSignal(const QString& path, const QString& interface, const QString& name,
                                  const QVariantList& arguments)
{
    // Each argument travels in a variant of its own; a QDBusVariant stays a variant.
    call(QStringLiteral("EmitSignal"), {path, interface, name, QVariant::fromValue(arguments)});
}

QDBusMessage SimulatorControl::call(const QString& member, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(simulatorName, controlPath, controlInterface, member);
    message.setArguments(arguments);
    const QDBusMessage reply = m_connection.call(message);
    if (reply.type() == QDBusMessage::ErrorMessage)
        qFatal("Simulator control %s failed: %s", qPrintable(member), qPrintable(reply.errorMessage()));
    return reply;
}
