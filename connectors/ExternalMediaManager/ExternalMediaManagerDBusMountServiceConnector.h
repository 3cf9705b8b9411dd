#ifndef EXTERNALMEDIAMANAGERDBUSMOUNTSERVICECONNECTOR_H
#define EXTERNALMEDIAMANAGERDBUSMOUNTSERVICECONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

/**
 * The external media mount service, `com.vantelo.ExternalMediaMountService`:
 * provider data as JSON, and the notifications that a medium was mounted or
 * unmounted. All names are fixed, so the connector is made without
 * arguments: module `SystemInformation`, object `ExternalMediaMountService`.
 *
 * Names: none to give; the factory addresses the service's own module and object.
 *
 * \code
 * #include <ExternalMediaManagerDBusMountServiceConnector.h>
 *
 * auto mountService = ExternalMediaManagerDBusMountServiceConnector::createAndConnect();
 * DBusReply reply = mountService->getProviderDataAsJson("usb");
 * QObject::connect(mountService.data(), &ExternalMediaManagerDBusMountServiceConnector::externalMediaMounted,
 *                  [](const QString& strMountPath) { qDebug() << "mounted at" << strMountPath; });
 * \endcode
 *
 * \buildwith
 *
 * From the command line: `vantelo-cli list mount-service` names its operations and signals,
 * `vantelo-cli call mount-service OPERATION ARG...` calls one.
 *
 * \sa DBusConnectorBase, DBusReply, DBusPendingReply
 */
class VANTELO_CONNECTOR_EXPORT ExternalMediaManagerDBusMountServiceConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    /// Addresses the mount service; sends nothing. Use createAndConnect(),
    /// which also makes the connector ready for calls.
    ExternalMediaManagerDBusMountServiceConnector();
    /// Destroys the connector: it relays nothing more.
    ~ExternalMediaManagerDBusMountServiceConnector() override;

    /// Makes a connector and readies it for calls with initObject(); it waits for no service.
    static QSharedPointer<ExternalMediaManagerDBusMountServiceConnector> createAndConnect();

    /**
     * The data of the provider \a providerName.
     *
     * Calls "getProviderDataAsJson"(providerName) and blocks.
     * Value: `s`, the provider data (such as the mounted media with their
     * mount paths) as JSON text, a QString.
     */
    DBusReply getProviderDataAsJson(const QString& providerName) const;

Q_SIGNALS:
    /// Relays "externalMediaMounted": a medium was mounted at \a strMountPath.
    void externalMediaMounted(const QString& strMountPath);
    /// Relays "externalMediaUnmounted". Carries nothing: the service does not
    /// say which medium went away.
    void externalMediaUnmounted();

protected Q_SLOTS:
    /// Relays the service's "externalMediaMounted" and "externalMediaUnmounted".
    void connectServices() override;
    /// Stops relaying both.
    void disconnectServices() override;
};

#endif // EXTERNALMEDIAMANAGERDBUSMOUNTSERVICECONNECTOR_H
