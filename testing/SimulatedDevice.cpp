#include "SimulatedDevice.h"

#include "BoundProcess.h"
#include "DBusArgumentTree.h"
#include "DBusConnection.h"
#include "InterfaceCatalogue.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <dlfcn.h>

namespace {
const QString simulatorName = QStringLiteral("com.vantelo.Simulator");
const QString controlPath = QStringLiteral("/com/vantelo/Simulator");
const QString controlInterface = QStringLiteral("com.vantelo.Simulator.Control");
const char addressVariable[] = "VANTELO_DBUS_ADDRESS";
// Bounds every wait: for the bus, the simulator, a control order, the library's reconnection.
const int boundMs = 10000;

// A value from the bus as plain Qt values, all the way down.
QVariant plain(const QVariant& value)
{
    const int type = value.userType();
    if (type == qMetaTypeId<QDBusArgument>())
        return DBusArgumentTree::read<QVariantList, QVariantMap>(qvariant_cast<QDBusArgument>(value), &plain);
    if (type == qMetaTypeId<QDBusVariant>())
        return plain(qvariant_cast<QDBusVariant>(value).variant());
    if (type == qMetaTypeId<QDBusObjectPath>())
        return qvariant_cast<QDBusObjectPath>(value).path();
    if (type == qMetaTypeId<QDBusSignature>())
        return qvariant_cast<QDBusSignature>(value).signature();
    return value;
}

// Where the simulator installed with this library lies: the library's own
// folder, then the relative path from the library folder to the programs.
QString installedSimulator()
{
    Dl_info info;
    if (!::dladdr(reinterpret_cast<void*>(&installedSimulator), &info) || !info.dli_fname)
        return QString();
    const QString libraryDir = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    return QDir(libraryDir).filePath(QStringLiteral(VANTELO_LIB_TO_BIN "/vantelo-simulator"));
}

QString findSimulator()
{
    const QString configured = qEnvironmentVariable("VANTELO_SIMULATOR");
    if (!configured.isEmpty())
        return configured;
    for (const QString& candidate : {installedSimulator(), QStringLiteral(VANTELO_BUILD_SIMULATOR)}) {
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return QStandardPaths::findExecutable(QStringLiteral("vantelo-simulator"));
}

// Keeps the event loop turning until `done` or the bound; whether it is done.
template <typename Condition>
bool waitFor(const Condition& done)
{
    const QDeadlineTimer deadline(boundMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}
} // namespace

class SimulatedDevicePrivate
{
public:
    bool loadCatalogue();
    bool startBus();
    bool startSimulator();
    void stopSimulator();
    void stopAll();
    bool fail(const QString& error)
    {
        errorString = error;
        return false;
    }
    bool succeed()
    {
        errorString.clear();
        return true;
    }
    QString socketAddress() const { return QStringLiteral("unix:path=") + directory.filePath(QStringLiteral("bus")); }
    // Why the pair can't take an order; empty if it can.
    QString refusalOf(const QString& interface, const QString& member) const;
    // Sends an order over the library's connection, so that it takes effect
    // after the calls the application sent before it.
    bool order(const QString& member, const QVariantList& arguments = {}, QDBusMessage* reply = nullptr);
    bool setAnswer(const QString& interface, const QString& member, const QString& order,
                   const QVariantList& arguments);
    bool changeName(const QString& module, bool own);

    QTemporaryDir directory;
    BoundProcess daemon;
    BoundProcess simulator;
    QString scenarioFile;
    QStringList simulatorOptions;
    QString errorString;
    QString ownConnection;
    InterfaceCatalogue catalogue;
    bool running = false;
    // The runner's bus, when driving its simulator: nothing of it is ours to stop.
    QString attachedAddress;
    bool attached() const { return !attachedAddress.isEmpty(); }
    bool hadAddress = false;
    QByteArray previousAddress;
};

bool SimulatedDevicePrivate::loadCatalogue()
{
    QString error;
    if (catalogue.names().isEmpty() && !catalogue.load(QStringLiteral(":/vantelo-testing/interfaces"), &error))
        return fail(error);
    return true;
}

bool SimulatedDevicePrivate::startBus()
{
    QFile config(directory.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write %1: %2").arg(config.fileName(), config.errorString()));
    config.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                                " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                "<busconfig>\n  <type>session</type>\n  <listen>%1</listen>\n"
                                "  <auth>EXTERNAL</auth>\n  <policy context=\"default\">\n"
                                "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                                "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n"
                                "</busconfig>\n")
                     .arg(socketAddress())
                     .toUtf8());
    config.close();

    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config.fileName(),
                                                 QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (!daemon.waitForStarted(boundMs))
        return fail(QStringLiteral("cannot start dbus-daemon: %1").arg(daemon.errorString()));
    // The daemon prints its address once it listens.
    const QDeadlineTimer deadline(boundMs);
    while (!daemon.canReadLine() && !deadline.hasExpired() && daemon.state() != QProcess::NotRunning)
        daemon.waitForReadyRead(100);
    if (!daemon.canReadLine())
        return fail(QStringLiteral("dbus-daemon gave no address within %1 ms").arg(boundMs));
    daemon.readAll();
    return true;
}

bool SimulatedDevicePrivate::startSimulator()
{
    const QString program = findSimulator();
    if (program.isEmpty())
        return fail(QStringLiteral("no vantelo-simulator found: install it, or set VANTELO_SIMULATOR"));
    QStringList arguments{QStringLiteral("--quiet"), QStringLiteral("--address"), socketAddress()};
    if (!scenarioFile.isEmpty())
        arguments << QStringLiteral("--scenario") << scenarioFile;
    arguments += simulatorOptions;
    simulator.setStandardOutputFile(QProcess::nullDevice());
    simulator.start(program, arguments);
    if (!simulator.waitForStarted(boundMs))
        return fail(QStringLiteral("cannot start %1: %2").arg(program, simulator.errorString()));

    // The simulator takes its control name last, once everything is served.
    QDBusConnection::disconnectFromBus(ownConnection);
    const QDBusConnection check = QDBusConnection::connectToBus(socketAddress(), ownConnection);
    const QDeadlineTimer deadline(boundMs);
    while (!check.interface()->isServiceRegistered(simulatorName)) {
        if (simulator.state() == QProcess::NotRunning) {
            const QString said = QString::fromLocal8Bit(simulator.readAllStandardError()).trimmed();
            return fail(said.isEmpty()
                            ? QStringLiteral("vantelo-simulator ended with status %1").arg(simulator.exitCode())
                            : said);
        }
        if (deadline.hasExpired())
            return fail(QStringLiteral("the simulator did not appear on the bus within %1 ms").arg(boundMs));
        simulator.waitForFinished(20); // a short poll that ends early if it exits
    }
    return true;
}

void SimulatedDevicePrivate::stopSimulator()
{
    if (simulator.state() == QProcess::NotRunning)
        return;
    simulator.terminate();
    if (!simulator.waitForFinished(boundMs)) {
        simulator.kill();
        simulator.waitForFinished(boundMs);
    }
}

void SimulatedDevicePrivate::stopAll()
{
    stopSimulator();
    QDBusConnection::disconnectFromBus(ownConnection);
    if (daemon.state() != QProcess::NotRunning) {
        daemon.kill();
        daemon.waitForFinished(boundMs);
    }
    running = false;
    attachedAddress.clear();
}

QString SimulatedDevicePrivate::refusalOf(const QString& interface, const QString& member) const
{
    const InterfaceCatalogue::Interface* described = catalogue.find(interface);
    if (!described)
        return QStringLiteral("the device has no interface %1").arg(interface);
    if (!described->methods.contains(member))
        return QStringLiteral("%1 has no method %2").arg(interface, member);
    return QString();
}

bool SimulatedDevicePrivate::order(const QString& member, const QVariantList& arguments, QDBusMessage* reply)
{
    if (!running)
        return fail(QStringLiteral("the simulated device is not running"));
    QDBusMessage call = QDBusMessage::createMethodCall(simulatorName, controlPath, controlInterface, member);
    call.setArguments(arguments);
    const QDBusMessage answer = DBusConnection::getQDBusConnection().call(call, QDBus::Block, boundMs);
    if (answer.type() == QDBusMessage::ErrorMessage)
        return fail(QStringLiteral("%1 refused: %2 (%3)").arg(member, answer.errorMessage(), answer.errorName()));
    if (reply)
        *reply = answer;
    return succeed();
}

bool SimulatedDevicePrivate::setAnswer(const QString& interface, const QString& member, const QString& orderName,
                                       const QVariantList& arguments)
{
    const QString refusal = refusalOf(interface, member);
    if (!refusal.isEmpty())
        return fail(refusal);
    return order(orderName, QVariantList{member} + arguments);
}

bool SimulatedDevicePrivate::changeName(const QString& module, bool own)
{
    QDBusMessage reply;
    // A module's name has no dot; a bus name has.
    const QString name = module.contains(QLatin1Char('.')) ? module : QStringLiteral("com.vantelo.") + module;
    if (!order(own ? QStringLiteral("OwnName") : QStringLiteral("ReleaseName"), {name}, &reply))
        return false;
    if (!reply.arguments().value(0).toBool())
        return fail(own ? QStringLiteral("%1 could not be taken").arg(name)
                        : QStringLiteral("%1 was not on the bus").arg(name));
    return true;
}

SimulatedDevice::SimulatedDevice()
    : d(std::make_unique<SimulatedDevicePrivate>())
{
    d->ownConnection = QStringLiteral("vantelo-testing ") + d->directory.path();
}

SimulatedDevice::~SimulatedDevice()
{
    if (d->running && !d->attached()) {
        if (d->hadAddress)
            qputenv(addressVariable, d->previousAddress);
        else
            qunsetenv(addressVariable);
    }
    d->stopAll();
}

bool SimulatedDevice::start(const QString& scenarioFile, const QStringList& simulatorOptions)
{
    if (d->running)
        return d->fail(QStringLiteral("the simulated device runs already"));
    if (!d->directory.isValid())
        return d->fail(QStringLiteral("cannot make a temporary folder: %1").arg(d->directory.errorString()));
    if (!d->loadCatalogue())
        return false;
    d->simulatorOptions = simulatorOptions;
    d->scenarioFile = scenarioFile.isEmpty() ? QString() : QFileInfo(scenarioFile).absoluteFilePath();
    if (!d->startBus() || !d->startSimulator()) {
        const QString reason = d->errorString;
        d->stopAll();
        return d->fail(reason);
    }
    d->hadAddress = qEnvironmentVariableIsSet(addressVariable);
    d->previousAddress = qgetenv(addressVariable);
    qputenv(addressVariable, d->socketAddress().toUtf8());
    d->running = true;
    return d->succeed();
}

bool SimulatedDevice::attach()
{
    if (d->running)
        return d->fail(QStringLiteral("the simulated device runs already"));
    const QString address = qEnvironmentVariable(addressVariable);
    // "system", "session" and nothing name the machine's buses, never driven from a test.
    if (!address.contains(QLatin1Char(':')))
        return d->fail(QStringLiteral("%1 names no bus address (it is '%2'): run the test under vantelo-with-simulator")
                           .arg(QLatin1String(addressVariable), address));
    if (!d->loadCatalogue())
        return false;
    const QDBusConnection connection = DBusConnection::getQDBusConnection();
    if (!connection.isConnected())
        return d->fail(
            QStringLiteral("the bus at %1 is not reachable: %2").arg(address, connection.lastError().message()));
    if (!waitFor([&] { return connection.interface()->isServiceRegistered(simulatorName).value(); }))
        return d->fail(
            QStringLiteral("the simulator did not appear on the bus at %1 within %2 ms").arg(address).arg(boundMs));
    d->attachedAddress = address;
    d->running = true;
    return d->succeed();
}

bool SimulatedDevice::isRunning() const
{
    return d->running;
}

QString SimulatedDevice::address() const
{
    return d->attached() ? d->attachedAddress : d->socketAddress();
}

QString SimulatedDevice::errorString() const
{
    return d->errorString;
}

bool SimulatedDevice::setReply(const QString& interface, const QString& member, int code, const QString& message,
                               const QVariant& value)
{
    return d->setAnswer(interface, member, QStringLiteral("SetReply"),
                        {code, message, QVariant::fromValue(QDBusVariant(value.isValid() ? value : QString()))});
}

bool SimulatedDevice::setError(const QString& interface, const QString& member, const QString& errorName,
                               const QString& message)
{
    return d->setAnswer(interface, member, QStringLiteral("SetError"), {errorName, message});
}

bool SimulatedDevice::setRawReply(const QString& interface, const QString& member, const QVariant& value)
{
    if (!value.isValid())
        return d->fail(QStringLiteral("a raw reply needs a value"));
    return d->setAnswer(interface, member, QStringLiteral("SetRawReply"), {QVariant::fromValue(QDBusVariant(value))});
}

bool SimulatedDevice::setNoReply(const QString& interface, const QString& member)
{
    return d->setAnswer(interface, member, QStringLiteral("SetNoReply"), {});
}

bool SimulatedDevice::setDelay(const QString& interface, const QString& member, int milliseconds)
{
    if (milliseconds < 0)
        return d->fail(QStringLiteral("a delay of %1 ms is none").arg(milliseconds));
    return d->setAnswer(interface, member, QStringLiteral("SetDelay"), {uint(milliseconds)});
}

int SimulatedDevice::releaseHeld()
{
    QDBusMessage reply;
    return d->order(QStringLiteral("ReleaseHeld"), {}, &reply) ? int(reply.arguments().value(0).toUInt()) : -1;
}

bool SimulatedDevice::emitSignal(const QString& object, const QString& interface, const QString& name,
                                 const QVariantList& arguments)
{
    const QString path = object.startsWith(QLatin1Char('/')) ? object : QStringLiteral("/com/vantelo/") + object;
    // Each argument travels in a variant of its own.
    return d->order(QStringLiteral("EmitSignal"), {path, interface, name, QVariant::fromValue(arguments)});
}

QList<QVariantList> SimulatedDevice::calls(const QString& interface, const QString& member)
{
    QList<QVariantList> found;
    for (const Call& call : recordedCalls(interface, member))
        found.append(call.arguments);
    return found;
}

QList<SimulatedDevice::Call> SimulatedDevice::recordedCalls(const QString& interface, const QString& member)
{
    QDBusMessage reply;
    QList<Call> found;
    if (!d->order(QStringLiteral("Calls"), {}, &reply))
        return found;
    // a(ssssav): path, interface, method, signature, arguments.
    const QDBusArgument recorded = qvariant_cast<QDBusArgument>(reply.arguments().value(0));
    recorded.beginArray();
    while (!recorded.atEnd()) {
        Call call;
        recorded.beginStructure();
        recorded >> call.path >> call.interface >> call.member >> call.signature;
        recorded.beginArray();
        while (!recorded.atEnd()) {
            QDBusVariant argument;
            recorded >> argument;
            call.arguments.append(plain(argument.variant()));
        }
        recorded.endArray();
        recorded.endStructure();
        if ((interface.isEmpty() || interface == call.interface) && (member.isEmpty() || member == call.member))
            found.append(call);
    }
    recorded.endArray();
    return found;
}

bool SimulatedDevice::clearCalls()
{
    return d->order(QStringLiteral("ClearCalls"));
}

bool SimulatedDevice::stopService(const QString& module)
{
    return d->changeName(module, false);
}

bool SimulatedDevice::startService(const QString& module)
{
    return d->changeName(module, true);
}

bool SimulatedDevice::restartBus()
{
    if (!d->running)
        return d->fail(QStringLiteral("the simulated device is not running"));
    if (d->attached())
        return d->fail(QStringLiteral("the bus of an attached device is its runner's: it is not restarted from here"));
    d->running = false;
    d->daemon.kill();
    d->daemon.waitForFinished(boundMs);
    // The simulator ends by itself when its bus goes; a stuck one is stopped.
    if (!d->simulator.waitForFinished(boundMs))
        d->stopSimulator();
    if (!d->startBus() || !d->startSimulator()) {
        const QString reason = d->errorString;
        d->stopAll();
        return d->fail(reason);
    }
    // The library makes its connection again on its own, trying at growing intervals.
    if (!waitFor([] { return DBusConnection::getQDBusConnection().isConnected(); }))
        return d->fail(QStringLiteral("the library did not connect to the restarted bus within %1 ms").arg(boundMs));
    d->running = true;
    return d->succeed();
}

bool SimulatedDevice::reset()
{
    return d->order(QStringLiteral("Reset"));
}
