/*
 * What an application does with the library: a blocking call, an asynchronous
 * call with its pending reply, a relayed signal, and failures. Against the
 * simulator on a private bus:
 *
 *   build/simulator/vantelo-with-simulator -- build/examples/vantelo-example
 *
 * It ends by itself: 0 once the signal has arrived, 1 when something failed.
 */

#include <ConfigurationFileHandlerDBusConnector.h>
#include <DBusControllerConnector.h>
#include <DBusDeviceInfoConnector.h>
#include <VanteloDefinitions.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QTimer>
#include <QtDebug>

namespace {
const QString module = VanteloDefinitions::getModuleName();

// A failure the service reports carries its own code and no D-Bus error name;
// one the library detects carries the default code (-1) and the error name.
void printError(const char* operation, const DBusReply& reply)
{
    const ErrorContainer& error = reply.getError();
    qInfo().noquote() << operation << "failed with code" << error.getErrorCode()
                      << (error.getErrorName().isEmpty() ? QStringLiteral("(the service's own)") : error.getErrorName())
                      << "-" << error.getErrorMessage();
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);

    // A blocking call. One piece of information is a string (`s`), all of
    // them a dictionary (`a{sv}`), which stays a QDBusArgument until read.
    const auto deviceInfo = DBusDeviceInfoConnector::createAndConnect(module, QStringLiteral("DeviceInfo"));
    const DBusReply serial = deviceInfo->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber"));
    if (serial.isError()) {
        printError("getInformation", serial);
        return 1;
    }
    qInfo().noquote() << "serial number:" << serial.getValue().toString();

    const DBusReply all = deviceInfo->getInformation(QStringLiteral("Device1"), QStringLiteral("all"));
    if (!all.isError()) {
        const QVariantMap information = qdbus_cast<QVariantMap>(all.getValue());
        for (auto it = information.cbegin(); it != information.cend(); ++it)
            qInfo().noquote() << " " << it.key() << "=" << it.value().toString();
    }

    // Failures are values: the service's own code, and a service that is not
    // running (the library also writes that one to the warning log).
    const auto controller = DBusControllerConnector::createAndConnect(module, QStringLiteral("ControllerData"));
    const DBusReply fault = controller->setFaultController();
    if (fault.isError())
        printError("setFaultController", fault);
    const auto absent =
        DBusControllerConnector::createAndConnect(QStringLiteral("NoSuchModule"), QStringLiteral("ControllerData"));
    printError("getListOfInstances", absent->getListOfInstances(QStringLiteral("all")));

    // A relayed signal: the service announces every configuration it sets.
    const auto configuration =
        ConfigurationFileHandlerDBusConnector::createAndConnect(module, QStringLiteral("Configuration"));
    QObject::connect(configuration.data(), &ConfigurationFileHandlerDBusConnector::configurationChanged, &app,
                     [&app](const QString& instanceName) {
                         qInfo().noquote() << "configurationChanged:" << instanceName;
                         app.exit(0);
                     });

    // An asynchronous call: the pending reply is null when nothing could be
    // sent, and must be held until finished() has been emitted.
    const DBusPendingReply::SharedPointer pending =
        configuration->getListOfInstancesAsynchron(QStringLiteral("Network"), QString());
    if (!pending) {
        qInfo().noquote() << configuration->getInvalidDBusInterfaceMessage();
        return 1;
    }
    QObject::connect(pending.data(), &DBusPendingReply::finished, &app, [&app, &pending, &configuration] {
        const DBusReply instances = pending->getReply();
        if (instances.isError()) {
            printError("getListOfInstancesAsynchron", instances);
            app.exit(1);
            return;
        }
        qInfo().noquote() << "instances:" << instances.getValue().toStringList().join(QLatin1String(", "));

        const DBusReply set = configuration->setConfiguration(QStringLiteral("Network"), QStringLiteral("network"),
                                                              QStringLiteral("{}"), QStringLiteral("en"), false);
        if (set.isError()) {
            printError("setConfiguration", set);
            app.exit(1);
        }
    });

    QTimer::singleShot(5000, &app, [&app] {
        qInfo() << "no configurationChanged within 5 s";
        app.exit(1);
    });
    return app.exec();
}
