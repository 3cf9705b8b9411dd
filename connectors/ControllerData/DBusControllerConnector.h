#ifndef DBUSCONTROLLERCONNECTOR_H
#define DBUSCONTROLLERCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

// The controller data interface: instances, controller objects and the fault
// controller. Every call blocks.
class VANTELO_CONNECTOR_EXPORT DBusControllerConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    DBusControllerConnector(const QString& moduleName, const QString& objectName);
    ~DBusControllerConnector() override;

    static QSharedPointer<DBusControllerConnector> createAndConnect(const QString& moduleName,
                                                                    const QString& objectName);

    DBusReply getListOfInstances(const QString& instanceName) const;
    DBusReply registerControllerObject(const QString& controllerObject) const;
    DBusReply unregisterControllerObject(const QString& controllerObject) const;
    DBusReply setFaultController() const;
    DBusReply clearFaultController() const;
};

#endif // DBUSCONTROLLERCONNECTOR_H
