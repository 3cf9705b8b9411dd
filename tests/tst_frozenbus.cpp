// Buses of its own (PrivateBus): it stops their daemon with SIGSTOP, which
// the test kit's device does not offer.
#include "PrivateBus.h"
#include "ProbeConnector.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <memory>

// A bus that takes connections and never answers: a dbus-daemon under
// SIGSTOP, or a socket that listens and never reads. Making a connector must
// not wait for it, calls must fail at once and say so, and connectors must
// work once the bus answers.
class FrozenBusTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void connectorsDoNotWaitForAFrozenBus_data();
    void connectorsDoNotWaitForAFrozenBus();
    void simulatorChecksAFrozenSystemBusInBoundedTime();
    void clientExitsWhenTheBusDoesNotAnswer();
};

namespace {
const int boundMs = 5000;
const QString service = QStringLiteral("com.vantelo.Frozen");
const QString interfaceName = QStringLiteral("com.vantelo.ControllerData");

// A socket that listens and never reads: the kernel takes connections into
// its backlog, and nothing ever answers them.
struct SilentSocket
{
    QTemporaryDir directory;
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    bool listening = false;

    SilentSocket()
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(path()).constData(), sizeof address.sun_path);
        listening =
            ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(socket, 16) == 0;
    }
    ~SilentSocket() { ::close(socket); }

    QString path() const { return directory.filePath(QStringLiteral("silent")); }
    QString address() const { return QStringLiteral("unix:path=") + path(); }
};

// Sends SIGCONT in any case when it goes: a test that hangs or fails leaves no stopped daemon.
struct StoppedDaemon
{
    explicit StoppedDaemon(qint64 pid)
        : pid(pid)
    {
        ::kill(pid_t(pid), SIGSTOP);
    }
    ~StoppedDaemon() { resume(); }
    void resume() { ::kill(pid_t(pid), SIGCONT); }
    const qint64 pid;
};

// Polls without running the event loop, as a thread without one would.
template <typename Condition>
bool becomesTrueWithoutEventLoop(Condition condition)
{
    const QDeadlineTimer deadline(boundMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
    return true;
}
} // namespace

void FrozenBusTest::connectorsDoNotWaitForAFrozenBus_data()
{
    QTest::addColumn<bool>("stoppedDaemon");
    QTest::addColumn<bool>("withEventLoop");
    QTest::newRow("stopped daemon, answered in the event loop") << true << true;
    QTest::newRow("stopped daemon, answered without an event loop") << true << false;
    QTest::newRow("socket that never answers") << false << false;
}

void FrozenBusTest::connectorsDoNotWaitForAFrozenBus()
{
    QFETCH(bool, stoppedDaemon);
    QFETCH(bool, withEventLoop);

    PrivateBus bus;
    SilentSocket silent;
    std::unique_ptr<StoppedDaemon> stopped;
    QString address;
    if (stoppedDaemon) {
        QVERIFY(bus.start());
        QVERIFY(bus.connection().registerService(service));
        address = bus.address();
        stopped = std::make_unique<StoppedDaemon>(bus.daemonProcessId());
    } else {
        QVERIFY(silent.listening);
        address = silent.address();
    }
    // Each row has its own bus, and so a link of its own.
    qputenv("VANTELO_DBUS_ADDRESS", address.toUtf8());

    QElapsedTimer made;
    made.start();
    const auto connector =
        ProbeConnector::create(QStringLiteral("Frozen"), QStringLiteral("Controller"), interfaceName);
    QVERIFY2(made.elapsed() < 1000, qPrintable(QString::number(made.elapsed())));

    QElapsedTimer called;
    called.start();
    const DBusReply reply = connector->syncCallHelper(QStringLiteral("getControllerList"));
    // A bus that has not answered within 2 s does not answer.
    QVERIFY2(called.elapsed() < 3000, qPrintable(QString::number(called.elapsed())));
    QVERIFY(reply.isError());
    QVERIFY2(reply.getError().getErrorMessage().endsWith(QStringLiteral("the bus at %1 does not answer").arg(address)),
             qPrintable(reply.getError().getErrorMessage()));
    QCOMPARE(reply.getError().getErrorName(), QDBusError::errorString(QDBusError::Disconnected));
    QVERIFY(!connector->asyncCallHelper(QStringLiteral("getControllerList")));

    if (!stopped)
        return;
    stopped->resume();
    if (withEventLoop)
        QTRY_VERIFY_WITH_TIMEOUT(connector->isDBusInterfaceValid(), boundMs);
    else
        QVERIFY(becomesTrueWithoutEventLoop([&] { return connector->isDBusInterfaceValid(); }));
    // Now on the bus: the service has no such object, and says so.
    QCOMPARE(connector->syncCallHelper(QStringLiteral("getControllerList")).getError().getErrorName(),
             QDBusError::errorString(QDBusError::UnknownObject));
}

void FrozenBusTest::simulatorChecksAFrozenSystemBusInBoundedTime()
{
    PrivateBus served;
    PrivateBus system;
    QVERIFY(served.start() && system.start());
    const StoppedDaemon stopped(system.daemonProcessId());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", system.address().toUtf8());
    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::ForwardedChannels);
    const bool started = served.startSimulator({QStringLiteral("--bare")}, &simulator);
    qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    QVERIFY(started);
    simulator.kill();
    simulator.waitForFinished(boundMs);
}

void FrozenBusTest::clientExitsWhenTheBusDoesNotAnswer()
{
    SilentSocket silent;
    QVERIFY(silent.listening);
    const QString address = silent.address();
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTELO_DBUS_ADDRESS"), address);
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(VANTELO_CLI),
              {QStringLiteral("call"), QStringLiteral("controller"), QStringLiteral("setFaultController")});
    QVERIFY(cli.waitForFinished(boundMs));
    QCOMPARE(cli.exitCode(), 1);
    QVERIFY2(cli.readAllStandardError().contains(QStringLiteral("the bus at %1 does not answer").arg(address).toUtf8()),
             "no reason given");
}

QTEST_MAIN(FrozenBusTest)

#include "tst_frozenbus.moc"
