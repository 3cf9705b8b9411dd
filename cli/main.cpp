#include "ConnectorTable.h"
#include "DBusConnection.h"
#include "Demo.h"
#include "Snapshot.h"
#include "JsonValue.h"
#include "StatusItemMap.h"
#include "VanteloDefinitions.h"
#include "WordArguments.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>
#include <QTimer>

#include <cmath>
#include <limits>
#include <utility>

namespace {
enum ExitCode {
    Success = 0,
    CallFailed = 1,
    WrongUsage = 2
};

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

// The library's warnings repeat what the client prints itself: shown only when asked for.
bool verbose = false;
bool json = false;

void printWarningsIfVerbose(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (verbose || type == QtFatalMsg)
        err() << message << Qt::endl;
}

// Options of every command, before or after it.
const QCommandLineOption verboseOption(QStringLiteral("verbose"), QStringLiteral("Show the library's warnings."));
const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("JSON output."));
const QCommandLineOption versionOption(QStringLiteral("version"), QStringLiteral("Print the version."));
const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                    QStringLiteral("Print the help."));
const QCommandLineOption addressOption(QStringLiteral("address"), QStringLiteral("Talk on the bus at ADDRESS."),
                                       QStringLiteral("ADDRESS"));
const QCommandLineOption sessionOption(QStringLiteral("session"), QStringLiteral("Talk on the session bus."));
const QCommandLineOption systemOption(QStringLiteral("system"), QStringLiteral("Talk on the system bus."));

const QCommandLineOption moduleOption(QStringLiteral("module"), QStringLiteral("The service's module name."),
                                      QStringLiteral("M"));
const QCommandLineOption objectOption(QStringLiteral("object"), QStringLiteral("The remote object's name."),
                                      QStringLiteral("O"));
const QCommandLineOption asyncOption(QStringLiteral("async"), QStringLiteral("Call the asynchronous twin."));
const QCommandLineOption forOption(QStringLiteral("for"), QStringLiteral("Stop after SECONDS."),
                                   QStringLiteral("SECONDS"));
const QCommandLineOption namesOption(QStringLiteral("names"), QStringLiteral("Names only, one a line."));
const QCommandLineOption relayingOption(QStringLiteral("relaying"),
                                        QStringLiteral("Only the connectors that relay signals."));
const QCommandLineOption modulesOption(QStringLiteral("modules"), QStringLiteral("The module names, one a line."));
const QCommandLineOption objectsOption(QStringLiteral("objects"), QStringLiteral("The object names, one a line."));
const QCommandLineOption outputOption(QStringLiteral("output"), QStringLiteral("Write the answer's bytes to FILE."),
                                      QStringLiteral("FILE"));

const char globalOptionsHelp[] =
    "Options of every command, before or after it:\n"
    "  --address ADDRESS  talk on the bus at the D-Bus address ADDRESS\n"
    "  --session          talk on the session bus\n"
    "  --system           talk on the system bus\n"
    "  --verbose          show the library's own warnings\n"
    "  --json             results, errors and signals as JSON that keeps their D-Bus types\n"
    "  --version          print the version\n"
    "  -h, --help         print the help\n";

const char overview[] =
    "Usage: vantelo-cli [OPTION...] COMMAND [ARG...]\n"
    "\n"
    "Talks to the device's services through the connector library.\n"
    "\n"
    "Commands:\n"
    "  list [CONNECTOR]      the connectors, their operations and their signals\n"
    "  call CONNECTOR OPERATION [ARG...]\n"
    "                        call an operation and print its answer\n"
    "  monitor CONNECTOR     print the connector's relayed signals as they arrive\n"
    "  demo                  a tour of all connectors against the simulator\n"
    "  snapshot              the device's state as a scenario for the simulator\n"
    "  help [COMMAND]        this overview, or the command's help\n"
    "\n"
    "CONNECTOR is a class name or its alias (see list). The bus is the one --address, --session or\n"
    "--system names; without them the one VANTELO_DBUS_ADDRESS names: unset or 'system' for the\n"
    "system bus, 'session', or a D-Bus address.\n"
    "Exit status: 0 on success, 1 when a call failed, 2 on wrong usage.\n";

struct Command
{
    QString name;
    QString help;
    QList<QCommandLineOption> options;
    std::function<int(const QCommandLineParser&)> run;
};

// Wrong usage is answered in two lines: what is wrong, and where the help is.
int usageError(const QString& message, const QString& command = QString())
{
    err() << "vantelo-cli: " << message << '\n'
          << "See 'vantelo-cli help" << (command.isEmpty() ? QString() : QLatin1Char(' ') + command) << "'.\n";
    return WrongUsage;
}

QString compactJson(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// A failed call: the code, the D-Bus error name (none for a code of the service's own) and the message.
void printFailure(const QString& operation, const ErrorContainer& error)
{
    if (json) {
        err() << compactJson({{QStringLiteral("error"), error.getErrorName()},
                              {QStringLiteral("code"), error.getErrorCode()},
                              {QStringLiteral("message"), error.getErrorMessage()}})
              << '\n';
        return;
    }
    err() << "vantelo-cli: " << operation << " failed (" << error.getErrorCode();
    if (!error.getErrorName().isEmpty())
        err() << ", " << error.getErrorName();
    // The library's text ends "failed: <Qt's message>!", which reads badly when the message is empty.
    QString message = error.getErrorMessage();
    if (message.endsWith(QLatin1String(" failed: !")))
        message = message.chopped(3) + QStringLiteral(" (no reason given)");
    err() << "): " << (message.isEmpty() ? QStringLiteral("(no message given)") : message) << '\n';
}

struct Target
{
    const ConnectorEntry* entry = nullptr;
    QString module;
    QString object;
};

bool resolveTarget(const QCommandLineParser& parser, const QString& name, const QString& command, Target* target,
                   int* exitCode)
{
    target->entry = findConnector(name);
    if (!target->entry) {
        *exitCode = usageError(QStringLiteral("no connector \"%1\"; 'vantelo-cli list' names them").arg(name), command);
        return false;
    }
    const ConnectorEntry::Addressing addressing = target->entry->addressing;
    if ((addressing == ConnectorEntry::FixedAddress && parser.isSet(moduleOption)) ||
        (addressing != ConnectorEntry::ModuleAndObject && parser.isSet(objectOption))) {
        *exitCode = usageError(QStringLiteral("%1 takes its names from the catalogue; drop --module/--object where "
                                              "it takes none")
                                   .arg(target->entry->className),
                               command);
        return false;
    }
    target->module = parser.isSet(moduleOption) ? parser.value(moduleOption) : VanteloDefinitions::getModuleName();
    target->object = parser.isSet(objectOption) ? parser.value(objectOption) : target->entry->defaultObject;
    return true;
}

const char* callModeName(OperationEntry::CallMode mode)
{
    switch (mode) {
    case OperationEntry::CallMode::Blocking:
        return "blocking";
    case OperationEntry::CallMode::NoWait:
        return "without waiting";
    case OperationEntry::CallMode::Asynchronous:
        return "asynchronous";
    case OperationEntry::CallMode::UiStatus:
        return "ui status";
    }
    return "";
}

QJsonArray parametersJson(const QStringList& names, const QStringList& types)
{
    QJsonArray parameters;
    for (int i = 0; i < names.size(); ++i)
        parameters.append(QJsonObject{{QStringLiteral("name"), names.at(i)}, {QStringLiteral("type"), types.at(i)}});
    return parameters;
}

QJsonObject connectorJson(const ConnectorEntry& entry)
{
    static const char* const addressings[] = {"fixed", "module", "module and object"};
    QJsonArray operations;
    for (const OperationEntry& operation : entry.operations) {
        operations.append(QJsonObject{
            {QStringLiteral("name"), operation.name},
            {QStringLiteral("member"), operation.member},
            {QStringLiteral("mode"), QLatin1String(callModeName(operation.mode))},
            {QStringLiteral("parameters"), parametersJson(operation.parameterNames, operation.parameterTypes)},
        });
    }
    QJsonArray signalList;
    for (const SignalEntry& signal : entry.relayedSignals) {
        signalList.append(QJsonObject{
            {QStringLiteral("name"), signal.name},
            {QStringLiteral("parameters"), parametersJson(signal.parameterNames, signal.parameterTypes)},
        });
    }
    return QJsonObject{
        {QStringLiteral("className"), entry.className},
        {QStringLiteral("alias"), entry.alias},
        {QStringLiteral("addressing"), QLatin1String(addressings[entry.addressing])},
        {QStringLiteral("defaultObject"), entry.defaultObject},
        {QStringLiteral("operations"), operations},
        {QStringLiteral("signals"), signalList},
    };
}

void printConnector(const ConnectorEntry& entry)
{
    out() << entry.className << " (" << entry.alias << ")";
    if (entry.addressing == ConnectorEntry::ModuleAndObject)
        out() << "  default --object " << entry.defaultObject;
    out() << '\n';
    for (const OperationEntry& operation : entry.operations)
        out() << "  " << operation.name << ' ' << WordArguments::synopsis(operation) << '\n';
    for (const SignalEntry& signal : entry.relayedSignals)
        out() << "  signal " << signal.name << '(' << signal.parameterNames.join(QStringLiteral(", ")) << ")\n";
}

const QString listHelp =
    QStringLiteral("Usage: vantelo-cli list [CONNECTOR] [--names [--relaying] | --modules | --objects]\n"
                   "\n"
                   "Names every connector (or the one given) with its alias, its operations with their arguments,\n"
                   "and the signals it relays; with --json as JSON, with each operation's D-Bus method, call mode\n"
                   "and parameter types.\n"
                   "\n"
                   "  --names     only the connectors' aliases and class names, or the operations of CONNECTOR,\n"
                   "              one a line\n"
                   "  --relaying  with --names: only the connectors that relay signals (those monitor takes)\n"
                   "  --modules   only the module names the connectors (or CONNECTOR) take, one a line\n"
                   "  --objects   only the object names the connectors (or CONNECTOR) take, one a line\n");

int list(const QCommandLineParser& parser)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return usageError(QStringLiteral("list takes at most one connector"), QStringLiteral("list"));
    QList<ConnectorEntry> entries = connectorTable();
    if (!positional.isEmpty()) {
        const ConnectorEntry* entry = findConnector(positional.first());
        if (!entry)
            return usageError(QStringLiteral("no connector \"%1\"").arg(positional.first()), QStringLiteral("list"));
        entries = {*entry};
    }
    if (int(parser.isSet(namesOption)) + int(parser.isSet(modulesOption)) + int(parser.isSet(objectsOption)) > 1)
        return usageError(QStringLiteral("--names, --modules and --objects exclude each other"),
                          QStringLiteral("list"));
    if (parser.isSet(relayingOption) && !parser.isSet(namesOption))
        return usageError(QStringLiteral("--relaying goes with --names"), QStringLiteral("list"));
    if (parser.isSet(modulesOption) || parser.isSet(objectsOption)) {
        // The names the catalogue gives those connectors that take one.
        QStringList names;
        for (const ConnectorEntry& entry : entries) {
            if (parser.isSet(modulesOption) && entry.addressing != ConnectorEntry::FixedAddress)
                names.append(VanteloDefinitions::getModuleName());
            if (parser.isSet(objectsOption) && entry.addressing == ConnectorEntry::ModuleAndObject)
                names.append(entry.defaultObject);
        }
        names.removeDuplicates();
        for (const QString& name : std::as_const(names))
            out() << name << '\n';
    } else if (parser.isSet(namesOption)) {
        for (const ConnectorEntry& entry : entries) {
            if (parser.isSet(relayingOption) && entry.relayedSignals.isEmpty())
                continue;
            if (!positional.isEmpty()) {
                for (const OperationEntry& operation : entry.operations)
                    out() << operation.name << '\n';
            } else {
                out() << entry.alias << '\n' << entry.className << '\n';
            }
        }
    } else if (json) {
        QJsonArray connectors;
        for (const ConnectorEntry& entry : entries)
            connectors.append(connectorJson(entry));
        out() << QJsonDocument(connectors).toJson(QJsonDocument::Compact) << '\n';
    } else {
        for (const ConnectorEntry& entry : entries)
            printConnector(entry);
    }
    return Success;
}

const OperationEntry* findOperation(const ConnectorEntry& entry, const QString& name, bool asynchronous)
{
    if (!asynchronous)
        return entry.operation(name);
    if (const OperationEntry* twin = entry.operation(name + QStringLiteral("Asynchron")))
        return twin;
    // The provider registry names its asynchronous operations plainly.
    if (name.endsWith(QLatin1String("SyncCall")))
        return entry.operation(name.chopped(8));
    const OperationEntry* operation = entry.operation(name);
    return operation && operation->mode == OperationEntry::CallMode::Asynchronous ? operation : nullptr;
}

QString callHelp()
{
    return QStringLiteral(
               "Usage: vantelo-cli call CONNECTOR OPERATION [ARG...] [--module M] [--object O] [--async]\n"
               "                       [--output FILE]\n"
               "\n"
               "Calls OPERATION and prints the value of its reply: text as it is, anything else as JSON,\n"
               "nothing when the reply has no value (or an empty text). With --json the value keeps its\n"
               "D-Bus type, {\"type\": SIGNATURE, \"data\": VALUE}, and a reply without a value is\n"
               "{\"type\": \"\", \"data\": null}.\n"
               "Exit status 0 on success; 1 when the call failed, with the error on stderr (with --json as\n"
               "{\"error\": D-BUS ERROR NAME, \"code\": CODE, \"message\": TEXT}; the name is empty when the\n"
               "service answered with a code of its own); 2 on wrong usage.\n"
               "\n"
               "  --module M   the service's module (default %1)\n"
               "  --object O   the remote object (default: the connector's, see list)\n"
               "  --async      call the asynchronous twin and wait for its answer\n"
               "  --output FILE  write the answer's bytes, as they are, to FILE (- for standard output); for\n"
               "               answers that are a byte array (the display's screenshot, a PNG image) only\n"
               "Arguments of type bool take true or false; an item is a JSON object with the fields\n"
               "%2 (texts; priority a whole number; uuid required).\n"
               "Put -- before arguments that begin with a dash.\n")
        .arg(VanteloDefinitions::getModuleName(), StatusItemMap::fieldNames().join(QStringLiteral(", ")));
}

// The answer's raw bytes to a file: a byte array only, as any other value has
// no single form of bytes.
int writeBytes(const QString& operation, const QVariant& value, const QString& fileName)
{
    if (value.userType() != QMetaType::QByteArray) {
        return usageError(
            QStringLiteral("--output takes an answer that is a byte array; %1 answered %2")
                .arg(operation, value.isValid() ? QLatin1String(value.typeName()) : QStringLiteral("nothing")),
            QStringLiteral("call"));
    }
    QFile file(fileName);
    const bool opened = fileName == QLatin1String("-") ? file.open(stdout, QIODevice::WriteOnly)
                                                       : file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    const QByteArray bytes = value.toByteArray();
    if (!opened || file.write(bytes) != bytes.size() || !file.flush()) {
        err() << "vantelo-cli: cannot write " << fileName << ": " << file.errorString() << '\n';
        return CallFailed;
    }
    return Success;
}

int call(const QCommandLineParser& parser)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() < 2)
        return usageError(QStringLiteral("call needs a connector and an operation"), QStringLiteral("call"));
    Target target;
    int exitCode = Success;
    if (!resolveTarget(parser, positional.at(0), QStringLiteral("call"), &target, &exitCode))
        return exitCode;
    const bool asynchronous = parser.isSet(asyncOption);
    const OperationEntry* operation = findOperation(*target.entry, positional.at(1), asynchronous);
    if (!operation) {
        return usageError(QStringLiteral("%1 has no %2operation \"%3\"")
                              .arg(target.entry->className, asynchronous ? QStringLiteral("asynchronous ") : QString(),
                                   positional.at(1)),
                          QStringLiteral("call"));
    }
    QVariantList arguments;
    QString error;
    if (!WordArguments::parse(*operation, positional.mid(2), &arguments, &error))
        return usageError(error, QStringLiteral("call"));

    const QSharedPointer<DBusConnectorBase> connector = target.entry->create(target.module, target.object);
    const DBusReply reply = operation->run(*connector, arguments);
    if (reply.isError()) {
        printFailure(operation->name, reply.getError());
        return CallFailed;
    }
    const QVariant value = reply.getValue();
    if (parser.isSet(outputOption))
        return writeBytes(operation->name, value, parser.value(outputOption));
    if (json) {
        const QString signature =
            operation->mode == OperationEntry::CallMode::UiStatus ? operation->resultType : QString();
        out() << compactJson(JsonValue::typed(value, signature)) << '\n';
    } else if (value.isValid() && !(value.userType() == QMetaType::QString && value.toString().isEmpty())) {
        out() << JsonValue::toReadableText(JsonValue::fromVariant(value)) << '\n';
    }
    return Success;
}

// Whole milliseconds a QTimer can wait for, from a number of seconds.
bool toMilliseconds(const QString& seconds, int* milliseconds)
{
    bool valid = false;
    const double value = seconds.toDouble(&valid) * 1000;
    if (!valid || !std::isfinite(value) || value < 0 || value > std::numeric_limits<int>::max())
        return false;
    *milliseconds = int(std::ceil(value));
    return true;
}

const QString monitorHelp =
    QStringLiteral("Usage: vantelo-cli monitor CONNECTOR [--module M] [--object O] [--for SECONDS]\n"
                   "\n"
                   "Prints each signal the connector relays, with a time stamp, until Ctrl-C or until SECONDS have\n"
                   "passed. With --json one object a line: {\"time\": ..., \"signal\": NAME, \"arguments\":\n"
                   "{\"type\": SIGNATURE, \"data\": [VALUE...]}}.\n"
                   "\n"
                   "  --module M     the service's module\n"
                   "  --object O     the remote object (default: the connector's, see list)\n"
                   "  --for SECONDS  stop after that long (a number from 0 to 2147483)\n");

int monitor(const QCommandLineParser& parser)
{
    if (parser.positionalArguments().size() != 1)
        return usageError(QStringLiteral("monitor needs one connector"), QStringLiteral("monitor"));
    Target target;
    int exitCode = Success;
    if (!resolveTarget(parser, parser.positionalArguments().at(0), QStringLiteral("monitor"), &target, &exitCode))
        return exitCode;
    if (target.entry->relayedSignals.isEmpty())
        return usageError(QStringLiteral("%1 relays no signals").arg(target.entry->className),
                          QStringLiteral("monitor"));
    int milliseconds = -1;
    if (parser.isSet(forOption) && !toMilliseconds(parser.value(forOption), &milliseconds)) {
        return usageError(QStringLiteral("--for takes a number of seconds from 0 to 2147483, not \"%1\"")
                              .arg(parser.value(forOption)),
                          QStringLiteral("monitor"));
    }

    const QSharedPointer<DBusConnectorBase> connector = target.entry->create(target.module, target.object);
    for (const SignalEntry& signal : target.entry->relayedSignals) {
        signal.connect(*connector, [&signal](const QString& name, const QVariantList& arguments) {
            const QString time = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
            if (json) {
                out() << compactJson({{QStringLiteral("time"), time},
                                      {QStringLiteral("signal"), name},
                                      {QStringLiteral("arguments"),
                                       JsonValue::typedArguments(arguments, signal.parameterTypes)}})
                      << Qt::endl;
            } else {
                out() << time << ' ' << name << '(' << JsonValue::argumentsText(arguments) << ')' << Qt::endl;
            }
        });
    }
    // A round trip on the connector's connection: once it is back, the bus has
    // taken the relay's match rules, sent before it.
    const bool running =
        DBusConnection::getQDBusConnection().interface()->isServiceRegistered(connector->getServiceName());
    err() << "Monitoring " << target.entry->className << " at " << connector->getServiceName() << ' '
          << connector->getDBusPath() << (milliseconds >= 0 ? QString() : QStringLiteral(" until Ctrl-C")) << Qt::endl;
    if (!running)
        err() << "vantelo-cli: " << connector->getServiceName() << " is not running yet; waiting for it" << Qt::endl;
    if (milliseconds >= 0)
        QTimer::singleShot(milliseconds, QCoreApplication::instance(), &QCoreApplication::quit);
    return QCoreApplication::exec();
}

const QString demoHelp =
    QStringLiteral("Usage: vantelo-cli demo\n"
                   "\n"
                   "Creates all thirteen connectors against the simulator, calls an operation on each, shows two\n"
                   "relayed signals arriving, and prints a summary (as text, also with --json). Exit status 0 when\n"
                   "every call was answered and both signals arrived, else 1.\n");

const QString helpHelp = QStringLiteral("Usage: vantelo-cli help [COMMAND]\n"
                                        "\n"
                                        "Prints the overview, or the help of COMMAND.\n");

// Refuses positional arguments for commands that take none.
std::function<int(const QCommandLineParser&)> withoutArguments(const QString& command, std::function<int()> run)
{
    return [command, run](const QCommandLineParser& parser) {
        if (!parser.positionalArguments().isEmpty())
            return usageError(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()),
                              command);
        return run();
    };
}

const QList<Command>& commands();

const Command* findCommand(const QString& name)
{
    for (const Command& command : commands()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

int help(const QCommandLineParser& parser)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        out() << overview << '\n' << globalOptionsHelp;
        return Success;
    }
    const Command* command = positional.size() == 1 ? findCommand(positional.first()) : nullptr;
    if (!command)
        return usageError(QStringLiteral("no command \"%1\"").arg(positional.join(QLatin1Char(' '))));
    out() << command->help << '\n' << globalOptionsHelp;
    return Success;
}

const QList<Command>& commands()
{
    static const QList<Command> table = {
        {QStringLiteral("list"), listHelp, {namesOption, relayingOption, modulesOption, objectsOption}, list},
        {QStringLiteral("call"), callHelp(), {moduleOption, objectOption, asyncOption, outputOption}, call},
        {QStringLiteral("monitor"), monitorHelp, {moduleOption, objectOption, forOption}, monitor},
        {QStringLiteral("demo"), demoHelp, {}, withoutArguments(QStringLiteral("demo"), [] { return runDemo(out()); })},
        {QStringLiteral("snapshot"),
         snapshotHelp(),
         {},
         withoutArguments(QStringLiteral("snapshot"), [] { return runSnapshot(out(), err()); })},
        {QStringLiteral("help"), helpHelp, {}, help},
    };
    return table;
}
// The bus the options name, for the library, which reads it from
// VANTELO_DBUS_ADDRESS when it first connects; without them the variable stays.
bool chooseBus(const QCommandLineParser& parser, const QString& command, int* exitCode)
{
    const bool address = parser.isSet(addressOption);
    const bool session = parser.isSet(sessionOption);
    const bool system = parser.isSet(systemOption);
    if (int(address) + int(session) + int(system) > 1) {
        *exitCode = usageError(QStringLiteral("--address, --session and --system exclude each other"), command);
        return false;
    }
    if (address && parser.value(addressOption).isEmpty()) {
        *exitCode = usageError(QStringLiteral("--address needs a D-Bus address"), command);
        return false;
    }
    if (address)
        qputenv("VANTELO_DBUS_ADDRESS", parser.value(addressOption).toLocal8Bit());
    else if (session || system)
        qputenv("VANTELO_DBUS_ADDRESS", session ? "session" : "system");
    return true;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantelo-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTELO_VERSION));
    qInstallMessageHandler(printWarningsIfVerbose);

    // The command is the first word that is neither an option nor an option's
    // value; options may stand before it as well as after it.
    QStringList words = app.arguments();
    const QString program = words.takeFirst();
    QStringList optionsWithValues;
    for (const QCommandLineOption& option : {moduleOption, objectOption, forOption, outputOption, addressOption})
        optionsWithValues.append(QStringLiteral("--") + option.names().first());
    QString commandName;
    for (int i = 0; i < words.size() && words.at(i) != QLatin1String("--"); ++i) {
        if (optionsWithValues.contains(words.at(i))) {
            ++i;
        } else if (!words.at(i).startsWith(QLatin1Char('-'))) {
            commandName = words.takeAt(i);
            break;
        }
    }
    const Command* command = findCommand(commandName);
    if (!commandName.isEmpty() && !command)
        return usageError(QStringLiteral("no command \"%1\"").arg(commandName));
    const QString commandHelp = command ? command->help : QLatin1String(overview);

    QCommandLineParser parser;
    parser.addOptions(
        {verboseOption, jsonOption, versionOption, helpOption, addressOption, sessionOption, systemOption});
    if (command)
        parser.addOptions(command->options);
    if (!parser.parse(QStringList(program) + words))
        return usageError(parser.errorText(), commandName);
    verbose = parser.isSet(verboseOption);
    json = parser.isSet(jsonOption);
    if (parser.isSet(versionOption)) {
        out() << "vantelo-cli " << QCoreApplication::applicationVersion() << " (Qt " << qVersion() << ")\n";
        return Success;
    }
    if (parser.isSet(helpOption)) {
        out() << commandHelp << '\n' << globalOptionsHelp;
        return Success;
    }
    if (!command)
        return usageError(QStringLiteral("no command given"));
    int exitCode = Success;
    if (!chooseBus(parser, commandName, &exitCode))
        return exitCode;
    return command->run(parser);
}
