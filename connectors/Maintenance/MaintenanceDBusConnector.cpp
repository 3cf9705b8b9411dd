#include "MaintenanceDBusConnector.h"

#include "VanteloDefinitions.h"

MaintenanceDBusConnector::MaintenanceDBusConnector(const QString& moduleName, const QString& objectName)
    : DBusConnectorBase(moduleName, objectName, VanteloDefinitions::getInterfaceNameMaintenance(), nullptr,
                        FollowService)
{
}

MaintenanceDBusConnector::~MaintenanceDBusConnector() = default;

QSharedPointer<MaintenanceDBusConnector> MaintenanceDBusConnector::createAndConnect(const QString& moduleName,
                                                                                    const QString& objectName)
{
    QSharedPointer<MaintenanceDBusConnector> connector(new MaintenanceDBusConnector(moduleName, objectName));
    if (connector.isNull()) {
        qWarning("Invalid pointer to connector!");
        return connector;
    }
    connector->initObject();
    return connector;
}

DBusPendingReply::SharedPointer MaintenanceDBusConnector::getListOfInstancesAsynchron(const QString& instanceType) const
{
    return asyncCallHelper(QStringLiteral("getListOfInstances"), instanceType);
}
