#ifndef MAINTENANCEDBUSCONNECTOR_H
#define MAINTENANCEDBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

// The maintenance instances, asked for asynchronously only.
class VANTELO_CONNECTOR_EXPORT MaintenanceDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    MaintenanceDBusConnector(const QString& moduleName, const QString& objectName);
    ~MaintenanceDBusConnector() override;

    static QSharedPointer<MaintenanceDBusConnector> createAndConnect(const QString& moduleName,
                                                                     const QString& objectName);

    DBusPendingReply::SharedPointer getListOfInstancesAsynchron(const QString& instanceType) const;
};

#endif // MAINTENANCEDBUSCONNECTOR_H
