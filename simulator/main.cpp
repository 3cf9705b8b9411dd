#include "DBusReply.h"
#include "InterfaceCatalogue.h"
#include "RecordedCall.h"
#include "Scenario.h"
#include "SimulatedObjects.h"
#include "StatusItemRecord.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const QString controlName = QStringLiteral("com.vantelo.Simulator");
int signalPipe[2];

// SIGINT and SIGTERM end the event loop through a pipe, so shutdown runs
// as a normal return from main.
void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void quitOnTerminationSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

QDBusConnection connectBus(const QCommandLineParser& options, QString* description)
{
    if (options.isSet(QStringLiteral("system"))) {
        *description = QStringLiteral("system bus");
        return QDBusConnection::systemBus();
    }
    if (options.isSet(QStringLiteral("session"))) {
        *description = QStringLiteral("session bus");
        return QDBusConnection::sessionBus();
    }
    QString address = options.value(QStringLiteral("address"));
    if (address.isEmpty())
        address = qEnvironmentVariable("VANTELO_DBUS_ADDRESS");
    *description = address;
    return QDBusConnection::connectToBus(address, QStringLiteral("vantelo-simulator"));
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantelo-simulator"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTELO_VERSION));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "Simulates the device's services on a D-Bus bus: serves the objects of a scenario, answers every "
        "method call from it, records the calls, and takes orders on the interface "
        "com.vantelo.Simulator.Control."));
    options.addHelpOption();
    options.addVersionOption();
    options.addOptions({
        {QStringLiteral("address"), QStringLiteral("Serve on the bus at <address>."), QStringLiteral("address")},
        {QStringLiteral("session"), QStringLiteral("Serve on the session bus.")},
        {QStringLiteral("system"), QStringLiteral("Serve on the system bus (anyone on it can change the answers).")},
        {QStringLiteral("scenario"), QStringLiteral("Serve the scenario in <file> instead of the default one."),
         QStringLiteral("file")},
        {QStringLiteral("bare"), QStringLiteral("Serve no scenario and keep no state: record calls and answer "
                                                "them with empty envelopes, as tests want.")},
        {QStringLiteral("own"), QStringLiteral("Own the bus name <name> as well (repeatable)."), QStringLiteral("name")},
        {QStringLiteral("quiet"), QStringLiteral("Do not log calls.")},
    });
    options.process(app);

    QTextStream err(stderr);
    const QString address = qEnvironmentVariable("VANTELO_DBUS_ADDRESS");
    if (!options.isSet(QStringLiteral("system")) && !options.isSet(QStringLiteral("session")) &&
        !options.isSet(QStringLiteral("address")) && (address.isEmpty() || address == QLatin1String("system"))) {
        err << "vantelo-simulator: refusing the system bus without --system; give --address, --session or "
               "VANTELO_DBUS_ADDRESS\n";
        return 2;
    }

    InterfaceCatalogue catalogue;
    Scenario scenario;
    QString error;
    const bool bare = options.isSet(QStringLiteral("bare"));
    const QString scenarioFile = options.isSet(QStringLiteral("scenario")) ? options.value(QStringLiteral("scenario"))
                                                                            : QStringLiteral(":/scenarios/default.json");
    if (!catalogue.load(QStringLiteral(":/interfaces"), &error) ||
        (!bare && !scenario.load(scenarioFile, catalogue, &error))) {
        err << "vantelo-simulator: " << error << '\n';
        return 2;
    }

    QString busDescription;
    QDBusConnection connection = connectBus(options, &busDescription);
    if (!connection.isConnected()) {
        err << "vantelo-simulator: cannot connect to " << busDescription << ": " << connection.lastError().message()
            << '\n';
        return 1;
    }

    qDBusRegisterMetaType<DBusReply>();
    qDBusRegisterMetaType<RecordedCall>();
    qDBusRegisterMetaType<QList<RecordedCall>>();
    qDBusRegisterMetaType<StatusItemRecord>();
    qDBusRegisterMetaType<QList<StatusItemRecord>>();

    SimulatedObjects objects(connection, catalogue, scenario, !bare, !options.isSet(QStringLiteral("quiet")));
    if (!connection.registerVirtualObject(QStringLiteral("/"), &objects, QDBusConnection::SubPath)) {
        err << "vantelo-simulator: cannot serve object paths: " << connection.lastError().message() << '\n';
        return 1;
    }
    // The control name comes last: once it is on the bus, everything is served.
    const QStringList names = scenario.services() + options.values(QStringLiteral("own")) + QStringList(controlName);
    for (const QString& name : names) {
        if (!connection.registerService(name)) {
            err << "vantelo-simulator: cannot own " << name << ": " << connection.lastError().message() << '\n';
            return 1;
        }
    }

    quitOnTerminationSignals(app);
    const int result = app.exec();
    connection.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
    return result;
}
