#include "DBusProcessDescriptionConnector.h"

#include "SignalRelay.h"
#include "VanteloDefinitions.h"

DBusProcessDescriptionConnector::DBusProcessDescriptionConnector(const QString& moduleName, const QString& objectName)
    : DBusConnectorBase(moduleName, objectName, VanteloDefinitions::getInterfaceNameProcessDescription(), nullptr,
                        FollowService)
{
}

DBusProcessDescriptionConnector::~DBusProcessDescriptionConnector() = default;

QSharedPointer<DBusProcessDescriptionConnector> DBusProcessDescriptionConnector::createAndConnect(
    const QString& moduleName, const QString& objectName)
{
    QSharedPointer<DBusProcessDescriptionConnector> connector(
        new DBusProcessDescriptionConnector(moduleName, objectName));
    if (connector.isNull()) {
        qWarning("Invalid pointer to connector!");
        return connector;
    }
    connector->initObject();
    return connector;
}

DBusPendingReply::SharedPointer DBusProcessDescriptionConnector::getProcessDataDescriptionAsynchron(
    const QString& instanceName, const QString& language) const
{
    return asyncCallHelper(QStringLiteral("getProcessDataDescription"), instanceName, language);
}

DBusPendingReply::SharedPointer DBusProcessDescriptionConnector::getListOfInstancesAsynchron(
    const QString& instanceType, const QString& language) const
{
    return asyncCallHelper(QStringLiteral("getListOfInstances"), instanceType, language);
}

DBusReply DBusProcessDescriptionConnector::getProcessDataDescription(const QString& instanceName,
                                                                     const QString& language) const
{
    return syncCallHelper(QStringLiteral("getProcessDataDescription"), instanceName, language);
}

DBusReply DBusProcessDescriptionConnector::getListOfInstances(const QString& instanceType,
                                                              const QString& language) const
{
    return syncCallHelper(QStringLiteral("getListOfInstances"), instanceType, language);
}

void DBusProcessDescriptionConnector::connectServices()
{
    // An empty interface name matches the signal on any interface of the object.
    SignalRelay::connect(this, QStringLiteral("processDataDescriptionChanged"),
                         "2processDataDescriptionChanged(QString)");
    SignalRelay::connect(this, QStringLiteral("propertyChanged"), "2propertyChanged(QString)");
}

void DBusProcessDescriptionConnector::disconnectServices()
{
    SignalRelay::disconnect(this, QStringLiteral("processDataDescriptionChanged"),
                            "2processDataDescriptionChanged(QString)");
    SignalRelay::disconnect(this, QStringLiteral("propertyChanged"), "2propertyChanged(QString)");
}
