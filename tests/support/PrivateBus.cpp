#include "PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>

namespace {
const int startBoundMs = 10000;
} // namespace

QString PrivateBus::openPolicy()
{
    return QStringLiteral("<policy context=\"default\">\n"
                          "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                          "    <allow eavesdrop=\"true\"/>\n"
                          "    <allow own=\"*\"/>\n"
                          "  </policy>\n");
}

PrivateBus::PrivateBus(const QString& configuration)
    : m_configuration(configuration)
{
}

PrivateBus::~PrivateBus()
{
    kill();
}

QString PrivateBus::address() const
{
    return m_address.isEmpty() ? QStringLiteral("unix:path=") + socketPath() : m_address;
}

QString PrivateBus::socketPath() const
{
    return m_directory.filePath(QStringLiteral("bus"));
}

QDBusConnection PrivateBus::connection() const
{
    return QDBusConnection::connectToBus(address(), address());
}

bool PrivateBus::start()
{
    QFile config(m_directory.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write(
        QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig>\n  <type>session</type>\n  <listen>unix:path=%1</listen>\n  <auth>EXTERNAL</auth>\n"
                       "  %2\n</busconfig>\n")
            .arg(socketPath(), m_configuration)
            .toUtf8());
    config.close();

    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config.fileName(),
                                                   QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    // The daemon prints its address once it listens.
    const QDeadlineTimer deadline(startBoundMs);
    while (!m_daemon.canReadLine() && !deadline.hasExpired() && m_daemon.state() != QProcess::NotRunning)
        m_daemon.waitForReadyRead(100);
    m_address = m_daemon.canReadLine() ? QString::fromUtf8(m_daemon.readLine()).trimmed() : QString();
    return !m_address.isEmpty();
}

bool PrivateBus::startSimulator(const QStringList& arguments, QProcess* simulator, const QString& name)
{
    if (!simulator) {
        simulator = &m_simulator;
        simulator->setProcessChannelMode(QProcess::ForwardedChannels);
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTELO_DBUS_ADDRESS"), address());
    simulator->setProcessEnvironment(environment);
    simulator->start(QStringLiteral(VANTELO_SIMULATOR), arguments + QStringList(QStringLiteral("--quiet")));
    QDBusConnection check = connection();
    const QDeadlineTimer deadline(startBoundMs);
    while (!check.interface()->isServiceRegistered(name)) {
        if (deadline.hasExpired() || simulator->state() == QProcess::NotRunning)
            return false;
        simulator->waitForFinished(20); // a short poll that ends early if it exits
    }
    return true;
}

void PrivateBus::kill()
{
    QDBusConnection::disconnectFromBus(address());
    for (QProcess* process : {&m_daemon, &m_simulator}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->kill();
        process->waitForFinished(startBoundMs);
    }
}
