#include <ConfigurationFileHandlerDBusConnector.h>
#include <DBusDeviceInfoConnector.h>
#include <QCoreApplication>
#include <QtDebug>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    auto device = DBusDeviceInfoConnector::createAndConnect("SystemInformation", "DeviceInfo");
    DBusReply serial = device->getInformation("Device1", "serialNumber"); // blocks until the answer
    if (serial.isError()) {
        qCritical() << serial.getError().getErrorName() << serial.getError().getErrorMessage();
        return 1;
    }
    qInfo() << "serial number:" << serial.getValue().toString();

    auto config = ConfigurationFileHandlerDBusConnector::createAndConnect("SystemInformation", "Configuration");
    QObject::connect(config.data(), &ConfigurationFileHandlerDBusConnector::configurationChanged, &app,
                     [&app](const QString& name) {
                         qInfo() << "changed:" << name;
                         app.quit();
                     });
    auto pending = config->setConfigurationAsynchron("Network", "network", "{}", "en", false); // returns at once
    if (!pending)
        return 1;
    QObject::connect(pending.data(), &DBusPendingReply::finished, &app, [&app, pending] {
        if (pending->getReply().isError())
            app.exit(1);
    });
    return app.exec();
}
