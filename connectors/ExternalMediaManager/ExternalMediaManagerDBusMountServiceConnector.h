#ifndef EXTERNALMEDIAMANAGERDBUSMOUNTSERVICECONNECTOR_H
#define EXTERNALMEDIAMANAGERDBUSMOUNTSERVICECONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

// The external media mount service: provider data as JSON, and the
// notifications that a medium was mounted or unmounted. All names are fixed,
// so the connector is made without arguments.
class VANTELO_CONNECTOR_EXPORT ExternalMediaManagerDBusMountServiceConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    ExternalMediaManagerDBusMountServiceConnector();
    ~ExternalMediaManagerDBusMountServiceConnector() override;

    static QSharedPointer<ExternalMediaManagerDBusMountServiceConnector> createAndConnect();

    DBusReply getProviderDataAsJson(const QString& providerName) const;

Q_SIGNALS:
    void externalMediaMounted(const QString& strMountPath);
    // Carries nothing: the service does not say which medium went away.
    void externalMediaUnmounted();

protected Q_SLOTS:
    void connectServices() override;
    void disconnectServices() override;
};

#endif // EXTERNALMEDIAMANAGERDBUSMOUNTSERVICECONNECTOR_H
