#include "DBusConnection.h"
#include "DBusControllerConnector.h"
#include "VanteloDefinitions.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QTextStream>

namespace {
const QString simulatorName = QStringLiteral("com.vantelo.Simulator");
const QString controlInterface = QStringLiteral("com.vantelo.Simulator.Control");
const int simulatorStartSeconds = 10;

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QString describe(const DBusReply& reply)
{
    if (reply.isError())
        return QStringLiteral("error %1: %2").arg(reply.getError().getErrorCode()).arg(reply.getError().getErrorMessage());
    const QVariant value = reply.getValue();
    if (value.userType() == QMetaType::QStringList)
        return QStringLiteral("[%1]").arg(value.toStringList().join(QStringLiteral(", ")));
    return value.toString();
}

bool waitForSimulator(const QDBusConnection& connection)
{
    QDBusServiceWatcher watcher(simulatorName, connection, QDBusServiceWatcher::WatchForRegistration);
    bool registered = connection.interface()->isServiceRegistered(simulatorName);
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, [&registered] { registered = true; });
    const QDeadlineTimer deadline(simulatorStartSeconds * 1000);
    while (!registered && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    return registered;
}

int runDemo()
{
    const QDBusConnection connection = DBusConnection::getQDBusConnection();
    if (!connection.isConnected()) {
        QTextStream(stderr) << "vantelo-cli: the bus at " << DBusConnection::busAddress()
                            << " is not reachable: " << connection.lastError().message() << '\n';
        return 1;
    }
    if (!waitForSimulator(connection)) {
        QTextStream(stderr) << "vantelo-cli: the simulator did not appear on the bus within "
                            << simulatorStartSeconds << " s\n";
        return 1;
    }

    const QString module = VanteloDefinitions::getModuleName();
    QDBusInterface control(simulatorName, QStringLiteral("/"), controlInterface, connection);
    control.call(QStringLiteral("OwnName"), VanteloDefinitions::serviceNameOfModule(module));
    control.call(QStringLiteral("SetReply"), QStringLiteral("getListOfInstances"), 0, QString(),
                 QVariant::fromValue(QDBusVariant(QStringList{QStringLiteral("Controller1"), QStringLiteral("Controller2")})));
    control.call(QStringLiteral("SetReply"), QStringLiteral("setFaultController"), 3,
                 QStringLiteral("no fault controller is configured"), QVariant::fromValue(QDBusVariant(QString())));

    const auto controller = DBusControllerConnector::createAndConnect(module, QStringLiteral("ControllerData"));
    out() << "DBusControllerConnector at " << controller->getServiceName() << ' ' << controller->getDBusPath() << '\n';
    out() << "  getListOfInstances(\"all\")    -> " << describe(controller->getListOfInstances(QStringLiteral("all"))) << '\n';
    out() << "  registerControllerObject(\"Plc1\") -> "
          << describe(controller->registerControllerObject(QStringLiteral("Plc1"))) << '\n';
    out() << "  setFaultController()          -> " << describe(controller->setFaultController()) << '\n';
    out().flush();
    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() == 2 && arguments.at(1) == QLatin1String("demo"))
        return runDemo();
    QTextStream(stderr) << "usage: vantelo-cli demo\n";
    return 2;
}
