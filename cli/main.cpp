#include "ConnectorTable.h"
#include "DBusConnection.h"
#include "Demo.h"
#include "JsonValue.h"
#include "VanteloDefinitions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QTextStream>
#include <QTimer>

namespace {
enum ExitCode { Success = 0, CallFailed = 1, WrongUsage = 2 };

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

void printWarningsIfVerbose(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (verbose || type == QtFatalMsg)
        err() << message << Qt::endl;
}

const char overview[] =
    "Usage: vantelo-cli [--verbose] COMMAND ...\n"
    "\n"
    "Talks to the device's services through the connector library.\n"
    "\n"
    "Commands:\n"
    "  list                  the connectors, their operations and their signals\n"
    "  call CONNECTOR OPERATION [ARG...]\n"
    "                        call an operation and print its answer\n"
    "  monitor CONNECTOR     print the connector's relayed signals as they arrive\n"
    "  demo                  a tour of all connectors against the simulator\n"
    "\n"
    "CONNECTOR is a class name or its alias (see list). 'vantelo-cli COMMAND --help' tells more.\n"
    "The bus is the one VANTELO_DBUS_ADDRESS names: unset or 'system' for the system bus, 'session',\n"
    "or a D-Bus address. --verbose shows the library's warnings.\n";

int usageError(const QString& message, const QString& help)
{
    err() << "vantelo-cli: " << message << "\n\n" << help;
    return WrongUsage;
}

// Parses a command's words; --help prints the help and ends the program.
bool parse(QCommandLineParser& parser, const QStringList& words, const QString& help, int* exitCode)
{
    parser.addHelpOption();
    if (!parser.parse(words)) {
        *exitCode = usageError(parser.errorText(), help);
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out() << help;
        *exitCode = Success;
        return false;
    }
    return true;
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
    if ((addressing == ConnectorEntry::FixedAddress && parser.isSet(QStringLiteral("module"))) ||
        (addressing != ConnectorEntry::ModuleAndObject && parser.isSet(QStringLiteral("object")))) {
        *exitCode = usageError(QStringLiteral("%1 takes its names from the catalogue; drop --module/--object where "
                                              "it takes none").arg(target->entry->className), help);
        return false;
    }
    target->module = parser.isSet(QStringLiteral("module")) ? parser.value(QStringLiteral("module"))
                                                            : VanteloDefinitions::getModuleName();
    target->object = parser.isSet(QStringLiteral("object")) ? parser.value(QStringLiteral("object"))
                                                            : target->entry->defaultObject;
    return true;
}

const QCommandLineOption moduleOption(QStringLiteral("module"), QStringLiteral("The service's module name."),
                                      QStringLiteral("M"));
const QCommandLineOption objectOption(QStringLiteral("object"), QStringLiteral("The remote object's name."),
                                      QStringLiteral("O"));

int list()
{
    for (const ConnectorEntry& entry : connectorTable()) {
        out() << entry.className << " (" << entry.alias << ")";
        if (entry.addressing == ConnectorEntry::ModuleAndObject)
            out() << "  default --object " << entry.defaultObject;
        out() << '\n';
        for (const OperationEntry& operation : entry.operations)
            out() << "  " << operation.name << ' ' << operation.synopsis() << '\n';
        for (const SignalEntry& signal : entry.relayedSignals)
            out() << "  signal " << signal.name << '(' << signal.parameterNames.join(QStringLiteral(", ")) << ")\n";
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
    return operation && operation->name.endsWith(QLatin1String("Asynchron")) ? operation : nullptr;
}

int call(const QStringList& words)
{
    const QString help = QStringLiteral(
        "Usage: vantelo-cli call CONNECTOR [--module M] [--object O] OPERATION [ARG...] [--async] [--json]\n"
        "\n"
        "Calls OPERATION and prints the value of its reply: text as it is, anything else as JSON.\n"
        "Exit status 0 on success, 1 when the call failed (the error goes to stderr), 2 on wrong usage.\n"
        "\n"
        "  --module M   the service's module (default %1)\n"
        "  --object O   the remote object (default: the connector's, see list)\n"
        "  --async      call the asynchronous twin and wait for its answer\n"
        "  --json       print the value as JSON, text too\n"
        "Arguments of type bool take true or false; an item is a JSON object.\n")
                             .arg(VanteloDefinitions::getModuleName());
    QCommandLineParser parser;
    parser.addOptions({moduleOption, objectOption, {QStringLiteral("async"), QStringLiteral("Asynchronously.")},
                       {QStringLiteral("json"), QStringLiteral("As JSON.")}});
    int exitCode = Success;
    if (!parse(parser, words, help, &exitCode))
        return exitCode;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() < 2)
        return usageError(QStringLiteral("call needs a connector and an operation"), help);

    Target target;
    if (!resolveTarget(parser, positional.at(0), help, &target, &exitCode))
        return exitCode;
    const bool asynchronous = parser.isSet(QStringLiteral("async"));
    const OperationEntry* operation = findOperation(*target.entry, positional.at(1), asynchronous);
    if (!operation) {
        return usageError(QStringLiteral("%1 has no %2operation \"%3\"")
                              .arg(target.entry->className, asynchronous ? QStringLiteral("asynchronous ") : QString(),
                                   positional.at(1)),
                          help);
    }
    QVariantList arguments;
    QString error;
    if (!operation->parseArguments(positional.mid(2), &arguments, &error))
        return usageError(error, help);

    const QSharedPointer<DBusConnectorBase> connector = target.entry->create(target.module, target.object);
    const DBusReply reply = operation->run(*connector, arguments);
    if (reply.isError()) {
        err() << "vantelo-cli: " << operation->name << " failed (" << reply.getError().getErrorCode()
              << "): " << reply.getError().getErrorMessage() << '\n';
        return CallFailed;
    }
    const QJsonValue value = JsonValue::fromVariant(reply.getValue());
    out() << (parser.isSet(QStringLiteral("json")) ? JsonValue::toCompactText(value) : JsonValue::toReadableText(value))
          << '\n';
    return Success;
}

int monitor(const QStringList& words)
{
    const QString help = QStringLiteral(
        "Usage: vantelo-cli monitor CONNECTOR [--module M] [--object O] [--for SECONDS]\n"
        "\n"
        "Prints each signal the connector relays, with a time stamp, until Ctrl-C or until SECONDS have passed.\n");
    QCommandLineParser parser;
    const QCommandLineOption forOption(QStringLiteral("for"), QStringLiteral("Stop after SECONDS."),
                                       QStringLiteral("SECONDS"));
    parser.addOptions({moduleOption, objectOption, forOption});
    int exitCode = Success;
    if (!parse(parser, words, help, &exitCode))
        return exitCode;
    if (parser.positionalArguments().size() != 1)
        return usageError(QStringLiteral("monitor needs one connector"), help);
    Target target;
    if (!resolveTarget(parser, parser.positionalArguments().at(0), help, &target, &exitCode))
        return exitCode;
    if (target.entry->relayedSignals.isEmpty())
        return usageError(QStringLiteral("%1 relays no signals").arg(target.entry->className), help);
    bool validSeconds = true;
    const double seconds = parser.isSet(forOption) ? parser.value(forOption).toDouble(&validSeconds) : 0;
    if (!validSeconds || seconds < 0)
        return usageError(QStringLiteral("--for takes a number of seconds"), help);

    const QSharedPointer<DBusConnectorBase> connector = target.entry->create(target.module, target.object);
    const SignalPrinter print = [](const QString& name, const QJsonArray& arguments) {
        out() << QDateTime::currentDateTime().toString(Qt::ISODateWithMs) << ' ' << name << '('
              << JsonValue::toCompactText(arguments).mid(1).chopped(1) << ')' << Qt::endl;
    };
    for (const SignalEntry& signal : target.entry->relayedSignals)
        signal.connect(*connector, print);
    // A round trip on the connector's connection: once it is back, the bus has
    // taken the relay's match rules, sent before it.
    const bool running =
        DBusConnection::getQDBusConnection().interface()->isServiceRegistered(connector->getServiceName());
    err() << "Monitoring " << target.entry->className << " at " << connector->getServiceName() << ' '
          << connector->getDBusPath() << (seconds > 0 ? QString() : QStringLiteral(" until Ctrl-C")) << Qt::endl;
    if (!running)
        err() << "vantelo-cli: " << connector->getServiceName() << " is not running yet; waiting for it" << Qt::endl;
    if (seconds > 0)
        QTimer::singleShot(int(seconds * 1000), QCoreApplication::instance(), &QCoreApplication::quit);
    return QCoreApplication::exec();
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantelo-cli"));
    qInstallMessageHandler(printWarningsIfVerbose);

    QStringList words = app.arguments();
    const QString program = words.takeFirst();
    if (!words.isEmpty() && words.first() == QLatin1String("--verbose")) {
        verbose = true;
        words.removeFirst();
    }
    if (words.isEmpty())
        return usageError(QStringLiteral("no command given"), QLatin1String(overview));
    const QString command = words.takeFirst();
    words.prepend(program);

    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        out() << overview;
        return Success;
    }
    if (words.contains(QLatin1String("--help")) || words.contains(QLatin1String("-h"))) {
        if (command == QLatin1String("list")) {
            out() << "Usage: vantelo-cli list\n\nNames every connector with its alias, its operations with their "
                     "arguments, and the signals it relays.\n";
            return Success;
        }
        if (command == QLatin1String("demo")) {
            out() << "Usage: vantelo-cli demo\n\nCreates all thirteen connectors against the simulator, calls an "
                     "operation on each, shows two relayed signals arriving, and prints a summary.\n";
            return Success;
        }
    }
    if (command == QLatin1String("list"))
        return list();
    if (command == QLatin1String("call"))
        return call(words);
    if (command == QLatin1String("monitor"))
        return monitor(words);
    if (command == QLatin1String("demo"))
        return runDemo(out());
    return usageError(QStringLiteral("no command \"%1\"").arg(command), QLatin1String(overview));
}
