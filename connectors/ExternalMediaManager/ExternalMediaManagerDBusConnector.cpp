#include "ExternalMediaManagerDBusConnector.h"

#include "SignalRelay.h"
#include "VanteloDefinitions.h"

ExternalMediaManagerDBusConnector::ExternalMediaManagerDBusConnector(const QString& moduleName,
                                                                     const QString& objectName)
    : DBusConnectorBase(moduleName, objectName, VanteloDefinitions::getInterfaceNameExternalMedia(), nullptr,
                        FollowService)
{
}

ExternalMediaManagerDBusConnector::~ExternalMediaManagerDBusConnector() = default;

QSharedPointer<ExternalMediaManagerDBusConnector> ExternalMediaManagerDBusConnector::createAndConnect(
    const QString& moduleName, const QString& objectName)
{
    QSharedPointer<ExternalMediaManagerDBusConnector> connector(
        new ExternalMediaManagerDBusConnector(moduleName, objectName));
    if (connector.isNull()) {
        qWarning("Invalid pointer to connector!");
        return connector;
    }
    connector->initObject();
    return connector;
}

DBusReply ExternalMediaManagerDBusConnector::getAvailableFunctions(const QString& mediaPath) const
{
    return syncCallHelper(QStringLiteral("getAvailableFunctions"), mediaPath);
}

void ExternalMediaManagerDBusConnector::connectServices()
{
    // An empty interface name matches the signal on any interface of the object.
    SignalRelay::connect(this, QStringLiteral("determineAvailableFunctionsFinished"),
                         "2determineAvailableFunctionsFinished(QString,QDBusVariant)");
}

void ExternalMediaManagerDBusConnector::disconnectServices()
{
    SignalRelay::disconnect(this, QStringLiteral("determineAvailableFunctionsFinished"),
                            "2determineAvailableFunctionsFinished(QString,QDBusVariant)");
}
