// The start of an application and applications with many objects, in
// instructions under callgrind (all threads): connectors against qdbusxml2cpp
// proxies, each case in a fresh process, on a connection made before counting.
//
//   vantelo-startup-bench [--rounds N] [--scale N...]
//
// Run on a private bus with the simulator (tools/bench-startup does both).
// Each case runs once per round, the cases of a round in a shuffled order,
// and the median of the rounds is reported.
#include "Instructions.h"
#include "CallgrindDump.h"

#include "BusControlInfoDBusConnector.h"
#include "ConfigurationDataFileHandlerDBusConnector.h"
#include "ConfigurationFileHandlerDBusConnector.h"
#include "DBusConnection.h"
#include "DBusControllerConnector.h"
#include "DBusDeviceInfoConnector.h"
#include "DBusProcessDescriptionConnector.h"
#include "DisplayDBusConnector.h"
#include "ExternalMediaManagerDBusConnector.h"
#include "ExternalMediaManagerDBusMountServiceConnector.h"
#include "MaintenanceDBusConnector.h"
#include "SelectorDataDBusConnector.h"
#include "UiStatusInformationDataDBusConnector.h"
#include "VanteloDBusConnector.h"

#include "proxy_BusControlInfo.h"
#include "proxy_Configuration.h"
#include "proxy_ConfigurationData.h"
#include "proxy_ControllerData.h"
#include "proxy_DeviceInfo.h"
#include "proxy_Display.h"
#include "proxy_ExternalMedia.h"
#include "proxy_ExternalMediaMountService.h"
#include "proxy_Maintenance.h"
#include "proxy_ProcessDescription.h"
#include "proxy_SelectorData.h"
#include "proxy_UiStatusInformationData.h"
#include "proxy_Vantelo.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>

namespace {
const QString module = QStringLiteral("SystemInformation");
const QString service = QStringLiteral("com.vantelo.SystemInformation");
const QString simulator = QStringLiteral("com.vantelo.Simulator");

[[noreturn]] void fail(const QString& why)
{
    QTextStream(stderr) << "vantelo-startup-bench: " << why << '\n';
    ::exit(1);
}

QString path(const QString& object)
{
    return QStringLiteral("/com/vantelo/") + object;
}

QDBusConnection proxyConnection()
{
    return QDBusConnection::connectToBus(DBusConnection::busAddress(), QStringLiteral("proxies"));
}

// Thirteen clients, one of each interface.
void makeThirteenConnectors(std::vector<QSharedPointer<DBusConnectorBase>>* made)
{
    made->push_back(VanteloDBusConnector::createAndConnect());
    made->push_back(DBusControllerConnector::createAndConnect(module, QStringLiteral("ControllerData")));
    made->push_back(DBusDeviceInfoConnector::createAndConnect(module, QStringLiteral("DeviceInfo")));
    made->push_back(DBusProcessDescriptionConnector::createAndConnect(module, QStringLiteral("ProcessData")));
    made->push_back(MaintenanceDBusConnector::createAndConnect(module, QStringLiteral("Maintenance")));
    made->push_back(BusControlInfoDBusConnector::createAndConnect(module, QStringLiteral("BusControlInfo")));
    made->push_back(ConfigurationFileHandlerDBusConnector::createAndConnect(module, QStringLiteral("Configuration")));
    made->push_back(
        ConfigurationDataFileHandlerDBusConnector::createAndConnect(module, QStringLiteral("ConfigurationData")));
    made->push_back(SelectorDataDBusConnector::createAndConnect(module, QStringLiteral("SelectorData")));
    made->push_back(ExternalMediaManagerDBusConnector::createAndConnect(module, QStringLiteral("ExternalMedia")));
    made->push_back(ExternalMediaManagerDBusMountServiceConnector::createAndConnect());
    made->push_back(
        UiStatusInformationDataDBusConnector::createAndConnect(module, QStringLiteral("UiStatusInformation")));
    made->push_back(DisplayDBusConnector::createAndConnect(module));
}

void makeThirteenProxies(const QDBusConnection& bus, std::vector<std::unique_ptr<QDBusAbstractInterface>>* made)
{
    made->emplace_back(new ComVanteloVanteloInterface(service, path(QStringLiteral("Information")), bus));
    made->emplace_back(new ComVanteloControllerDataInterface(service, path(QStringLiteral("ControllerData")), bus));
    made->emplace_back(new ComVanteloDeviceInfoInterface(service, path(QStringLiteral("DeviceInfo")), bus));
    made->emplace_back(new ComVanteloProcessDescriptionInterface(service, path(QStringLiteral("ProcessData")), bus));
    made->emplace_back(new ComVanteloMaintenanceInterface(service, path(QStringLiteral("Maintenance")), bus));
    made->emplace_back(new ComVanteloBusControlInfoInterface(service, path(QStringLiteral("BusControlInfo")), bus));
    made->emplace_back(new ComVanteloConfigurationInterface(service, path(QStringLiteral("Configuration")), bus));
    made->emplace_back(
        new ComVanteloConfigurationDataInterface(service, path(QStringLiteral("ConfigurationData")), bus));
    made->emplace_back(new ComVanteloSelectorDataInterface(service, path(QStringLiteral("SelectorData")), bus));
    made->emplace_back(new ComVanteloExternalMediaInterface(service, path(QStringLiteral("ExternalMedia")), bus));
    made->emplace_back(new ComVanteloExternalMediaMountServiceInterface(
        service, path(QStringLiteral("ExternalMediaMountService")), bus));
    made->emplace_back(
        new ComVanteloUiStatusInformationDataInterface(service, path(QStringLiteral("UiStatusInformation")), bus));
    made->emplace_back(new ComVanteloDisplayInterface(service, path(QStringLiteral("Display")), bus));
}

void checkConnectorReply(const DBusReply& reply)
{
    if (reply.isError())
        fail(QStringLiteral("connector call failed: ") + reply.getError().getErrorMessage());
}

void checkProxyReply(QDBusPendingReply<QDBusVariant> reply)
{
    reply.waitForFinished();
    if (reply.isError())
        fail(QStringLiteral("proxy call failed: ") + reply.error().message());
}

// One case, in a process of its own: `count` is the number of clients where it matters.
void runCase(const QString& name, int count)
{
    std::vector<QSharedPointer<DBusConnectorBase>> connectors;
    std::vector<std::unique_ptr<QDBusAbstractInterface>> proxies;
    const QDBusConnection bus =
        name.startsWith(QLatin1String("proxy")) ? proxyConnection() : DBusConnection::getQDBusConnection();
    if (!bus.isConnected())
        fail(QStringLiteral("no bus"));

    Instructions::start();
    if (name == QLatin1String("connector, first, made and called")) {
        const auto connector = DBusDeviceInfoConnector::createAndConnect(module, QStringLiteral("DeviceInfo"));
        checkConnectorReply(connector->getListOfInstances(QStringLiteral("all")));
        connectors.push_back(connector);
    } else if (name == QLatin1String("proxy, first, made and called")) {
        auto* proxy = new ComVanteloDeviceInfoInterface(service, path(QStringLiteral("DeviceInfo")), bus);
        proxies.emplace_back(proxy);
        checkProxyReply(proxy->getListOfInstances(QStringLiteral("all")));
    } else if (name == QLatin1String("relaying connector, first, made and called")) {
        const auto connector =
            ConfigurationFileHandlerDBusConnector::createAndConnect(module, QStringLiteral("Configuration"));
        checkConnectorReply(connector->getNumberOfInstances(QStringLiteral("all")));
        connectors.push_back(connector);
    } else if (name == QLatin1String("relaying proxy, first, made and called")) {
        // A generated proxy relays a signal once something is connected to it.
        auto* proxy = new ComVanteloConfigurationInterface(service, path(QStringLiteral("Configuration")), bus);
        proxies.emplace_back(proxy);
        QObject::connect(proxy, &ComVanteloConfigurationInterface::configurationChanged, [](const QString&) {});
        QObject::connect(proxy, &ComVanteloConfigurationInterface::configurationAccepted, [](const QString&) {});
        QObject::connect(proxy, &ComVanteloConfigurationInterface::configurationDataChanged, [] {});
        checkProxyReply(proxy->getNumberOfInstances(QStringLiteral("all")));
    } else if (name == QLatin1String("connectors, one of each kind")) {
        makeThirteenConnectors(&connectors);
    } else if (name == QLatin1String("proxies, one of each kind")) {
        makeThirteenProxies(bus, &proxies);
    } else if (name == QLatin1String("connectors, distinct objects")) {
        for (int n = 0; n < count; ++n)
            connectors.push_back(
                ConfigurationFileHandlerDBusConnector::createAndConnect(module, QStringLiteral("Distinct/%1").arg(n)));
    } else if (name == QLatin1String("proxies, distinct objects")) {
        for (int n = 0; n < count; ++n)
            proxies.emplace_back(
                new ComVanteloConfigurationInterface(service, path(QStringLiteral("Distinct/%1").arg(n)), bus));
    } else if (name == QLatin1String("connectors, shared object")) {
        for (int n = 0; n < count; ++n)
            connectors.push_back(
                ConfigurationFileHandlerDBusConnector::createAndConnect(module, QStringLiteral("Configuration")));
    } else {
        fail(QStringLiteral("no case ") + name);
    }
    Instructions::dump(name);
    for (const auto& connector : connectors) {
        if (!connector->isDBusInterfaceValid())
            fail(connector->getInvalidDBusInterfaceMessage());
    }
}

struct Case
{
    QString name;
    int count;
    QString baseline; // the case it is compared with, if any
    int baselineCount;
};

double measure(const Case& row, const QString& directory)
{
    const QString out = directory + QStringLiteral("/callgrind.out");
    QDir(directory).removeRecursively();
    QDir().mkpath(directory);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral("valgrind"),
                {QStringLiteral("--tool=callgrind"), QStringLiteral("--instr-atstart=no"),
                 QStringLiteral("--callgrind-out-file=") + out, QCoreApplication::applicationFilePath(),
                 QStringLiteral("--case"), row.name, QString::number(row.count)});
    if (!child.waitForFinished(600000) || child.exitCode() != 0)
        fail(QStringLiteral("the case failed: ") + row.name);
    // The dump is written with the name of the part after the number.
    const QStringList dumps = QDir(directory).entryList({QStringLiteral("callgrind.out*")}, QDir::Files);
    CallgrindDump dump;
    for (const QString& file : dumps) {
        CallgrindDump read;
        if (readCallgrindDump(directory + QLatin1Char('/') + file, &read) && read.label == row.name)
            dump = read;
    }
    if (dump.total <= 0)
        fail(QStringLiteral("no instructions counted for ") + row.name);
    return dump.total;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

bool emitFromSimulator(const QString& object, const QString& argument)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(simulator, QStringLiteral("/com/vantelo/Simulator"),
                                       QStringLiteral("com.vantelo.Simulator.Control"), QStringLiteral("EmitSignal"));
    call << path(object) << QStringLiteral("com.vantelo.Configuration") << QStringLiteral("configurationChanged")
         << QVariant::fromValue(QVariantList{argument});
    return proxyConnection().call(call).type() == QDBusMessage::ReplyMessage;
}

// Counts the deliveries Qt D-Bus posts to the application's objects.
class DeliveryCounter : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

// How many deliveries a signal of an object that no connector follows costs
// the application, with `count` configuration connectors of distinct objects:
// the deliveries up to a signal of a followed object, less that one's.
int countDispatches(int count)
{
    std::vector<QSharedPointer<ConfigurationFileHandlerDBusConnector>> connectors;
    for (int n = 0; n < count; ++n)
        connectors.push_back(
            ConfigurationFileHandlerDBusConnector::createAndConnect(module, QStringLiteral("Distinct/%1").arg(n)));
    QStringList arrived;
    QObject::connect(connectors.front().data(), &ConfigurationFileHandlerDBusConnector::configurationChanged,
                     [&arrived](const QString& value) { arrived.append(value); });
    // Settled once a first relayed signal arrived.
    if (!emitFromSimulator(QStringLiteral("Distinct/0"), QStringLiteral("first")))
        fail(QStringLiteral("the simulator emitted nothing"));
    QDeadlineTimer deadline(10000);
    while (arrived.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);

    DeliveryCounter counter;
    QCoreApplication::instance()->installEventFilter(&counter);
    if (!emitFromSimulator(QStringLiteral("Unfollowed"), QStringLiteral("unfollowed")) ||
        !emitFromSimulator(QStringLiteral("Distinct/0"), QStringLiteral("marker")))
        fail(QStringLiteral("the simulator emitted nothing"));
    deadline = QDeadlineTimer(10000);
    while (!arrived.contains(QStringLiteral("marker")) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    QCoreApplication::instance()->removeEventFilter(&counter);
    if (arrived != QStringList({QStringLiteral("first"), QStringLiteral("marker")}))
        fail(QStringLiteral("relayed: ") + arrived.join(QLatin1Char(' ')));
    return counter.count - 1;
}

bool ownServiceName()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(simulator, QStringLiteral("/com/vantelo/Simulator"),
                                       QStringLiteral("com.vantelo.Simulator.Control"), QStringLiteral("OwnName"));
    call << service;
    const QDBusMessage answer = proxyConnection().call(call);
    return answer.type() == QDBusMessage::ReplyMessage && answer.arguments().value(0).toBool();
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    if (arguments.value(0) == QLatin1String("--dispatches")) {
        QTextStream(stdout) << countDispatches(arguments.value(1).toInt()) << '\n';
        return 0;
    }
    if (arguments.value(0) == QLatin1String("--case")) {
        runCase(arguments.value(1), arguments.value(2).toInt());
        return 0;
    }
    int rounds = 3;
    QList<int> scales = {100, 2000};
    while (!arguments.isEmpty()) {
        const QString option = arguments.takeFirst();
        if (option == QLatin1String("--rounds"))
            rounds = arguments.takeFirst().toInt();
        else if (option == QLatin1String("--scale"))
            scales = {arguments.takeFirst().toInt(), arguments.takeFirst().toInt()};
        else
            fail(QStringLiteral("usage: vantelo-startup-bench [--rounds N] [--scale SMALL LARGE]"));
    }
    if (!ownServiceName())
        fail(QStringLiteral("the simulator did not take ") + service);

    const QString first = QStringLiteral("proxy, first, made and called");
    const QString relayingFirst = QStringLiteral("relaying proxy, first, made and called");
    const QString thirteen = QStringLiteral("proxies, one of each kind");
    const QString distinct = QStringLiteral("connectors, distinct objects");
    const QString shared = QStringLiteral("connectors, shared object");
    const QString proxiesDistinct = QStringLiteral("proxies, distinct objects");
    const std::vector<Case> cases = {
        {first, 1, QString(), 0},
        {QStringLiteral("connector, first, made and called"), 1, first, 1},
        {relayingFirst, 1, QString(), 0},
        {QStringLiteral("relaying connector, first, made and called"), 1, relayingFirst, 1},
        {thirteen, 13, QString(), 0},
        {QStringLiteral("connectors, one of each kind"), 13, thirteen, 13},
        {distinct, scales.at(0), QString(), 0},
        {distinct, scales.at(1), distinct, scales.at(0)},
        {proxiesDistinct, scales.at(0), QString(), 0},
        {proxiesDistinct, scales.at(1), proxiesDistinct, scales.at(0)},
        {shared, scales.at(0), QString(), 0},
        {shared, scales.at(1), shared, scales.at(0)},
    };
    QTemporaryDir directory;
    std::vector<std::vector<double>> counts(cases.size());
    for (int round = 0; round < rounds; ++round) {
        std::vector<size_t> order(cases.size());
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), *QRandomGenerator::global());
        for (size_t i : order)
            counts[i].push_back(measure(cases[i], directory.filePath(QString::number(i))));
    }

    QTextStream out(stdout);
    out << "| case | clients | instructions (median of " << rounds << ") | per client | ratio | to |\n"
        << "|---|---|---|---|---|---|\n";
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& row = cases[i];
        const double total = median(counts[i]);
        QString ratio = QStringLiteral("–");
        QString to = QStringLiteral("–");
        for (size_t j = 0; j < cases.size(); ++j) {
            if (!row.baseline.isEmpty() && cases[j].name == row.baseline && cases[j].count == row.baselineCount) {
                const double base = median(counts[j]);
                // Cases of one kind at two scales compare per client.
                const bool perClient = row.baseline == row.name;
                const double value = perClient ? (total / row.count) / (base / cases[j].count) : total / base;
                ratio = QString::number(value, 'f', 2);
                to = QStringLiteral("%1 (%2)").arg(row.baseline).arg(cases[j].count);
            }
        }
        out << "| " << row.name << " | " << row.count << " | " << qRound64(total) << " | "
            << qRound64(total / row.count) << " | " << ratio << " | " << to << " |\n";
    }

    // Not under callgrind: a count of deliveries, in a process of its own.
    for (int count : {1, scales.at(1)}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--dispatches"), QString::number(count)});
        if (!child.waitForFinished(120000) || child.exitCode() != 0)
            fail(QStringLiteral("counting dispatches failed"));
        out << "\nA signal of an object no connector follows, with " << count
            << " configuration connectors of distinct objects: "
            << QString::fromUtf8(child.readAllStandardOutput()).trimmed() << " deliveries to the application\n";
    }
    return 0;
}
