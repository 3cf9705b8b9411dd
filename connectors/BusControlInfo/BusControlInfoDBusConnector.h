#ifndef BUSCONTROLINFODBUSCONNECTOR_H
#define BUSCONTROLINFODBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

// Bus control information: information, actions, and the change
// notifications of the master and of each slave. Every call is asynchronous.
class VANTELO_CONNECTOR_EXPORT BusControlInfoDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    BusControlInfoDBusConnector(const QString& moduleName, const QString& objectName);
    ~BusControlInfoDBusConnector() override;

    static QSharedPointer<BusControlInfoDBusConnector> createAndConnect(const QString& moduleName,
                                                                        const QString& objectName);

    DBusPendingReply::SharedPointer getInformationAsynchron(const QString& instanceName) const;
    DBusPendingReply::SharedPointer getListOfActionsAsynchron(const QString& instanceName) const;
    DBusPendingReply::SharedPointer runActionsAsynchron(const QString& instanceName, const QString& actionName,
                                                        const QString& actionArguments) const;

Q_SIGNALS:
    void busControlInfoMasterChanged();
    void busControlInfoSlaveChanged(int arrayIndex);

protected Q_SLOTS:
    void connectServices() override;
    void disconnectServices() override;
};

#endif // BUSCONTROLINFODBUSCONNECTOR_H
