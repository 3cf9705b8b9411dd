#include "PrivateBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

namespace {
const int startBoundMs = 10000;
const QString checkConnection = QStringLiteral("private-bus-check");
} // namespace

PrivateBus::PrivateBus(const QString& limits)
    : m_limits(limits)
{
}

PrivateBus::~PrivateBus()
{
    kill();
}

QString PrivateBus::address() const
{
    return QStringLiteral("unix:path=") + m_directory.filePath(QStringLiteral("bus"));
}

bool PrivateBus::start()
{
    QFile config(m_directory.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write(QStringLiteral(
                     "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                     " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                     "<busconfig>\n  <type>session</type>\n  <listen>%1</listen>\n  <auth>EXTERNAL</auth>\n"
                     "  <policy context=\"default\">\n    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                     "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n  %2\n</busconfig>\n")
                     .arg(address(), m_limits)
                     .toUtf8());
    config.close();

    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address")});
    // The daemon prints its address once it listens.
    const QDeadlineTimer deadline(startBoundMs);
    while (!m_daemon.canReadLine() && !deadline.hasExpired() && m_daemon.state() != QProcess::NotRunning)
        m_daemon.waitForReadyRead(100);
    return m_daemon.canReadLine();
}

bool PrivateBus::startSimulator(const QStringList& arguments)
{
    m_simulator.setProcessChannelMode(QProcess::ForwardedChannels);
    m_simulator.start(QStringLiteral(VANTELO_SIMULATOR),
                      QStringList{QStringLiteral("--quiet"), QStringLiteral("--address"), address()} + arguments);
    bool appeared = false;
    {
        QDBusConnection check = QDBusConnection::connectToBus(address(), checkConnection);
        const QDeadlineTimer deadline(startBoundMs);
        while (!(appeared = check.interface()->isServiceRegistered(QStringLiteral("com.vantelo.Simulator"))) &&
               !deadline.hasExpired() && m_simulator.state() != QProcess::NotRunning)
            QThread::msleep(20);
    }
    QDBusConnection::disconnectFromBus(checkConnection);
    return appeared;
}

void PrivateBus::kill()
{
    for (QProcess* process : {&m_daemon, &m_simulator}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->kill();
        process->waitForFinished(startBoundMs);
    }
}
