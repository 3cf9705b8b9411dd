#include "DBusControllerConnector.h"

#include "VanteloDefinitions.h"

DBusControllerConnector::DBusControllerConnector(const QString& moduleName, const QString& objectName)
    : DBusConnectorBase(moduleName, objectName, VanteloDefinitions::getInterfaceNameControllerData(), nullptr,
                        FollowService)
{
}

DBusControllerConnector::~DBusControllerConnector() = default;

QSharedPointer<DBusControllerConnector> DBusControllerConnector::createAndConnect(const QString& moduleName,
                                                                                  const QString& objectName)
{
    QSharedPointer<DBusControllerConnector> connector(new DBusControllerConnector(moduleName, objectName));
    if (connector.isNull()) {
        qWarning("Invalid pointer to connector!");
        return connector;
    }
    connector->initObject();
    return connector;
}

DBusReply DBusControllerConnector::getListOfInstances(const QString& instanceName) const
{
    return syncCallHelper(QStringLiteral("getListOfInstances"), instanceName);
}

DBusReply DBusControllerConnector::registerControllerObject(const QString& controllerObject) const
{
    return syncCallHelper(QStringLiteral("registerControllerObject"), controllerObject);
}

DBusReply DBusControllerConnector::unregisterControllerObject(const QString& controllerObject) const
{
    return syncCallHelper(QStringLiteral("unregisterControllerObject"), controllerObject);
}

DBusReply DBusControllerConnector::setFaultController() const
{
    return syncCallHelper(QStringLiteral("setFaultController"));
}

DBusReply DBusControllerConnector::clearFaultController() const
{
    return syncCallHelper(QStringLiteral("clearFaultController"));
}
