#include "ConfigurationDataFileHandlerDBusConnector.h"

#include "SignalRelay.h"
#include "DBusTemporaryTimeout.h"
#include "VanteloDefinitions.h"

#include <utility>

namespace {
// Writing or exporting a configuration takes minutes on the device.
constexpr int requestTimeoutSeconds = 240;
} // namespace

ConfigurationDataFileHandlerDBusConnector::ConfigurationDataFileHandlerDBusConnector(const QString& moduleName,
                                                                                     const QString& objectName)
    : DBusConnectorBase(moduleName, objectName, VanteloDefinitions::getInterfaceNameConfigurationData(), nullptr,
                        StartOnDemand)
{
}

ConfigurationDataFileHandlerDBusConnector::~ConfigurationDataFileHandlerDBusConnector() = default;

QSharedPointer<ConfigurationDataFileHandlerDBusConnector> ConfigurationDataFileHandlerDBusConnector::createAndConnect(
    const QString& moduleName, const QString& objectName)
{
    QSharedPointer<ConfigurationDataFileHandlerDBusConnector> connector(
        new ConfigurationDataFileHandlerDBusConnector(moduleName, objectName));
    if (connector.isNull()) {
        qWarning("Invalid pointer to connector!");
        return connector;
    }
    connector->initObject();
    return connector;
}

DBusReply ConfigurationDataFileHandlerDBusConnector::requestConfigurationWrite(const QString& instanceName,
                                                                               const QString& configurationName) const
{
    // The interface is made anew on a new connection: the check binds it
    // first, so the guard is on the one the call goes out on. The guard gives
    // the former time-out back on every way out, after the reply has been made.
    isDBusInterfaceValid();
    const DBusTemporaryTimeout longTimeout(dBusInterface, requestTimeoutSeconds);
    return syncCallHelper(QStringLiteral("requestConfigurationWrite"), instanceName, configurationName);
}

DBusReply ConfigurationDataFileHandlerDBusConnector::requestConfigurationExport(const QString& instanceName,
                                                                                const QString& exportPath,
                                                                                bool includeDefaults) const
{
    isDBusInterfaceValid();
    const DBusTemporaryTimeout longTimeout(dBusInterface, requestTimeoutSeconds);
    return syncCallHelper(QStringLiteral("requestConfigurationExport"), instanceName, exportPath,
                          std::as_const(includeDefaults));
}

void ConfigurationDataFileHandlerDBusConnector::connectServices()
{
    // An empty interface name matches the signal on any interface of the object.
    SignalRelay::connect(this, QStringLiteral("applyConfigurationCompleted"),
                         "2applyConfigurationCompleted(bool, QStringList)");
    SignalRelay::connect(this, QStringLiteral("exportConfigurationEnd"), "2exportConfigurationEnd()");
}

void ConfigurationDataFileHandlerDBusConnector::disconnectServices()
{
    SignalRelay::disconnect(this, QStringLiteral("applyConfigurationCompleted"),
                            "2applyConfigurationCompleted(bool, QStringList)");
    SignalRelay::disconnect(this, QStringLiteral("exportConfigurationEnd"), "2exportConfigurationEnd()");
}
