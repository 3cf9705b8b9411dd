#include "ConnectorTable.h"
#include "DBusConnection.h"
#include "Demo.h"
#include "JsonValue.h"
#include "StatusItemMap.h"
#include "VanteloDefinitions.h"
#include "WordArguments.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>
#include <QTimer>

#include <cmath>
#include <limits>

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

const QCommandLineOption moduleOption(QStringLiteral("module"), QStringLiteral("The service's module name."),
                                      QStringLiteral("M"));
const QCommandLineOption objectOption(QStringLiteral("object"), QStringLiteral("The remote object's name."),
                                      QStringLiteral("O"));
const QCommandLineOption asyncOption(QStringLiteral("async"), QStringLiteral("Call the asynchronous twin."));
const QCommandLineOption forOption(QStringLiteral("for"), QStringLiteral("Stop after SECONDS."),
                                   QStringLiteral("SECONDS"));
const QCommandLineOption namesOption(QStringLiteral("names"), QStringLiteral("Names only, one a line."));

const char globalOptionsHelp[] = "Options of every command, before or after it:\n"
                                 "  --verbose   show the library's own warnings\n"
                                 "  --json      results, errors and signals as JSON that keeps their D-Bus types\n"
                                 "  --version   print the version\n"
                                 "  -h, --help  print the help\n";

const char overview[] = "Usage: vantelo-cli [OPTION...] COMMAND [ARG...]\n"
                        "\n"
                        "Talks to the device's services through the connector library.\n"
                        "\n"
                        "Commands:\n"
                        "  list [CONNECTOR]      the connectors, their operations and their signals\n"
                        "  call CONNECTOR OPERATION [ARG...]\n"
                        "                        call an operation and print its answer\n"
                        "  monitor CONNECTOR     print the connector's relayed signals as they arrive\n"
                        "  demo                  a tour of all connectors against the simulator\n"
                        "  help [COMMAND]        this overview, or the command's help\n"
                        "\n"
                        "CONNECTOR is a class name or its alias (see list). The bus is the one VANTELO_DBUS_ADDRESS\n"
                        "names: unset or 'system' for the system bus, 'session', or a D-Bus address.\n"
                        "Exit status: 0 on success, 1 when a call failed, 2 on wrong usage.\n";

struct Command
{
    QString name;
    QString help;
    QList<QCommandLineOption> options;
    std::function<int(const QCommandLineParser&)> run;
};

int usageError(const QString& message, const QString& help)
{
    err() << "vantelo-cli: " << message << "\n\n" << help;
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

bool resolveTarget(const QCommandLineParser& parser, const QString& name, const QString& help, Target* target,
                   int* exitCode)
{
    target->entry = findConnector(name);
    if (!target->entry) {
        *exitCode = usageError(QStringLiteral("no connector \"%1\"; 'vantelo-cli list' names them").arg(name), help);
        return false;
    }
    const ConnectorEntry::Addressing addressing = target->entry->addressing;
    if ((addressing == ConnectorEntry::FixedAddress && parser.isSet(moduleOption)) ||
        (addressing != ConnectorEntry::ModuleAndObject && parser.isSet(objectOption))) {
        *exitCode = usageError(QStringLiteral("%1 takes its names from the catalogue; drop --module/--object where "
                                              "it takes none")
                                   .arg(target->entry->className),
                               help);
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
    QStringLiteral("Usage: vantelo-cli list [CONNECTOR] [--names]\n"
                   "\n"
                   "Names every connector (or the one given) with its alias, its operations with their arguments,\n"
                   "and the signals it relays; with --json as JSON, with each operation's D-Bus method, call mode\n"
                   "and parameter types.\n"
                   "\n"
                   "  --names     only the connectors' aliases and class names, or the operations of CONNECTOR,\n"
                   "              one a line\n");

int list(const QCommandLineParser& parser)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return usageError(QStringLiteral("list takes at most one connector"), listHelp);
    QList<ConnectorEntry> entries = connectorTable();
    if (!positional.isEmpty()) {
        const ConnectorEntry* entry = findConnector(positional.first());
        if (!entry)
            return usageError(QStringLiteral("no connector \"%1\"").arg(positional.first()), listHelp);
        entries = {*entry};
    }
    if (parser.isSet(namesOption)) {
        for (const ConnectorEntry& entry : entries) {
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
               "Arguments of type bool take true or false; an item is a JSON object with the fields\n"
               "%2 (texts; priority a whole number; uuid required).\n"
               "Put -- before arguments that begin with a dash.\n")
        .arg(VanteloDefinitions::getModuleName(), StatusItemMap::fieldNames().join(QStringLiteral(", ")));
}

int call(const QCommandLineParser& parser)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() < 2)
        return usageError(QStringLiteral("call needs a connector and an operation"), callHelp());
    Target target;
    int exitCode = Success;
    if (!resolveTarget(parser, positional.at(0), callHelp(), &target, &exitCode))
        return exitCode;
    const bool asynchronous = parser.isSet(asyncOption);
    const OperationEntry* operation = findOperation(*target.entry, positional.at(1), asynchronous);
    if (!operation) {
        return usageError(QStringLiteral("%1 has no %2operation \"%3\"")
                              .arg(target.entry->className, asynchronous ? QStringLiteral("asynchronous ") : QString(),
                                   positional.at(1)),
                          callHelp());
    }
    QVariantList arguments;
    QString error;
    if (!WordArguments::parse(*operation, positional.mid(2), &arguments, &error))
        return usageError(error, callHelp());

    const QSharedPointer<DBusConnectorBase> connector = target.entry->create(target.module, target.object);
    const DBusReply reply = operation->run(*connector, arguments);
    if (reply.isError()) {
        printFailure(operation->name, reply.getError());
        return CallFailed;
    }
    const QVariant value = reply.getValue();
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
        return usageError(QStringLiteral("monitor needs one connector"), monitorHelp);
    Target target;
    int exitCode = Success;
    if (!resolveTarget(parser, parser.positionalArguments().at(0), monitorHelp, &target, &exitCode))
        return exitCode;
    if (target.entry->relayedSignals.isEmpty())
        return usageError(QStringLiteral("%1 relays no signals").arg(target.entry->className), monitorHelp);
    int milliseconds = -1;
    if (parser.isSet(forOption) && !toMilliseconds(parser.value(forOption), &milliseconds)) {
        return usageError(QStringLiteral("--for takes a number of seconds from 0 to 2147483, not \"%1\"")
                              .arg(parser.value(forOption)),
                          monitorHelp);
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
std::function<int(const QCommandLineParser&)> withoutArguments(const QString& help, std::function<int()> run)
{
    return [help, run](const QCommandLineParser& parser) {
        if (!parser.positionalArguments().isEmpty())
            return usageError(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()),
                              help);
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
        return usageError(QStringLiteral("no command \"%1\"").arg(positional.join(QLatin1Char(' '))), overview);
    out() << command->help << '\n' << globalOptionsHelp;
    return Success;
}

const QList<Command>& commands()
{
    static const QList<Command> table = {
        {QStringLiteral("list"), listHelp, {namesOption}, list},
        {QStringLiteral("call"), callHelp(), {moduleOption, objectOption, asyncOption}, call},
        {QStringLiteral("monitor"), monitorHelp, {moduleOption, objectOption, forOption}, monitor},
        {QStringLiteral("demo"), demoHelp, {}, withoutArguments(demoHelp, [] { return runDemo(out()); })},
        {QStringLiteral("help"), helpHelp, {}, help},
    };
    return table;
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
    for (const QCommandLineOption& option : {moduleOption, objectOption, forOption})
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
        return usageError(QStringLiteral("no command \"%1\"").arg(commandName), QLatin1String(overview));
    const QString commandHelp = command ? command->help : QLatin1String(overview);

    QCommandLineParser parser;
    parser.addOptions({verboseOption, jsonOption, versionOption, helpOption});
    if (command)
        parser.addOptions(command->options);
    if (!parser.parse(QStringList(program) + words))
        return usageError(parser.errorText(), commandHelp);
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
        return usageError(QStringLiteral("no command given"), commandHelp);
    return command->run(parser);
}
