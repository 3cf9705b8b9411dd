#ifndef DBUSDEVICEINFOCONNECTOR_H
#define DBUSDEVICEINFOCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

// Device information: instances, information, the actions of an instance and
// running one of them, each blocking or asynchronous.
class VANTELO_CONNECTOR_EXPORT DBusDeviceInfoConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    DBusDeviceInfoConnector(const QString& moduleName, const QString& objectName);
    ~DBusDeviceInfoConnector() override;

    static QSharedPointer<DBusDeviceInfoConnector> createAndConnect(const QString& moduleName,
                                                                    const QString& objectName);

    // Whether calls can be made now; sends nothing.
    explicit operator bool() const;

    DBusPendingReply::SharedPointer getListOfInstancesAsynchron(const QString& instanceType) const;
    DBusPendingReply::SharedPointer getInformationAsynchron(const QString& instanceName,
                                                            const QString& informationName) const;
    DBusPendingReply::SharedPointer getListOfActionsAsynchron(const QString& instanceName,
                                                              const QString& language) const;
    // Calls "runAction", as its blocking twin does.
    DBusPendingReply::SharedPointer runActionsAsynchron(const QString& instanceName, const QString& actionName,
                                                        const QString& actionArguments,
                                                        const QString& language) const;

    DBusReply getListOfInstances(const QString& instanceType) const;
    DBusReply getInformation(const QString& instanceName, const QString& informationName) const;
    DBusReply getListOfActions(const QString& instanceName, const QString& language) const;
    DBusReply runAction(const QString& instanceName, const QString& actionName, const QString& actionArguments,
                        const QString& language) const;
};

#endif // DBUSDEVICEINFOCONNECTOR_H
