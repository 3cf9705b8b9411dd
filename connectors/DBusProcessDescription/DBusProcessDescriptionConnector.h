#ifndef DBUSPROCESSDESCRIPTIONCONNECTOR_H
#define DBUSPROCESSDESCRIPTIONCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

// Process data descriptions and their instances, blocking or asynchronous,
// and the notifications that a description or a property changed.
class VANTELO_CONNECTOR_EXPORT DBusProcessDescriptionConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    DBusProcessDescriptionConnector(const QString& moduleName, const QString& objectName);
    ~DBusProcessDescriptionConnector() override;

    static QSharedPointer<DBusProcessDescriptionConnector> createAndConnect(const QString& moduleName,
                                                                            const QString& objectName);

    DBusPendingReply::SharedPointer getProcessDataDescriptionAsynchron(const QString& instanceName,
                                                                       const QString& language) const;
    DBusPendingReply::SharedPointer getListOfInstancesAsynchron(const QString& instanceType,
                                                                const QString& language) const;
    DBusReply getProcessDataDescription(const QString& instanceName, const QString& language) const;
    DBusReply getListOfInstances(const QString& instanceType, const QString& language) const;

Q_SIGNALS:
    void processDataDescriptionChanged(const QString& instanceName);
    void propertyChanged(const QString& instanceName);

protected Q_SLOTS:
    void connectServices() override;
    void disconnectServices() override;
};

#endif // DBUSPROCESSDESCRIPTIONCONNECTOR_H
