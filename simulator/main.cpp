#include "BusLoss.h"
#include "BusTarget.h"
#include "CallResponder.h"
#include "ControlInterface.h"
#include "ControlService.h"
#include "DBusReply.h"
#include "InterfaceCatalogue.h"
#include "RecordedCall.h"
#include "Scenario.h"
#include "ScenarioReader.h"
#include "DeviceBehaviour.h"
#include "SimulatedServices.h"
#include "StatusItemRecord.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusMetaType>
#include <QSocketNotifier>
#include <QTextStream>

#include <climits>
#include <csignal>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Exit statuses: refused before touching the bus, and failed on it.
const int refused = 2;
const int failed = 1;
const uint defaultCallLog = 10000;

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

void addOptions(QCommandLineParser& options)
{
    options.setApplicationDescription(QStringLiteral(
        "Simulates the device's services on a D-Bus bus: serves the objects of a scenario under their bus "
        "names, answers their method calls from it and records the calls. Its owner changes the answers "
        "through the interface com.vantelo.Simulator.Control at /com/vantelo/Simulator on "
        "com.vantelo.Simulator.\n"
        "Exit status 2: refused at start (options, scenario, the system bus without --system); "
        "1: failed on the bus, or the bus went away."));
    options.addHelpOption();
    options.addVersionOption();
    options.addOptions({
        {QStringLiteral("address"), QStringLiteral("Serve on the bus at <address>."), QStringLiteral("address")},
        {QStringLiteral("session"), QStringLiteral("Serve on the session bus.")},
        {QStringLiteral("system"), QStringLiteral("Serve on the system bus; without it the system bus is refused, "
                                                  "however it is reached.")},
        {QStringLiteral("scenario"), QStringLiteral("Serve the scenario in <file> instead of the default one."),
         QStringLiteral("file")},
        {QStringLiteral("bare"), QStringLiteral("Serve no scenario: be the permissive recording peer the library's "
                                                "tests need, which records calls to any path, interface and "
                                                "method, answers them with empty envelopes, keeps no state and "
                                                "takes any name through OwnName.")},
        {QStringLiteral("own"), QStringLiteral("With --bare, own the bus name <name> from the start (repeatable)."),
         QStringLiteral("name")},
        {QStringLiteral("no-control"), QStringLiteral("Serve the scenario alone: no control interface, and the "
                                                      "name com.vantelo.Simulator stays free.")},
        {QStringLiteral("control-user"),
         QStringLiteral("Let the user <uid> use the control interface instead of "
                        "the one who started the simulator."),
         QStringLiteral("uid")},
        {QStringLiteral("call-log"),
         QStringLiteral("Keep the last <n> calls for Calls() (default %1).").arg(defaultCallLog), QStringLiteral("n")},
        {QStringLiteral("quiet"), QStringLiteral("Do not log calls.")},
    });
}

// The bus the options and VANTELO_DBUS_ADDRESS choose, the variable read as
// the library reads it: unset or "system" is the system bus, which needs --system.
std::optional<BusTarget> chooseBus(const QCommandLineParser& options, QString* error)
{
    const bool system = options.isSet(QStringLiteral("system"));
    const bool session = options.isSet(QStringLiteral("session"));
    const bool address = options.isSet(QStringLiteral("address"));
    if (int(system) + int(session) + int(address) > 1) {
        *error = QStringLiteral("--system, --session and --address exclude each other");
        return std::nullopt;
    }
    if (address && options.value(QStringLiteral("address")).isEmpty()) {
        *error = QStringLiteral("--address needs an address");
        return std::nullopt;
    }
    if (system)
        return BusTarget::systemBus();
    if (session)
        return BusTarget::sessionBus();
    if (address)
        return BusTarget::atAddress(options.value(QStringLiteral("address")));
    const QString variable = qEnvironmentVariable("VANTELO_DBUS_ADDRESS");
    if (variable.isEmpty() || variable == QLatin1String("system")) {
        *error = QStringLiteral("refusing the system bus without --system; give --address, --session or "
                                "VANTELO_DBUS_ADDRESS");
        return std::nullopt;
    }
    return variable == QLatin1String("session") ? BusTarget::sessionBus() : BusTarget::atAddress(variable);
}

bool readNumber(const QCommandLineParser& options, const QString& name, uint* number, QString* error)
{
    if (!options.isSet(name))
        return true;
    bool ok = false;
    *number = options.value(name).toUInt(&ok);
    if (!ok)
        *error = QStringLiteral("--%1 takes a number, not '%2'").arg(name, options.value(name));
    return ok;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantelo-simulator"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTELO_VERSION));
    QCommandLineParser options;
    addOptions(options);
    options.process(app);

    QTextStream err(stderr);
    const bool bare = options.isSet(QStringLiteral("bare"));
    uint owner = ::getuid();
    uint callLog = defaultCallLog;
    QString error;
    if (bare && options.isSet(QStringLiteral("scenario")))
        error = QStringLiteral("--bare serves no scenario");
    else if (!bare && options.isSet(QStringLiteral("own")))
        error = QStringLiteral("--own is for --bare; a scenario's names come from its objects");
    else if (options.values(QStringLiteral("own")).contains(ControlInterface::serviceName()))
        error = QStringLiteral("--own %1: that is the simulator's own name").arg(ControlInterface::serviceName());
    const std::optional<BusTarget> bus = error.isEmpty() ? chooseBus(options, &error) : std::nullopt;

    // Everything that can be refused is, before the bus is touched.
    InterfaceCatalogue catalogue;
    Scenario scenario;
    const QString scenarioFile = options.isSet(QStringLiteral("scenario")) ? options.value(QStringLiteral("scenario"))
                                                                           : QStringLiteral(":/scenarios/default.json");
    if (!bus || !readNumber(options, QStringLiteral("control-user"), &owner, &error) ||
        !readNumber(options, QStringLiteral("call-log"), &callLog, &error) ||
        !catalogue.load(QStringLiteral(":/interfaces"), &error) ||
        (!bare && !ScenarioReader(catalogue).read(scenarioFile, &scenario, &error))) {
        err << "vantelo-simulator: " << error << '\n';
        return refused;
    }

    QDBusConnection first = bus->connect(QStringLiteral("vantelo-simulator"));
    if (!first.isConnected()) {
        err << "vantelo-simulator: cannot connect to the " << bus->description() << ": " << first.lastError().message()
            << '\n';
        return failed;
    }
    if (!options.isSet(QStringLiteral("system")) && BusTarget::isSystemBus(first)) {
        err << "vantelo-simulator: refusing the system bus without --system: the " << bus->description()
            << " is the system bus\n";
        return refused;
    }

    qDBusRegisterMetaType<DBusReply>();
    qDBusRegisterMetaType<RecordedCall>();
    qDBusRegisterMetaType<QList<RecordedCall>>();
    qDBusRegisterMetaType<StatusItemRecord>();
    qDBusRegisterMetaType<QList<StatusItemRecord>>();

    DeviceBehaviour device(scenario, !bare);
    CallResponder responder(device, int(qMin(callLog, uint(INT_MAX))));
    SimulatedServices services(*bus, catalogue, responder, !options.isSet(QStringLiteral("quiet")));
    std::unique_ptr<ControlService> control;
    if (options.isSet(QStringLiteral("no-control")))
        QDBusConnection::disconnectFromBus(first.name());
    else
        control = std::make_unique<ControlService>(first, catalogue, responder, services, owner);

    // The control name comes last: once it is on the bus, everything is served.
    const bool serving = (bare ? services.serveBare(options.values(QStringLiteral("own")), &error)
                               : services.serveScenario(scenario, &error)) &&
                         (!control || control->serve(&error)) && services.ownNames(&error) &&
                         (!control || control->ownName(&error));
    if (!serving) {
        err << "vantelo-simulator: " << error << '\n';
        return failed;
    }
    BusLoss busLoss(bus->description());
    for (const QDBusConnection& connection : services.connections())
        busLoss.watch(connection);
    if (control)
        busLoss.watch(first);

    quitOnTerminationSignals(app);
    return app.exec();
}
