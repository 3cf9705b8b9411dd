#ifndef VANTELODBUSCONNECTOR_H
#define VANTELODBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

// The provider registry on the information object: registered providers, the
// structured menu, and the registration of objects. All names are fixed, so
// the connector is made without arguments.
//
// Here the asynchronous calls bear the plain names and their blocking twins
// end in SyncCall. Registration is sent without waiting for the answer.
class VANTELO_CONNECTOR_EXPORT VanteloDBusConnector : public DBusConnectorBase
{
public:
    VanteloDBusConnector();
    ~VanteloDBusConnector() override;

    static QSharedPointer<VanteloDBusConnector> createAndConnect();

    DBusPendingReply::SharedPointer getRegisteredProvidersList(const QString& providerType,
                                                               const QString& language) const;
    DBusPendingReply::SharedPointer getStructuredMenu(const QString& menuName, const QString& language) const;
    DBusReply getRegisteredProvidersListSyncCall(const QString& providerType, const QString& language) const;
    DBusReply getStructuredMenuSyncCall(const QString& menuName, const QString& language) const;
    DBusReply isProviderRegistered(const QString& providerType, const QString& providerName) const;
    DBusReply registerObject(const QString& providerType, const QString& providerName, const QString& serviceName,
                             const QString& objectName) const;
    DBusReply unregisterObject(const QString& providerType, const QString& providerName,
                               const QString& serviceName) const;
};

#endif // VANTELODBUSCONNECTOR_H
