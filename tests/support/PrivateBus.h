#ifndef PRIVATEBUS_H
#define PRIVATEBUS_H

#include "BoundProcess.h"

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A dbus-daemon of the test's own at a fixed socket path, so that it can be
// killed and started again at the same address, and the simulator on it.
// Everything it starts ends with it.
class PrivateBus
{
public:
    // Anyone may own any name, send anything and receive it.
    static QString openPolicy();

    // `configuration` goes into the bus configuration as it is, for example
    // openPolicy() + "<limit name=\"max_replies_per_connection\">4</limit>".
    explicit PrivateBus(const QString& configuration = openPolicy());
    ~PrivateBus();

    // The address the daemon gave, with its guid; the socket's address before it started.
    QString address() const;
    QString socketPath() const;
    QString directory() const { return m_directory.path(); }
    // The daemon's process, for tests that stop it.
    qint64 daemonProcessId() const { return m_daemon.processId(); }
    // A connection of the test's own.
    QDBusConnection connection() const;

    // Each waits for what it starts, bounded; false when it did not come up.
    bool start();
    // Starts the simulator with VANTELO_DBUS_ADDRESS pointing here (and --quiet), in the
    // given process or one the bus keeps, and waits until `name` has an owner; false
    // when the simulator ended first or the name took too long.
    bool startSimulator(const QStringList& arguments = {QStringLiteral("--bare")}, QProcess* simulator = nullptr,
                        const QString& name = QStringLiteral("com.vantelo.Simulator"));
    // Ends the daemon at once, as a crash would; the simulator goes with it.
    void kill();

private:
    QTemporaryDir m_directory;
    QString m_configuration;
    QString m_address;
    BoundProcess m_daemon;
    BoundProcess m_simulator;
};

#endif // PRIVATEBUS_H
