#include "BusControlInfoDBusConnector.h"

#include "SignalRelay.h"
#include "VanteloDefinitions.h"

BusControlInfoDBusConnector::BusControlInfoDBusConnector(const QString& moduleName, const QString& objectName)
    : DBusConnectorBase(moduleName, objectName, VanteloDefinitions::getInterfaceNameBusControlInfo(), nullptr,
                        FollowService)
{
}

BusControlInfoDBusConnector::~BusControlInfoDBusConnector() = default;

QSharedPointer<BusControlInfoDBusConnector> BusControlInfoDBusConnector::createAndConnect(const QString& moduleName,
                                                                                          const QString& objectName)
{
    QSharedPointer<BusControlInfoDBusConnector> connector(new BusControlInfoDBusConnector(moduleName, objectName));
    if (connector.isNull()) {
        qWarning("Invalid pointer to connector!");
        return connector;
    }
    connector->initObject();
    return connector;
}

DBusPendingReply::SharedPointer BusControlInfoDBusConnector::getInformationAsynchron(const QString& instanceName) const
{
    return asyncCallHelper(QStringLiteral("getInformation"), instanceName);
}

DBusPendingReply::SharedPointer BusControlInfoDBusConnector::getListOfActionsAsynchron(
    const QString& instanceName) const
{
    return asyncCallHelper(QStringLiteral("getListOfActions"), instanceName);
}

DBusPendingReply::SharedPointer BusControlInfoDBusConnector::runActionsAsynchron(const QString& instanceName,
                                                                                 const QString& actionName,
                                                                                 const QString& actionArguments) const
{
    return asyncCallHelper(QStringLiteral("runAction"), instanceName, actionName, actionArguments);
}

void BusControlInfoDBusConnector::connectServices()
{
    // An empty interface name matches the signal on any interface of the object.
    SignalRelay::connect(this, QStringLiteral("busControlInfoMasterChanged"), "2busControlInfoMasterChanged()");
    SignalRelay::connect(this, QStringLiteral("busControlInfoSlaveChanged"), "2busControlInfoSlaveChanged(int)");
}

void BusControlInfoDBusConnector::disconnectServices()
{
    SignalRelay::disconnect(this, QStringLiteral("busControlInfoMasterChanged"), "2busControlInfoMasterChanged()");
    SignalRelay::disconnect(this, QStringLiteral("busControlInfoSlaveChanged"), "2busControlInfoSlaveChanged(int)");
}
