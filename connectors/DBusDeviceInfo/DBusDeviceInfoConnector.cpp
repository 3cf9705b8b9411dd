#include "DBusDeviceInfoConnector.h"

#include "VanteloDefinitions.h"

DBusDeviceInfoConnector::DBusDeviceInfoConnector(const QString& moduleName, const QString& objectName)
    : DBusConnectorBase(moduleName, objectName, VanteloDefinitions::getInterfaceNameDeviceInfo(), nullptr,
                        FollowService)
{
}

DBusDeviceInfoConnector::~DBusDeviceInfoConnector() = default;

QSharedPointer<DBusDeviceInfoConnector> DBusDeviceInfoConnector::createAndConnect(const QString& moduleName,
                                                                                  const QString& objectName)
{
    QSharedPointer<DBusDeviceInfoConnector> connector(new DBusDeviceInfoConnector(moduleName, objectName));
    if (connector.isNull()) {
        qWarning("Invalid pointer to connector!");
        return connector;
    }
    connector->initObject();
    return connector;
}

DBusDeviceInfoConnector::operator bool() const
{
    return isDBusInterfaceValid();
}

DBusPendingReply::SharedPointer DBusDeviceInfoConnector::getListOfInstancesAsynchron(const QString& instanceType) const
{
    return asyncCallHelper(QStringLiteral("getListOfInstances"), instanceType);
}

DBusPendingReply::SharedPointer DBusDeviceInfoConnector::getInformationAsynchron(const QString& instanceName,
                                                                                 const QString& informationName) const
{
    return asyncCallHelper(QStringLiteral("getInformation"), instanceName, informationName);
}

DBusPendingReply::SharedPointer DBusDeviceInfoConnector::getListOfActionsAsynchron(const QString& instanceName,
                                                                                   const QString& language) const
{
    return asyncCallHelper(QStringLiteral("getListOfActions"), instanceName, language);
}

DBusPendingReply::SharedPointer DBusDeviceInfoConnector::runActionsAsynchron(const QString& instanceName,
                                                                             const QString& actionName,
                                                                             const QString& actionArguments,
                                                                             const QString& language) const
{
    return asyncCallHelper(QStringLiteral("runAction"), instanceName, actionName, actionArguments, language);
}

DBusReply DBusDeviceInfoConnector::getListOfInstances(const QString& instanceType) const
{
    return syncCallHelper(QStringLiteral("getListOfInstances"), instanceType);
}

DBusReply DBusDeviceInfoConnector::getInformation(const QString& instanceName, const QString& informationName) const
{
    return syncCallHelper(QStringLiteral("getInformation"), instanceName, informationName);
}

DBusReply DBusDeviceInfoConnector::getListOfActions(const QString& instanceName, const QString& language) const
{
    return syncCallHelper(QStringLiteral("getListOfActions"), instanceName, language);
}

DBusReply DBusDeviceInfoConnector::runAction(const QString& instanceName, const QString& actionName,
                                             const QString& actionArguments, const QString& language) const
{
    return syncCallHelper(QStringLiteral("runAction"), instanceName, actionName, actionArguments, language);
}
