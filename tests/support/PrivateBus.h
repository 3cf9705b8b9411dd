#ifndef PRIVATEBUS_H
#define PRIVATEBUS_H

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A dbus-daemon of the test's own at a fixed socket path, so that it can be
// killed and started again at the same address, and the simulator on it.
// Everything it starts ends with it.
class PrivateBus
{
public:
    // `limits` goes into the bus configuration as it is, for example
    // <limit name="max_replies_per_connection">4</limit>.
    explicit PrivateBus(const QString& limits = QString());
    ~PrivateBus();

    QString address() const;

    // Each waits for what it starts, bounded; false when it did not come up.
    bool start();
    bool startSimulator(const QStringList& arguments = {QStringLiteral("--bare")});
    // Ends the daemon at once, as a crash would; the simulator goes with it.
    void kill();

private:
    QTemporaryDir m_directory;
    QString m_limits;
    QProcess m_daemon;
    QProcess m_simulator;
};

#endif // PRIVATEBUS_H
