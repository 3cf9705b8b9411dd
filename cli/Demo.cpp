#include "Demo.h"

#include "ConnectorTable.h"
#include "DBusConnection.h"
#include "JsonValue.h"
#include "VanteloDefinitions.h"
#include "WordArguments.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDeadlineTimer>
#include <QTextStream>

namespace {
const QString simulatorName = QStringLiteral("com.vantelo.Simulator");
const int waitMs = 10000;

struct DemoCall
{
    const char* connector;
    const char* operation;
    QStringList arguments;
};

const QList<DemoCall> calls = {
    {"provider-registry", "getRegisteredProvidersListSyncCall", {"", ""}},
    {"controller", "getListOfInstances", {"all"}},
    {"device-info", "getInformation", {"Device1", "serialNumber"}},
    {"process-description", "getListOfInstancesAsynchron", {"", "en"}},
    {"maintenance", "getListOfInstancesAsynchron", {""}},
    {"bus-control", "getListOfActionsAsynchron", {"Bus1"}},
    {"configuration", "getListOfInstances", {"", "en"}},
    {"configuration-data", "requestConfigurationWrite", {"/tmp/configuration.json", "session-1"}},
    {"selector-data", "getSelectorText", {"Language", "LanguageSelector", "en", "", "en", "session-1"}},
    {"external-media", "getAvailableFunctions", {"/media/usb0"}},
    {"mount-service", "getProviderDataAsJson", {"usb"}},
    {"ui-status", "getUiStatusInformationItemList", {""}},
    {"display", "getScreenshot", {}},
};

// Runs the event loop until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition)
{
    const QDeadlineTimer deadline(waitMs);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return condition();
}

QString shortened(const QString& text)
{
    const QString line = text.simplified();
    return line.size() > 90 ? line.left(87) + QStringLiteral("...") : line;
}
} // namespace

int runDemo(QTextStream& out)
{
    QDBusConnection connection = DBusConnection::getQDBusConnection();
    if (!connection.isConnected()) {
        QTextStream(stderr) << "vantelo-cli: the bus at " << DBusConnection::busAddress()
                            << " is not reachable: " << connection.lastError().message() << '\n';
        return 1;
    }
    QDBusServiceWatcher watcher(simulatorName, connection, QDBusServiceWatcher::WatchForRegistration);
    if (!waitFor([&connection] { return connection.interface()->isServiceRegistered(simulatorName).value(); })) {
        QTextStream(stderr) << "vantelo-cli: no simulator on the bus at " << DBusConnection::busAddress() << '\n';
        return 1;
    }

    out << "Calls, one on each connector:\n";
    QHash<QString, QSharedPointer<DBusConnectorBase>> connectors;
    int answered = 0;
    for (const DemoCall& call : calls) {
        const ConnectorEntry* entry = findConnector(QLatin1String(call.connector));
        const OperationEntry* operation = entry->operation(QLatin1String(call.operation));
        QVariantList arguments;
        QString error;
        WordArguments::parse(*operation, call.arguments, &arguments, &error);
        const auto connector = entry->create(VanteloDefinitions::getModuleName(), entry->defaultObject);
        connectors.insert(entry->alias, connector);
        const DBusReply reply = operation->run(*connector, arguments);
        const QString result = reply.isError() ? QStringLiteral("error %1: %2")
                                                     .arg(reply.getError().getErrorCode())
                                                     .arg(reply.getError().getErrorMessage())
                                               : JsonValue::toCompactText(JsonValue::fromVariant(reply.getValue()));
        answered += reply.isError() ? 0 : 1;
        out << "  " << entry->className << "::" << operation->name << "\n      -> " << shortened(result) << '\n';
    }

    out << "\nSignals, relayed by the connectors:\n";
    QStringList received;
    const SignalHandler collect = [&received, &out](const QString& name, const QVariantList& arguments) {
        received.append(name);
        out << "  " << name << '(' << JsonValue::argumentsText(arguments) << ")\n";
    };
    const ConnectorEntry* configuration = findConnector(QStringLiteral("configuration"));
    const ConnectorEntry* mount = findConnector(QStringLiteral("mount-service"));
    configuration->relayedSignals.first().connect(*connectors.value(configuration->alias), collect);
    mount->relayedSignals.first().connect(*connectors.value(mount->alias), collect);

    out << "  setConfiguration(\"Network\", ...) on the configuration connector; the service announces:\n";
    configuration->operation(QStringLiteral("setConfiguration"))
        ->run(*connectors.value(configuration->alias),
              {QStringLiteral("Network"), QStringLiteral("network"), QStringLiteral("{\"dhcp\": false}"),
               QStringLiteral("en"), false});
    waitFor([&received] { return received.size() >= 1; });

    out << "  the simulator plays a USB stick being mounted:\n";
    QDBusMessage order =
        QDBusMessage::createMethodCall(simulatorName, QStringLiteral("/com/vantelo/Simulator"),
                                       QStringLiteral("com.vantelo.Simulator.Control"), QStringLiteral("EmitSignal"));
    const auto mountConnector = connectors.value(mount->alias);
    order << mountConnector->getDBusPath() << mountConnector->getInterfaceName()
          << QStringLiteral("externalMediaMounted") << QVariant::fromValue(QVariantList{QStringLiteral("/media/usb0")});
    connection.call(order);
    waitFor([&received] { return received.size() >= 2; });

    out << "\nSummary: " << connectors.size() << " connectors, " << calls.size() << " calls, " << answered
        << " answered, " << calls.size() - answered << " failed; " << received.size() << " of 2 signals relayed.\n";
    out.flush();
    // Against the simulator every call is answered and both signals come.
    return answered == calls.size() && received.size() == 2 ? 0 : 1;
}
