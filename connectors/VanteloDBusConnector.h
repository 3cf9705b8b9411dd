#ifndef VANTELODBUSCONNECTOR_H
#define VANTELODBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

/**
 * The provider registry on the information object: registered providers, the
 * structured menu, and the registration of objects. All names are fixed, so
 * the connector is made without arguments: module `SystemInformation`, object
 * `Information`, interface `com.vantelo.Vantelo`.
 *
 * Here the asynchronous calls bear the plain names and their blocking twins
 * end in SyncCall. Registration is sent without waiting for the answer. The
 * connector relays no signals.
 *
 * Names: none to give; the factory addresses the service's own module and object.
 *
 * \code
 * #include <VanteloDBusConnector.h>
 *
 * auto registry = VanteloDBusConnector::createAndConnect();
 * DBusReply reply = registry->getRegisteredProvidersListSyncCall("Sensor", "en");
 * \endcode
 *
 * \buildwith
 *
 * From the command line: `vantelo-cli list provider-registry` names its operations and signals,
 * `vantelo-cli call provider-registry OPERATION ARG...` calls one.
 *
 * \sa DBusConnectorBase, DBusReply, DBusPendingReply
 */
class VANTELO_CONNECTOR_EXPORT VanteloDBusConnector : public DBusConnectorBase
{
public:
    /// Addresses the provider registry; sends nothing. Use createAndConnect(),
    /// which also makes the connector ready for calls.
    VanteloDBusConnector();
    /// Destroys the connector; pending replies it handed out stay valid.
    ~VanteloDBusConnector() override;

    /// Makes a connector and readies it for calls with initObject(); it waits for no service.
    static QSharedPointer<VanteloDBusConnector> createAndConnect();

    /**
     * The registered providers of \a providerType.
     *
     * Calls "getRegisteredProvidersList"(providerType, language) and returns
     * at once; null when the interface is unusable.
     * Value: `as`, the provider names, a QStringList in getReply().
     */
    DBusPendingReply::SharedPointer getRegisteredProvidersList(const QString& providerType,
                                                               const QString& language) const;
    /**
     * The structured menu \a menuName, in \a language.
     *
     * Calls "getStructuredMenu"(menuName, language) and returns at once; null
     * when the interface is unusable.
     * Value: `a{sv}`, the menu with its title and entries; read getReply()'s
     * value with `qdbus_cast<QVariantMap>`.
     */
    DBusPendingReply::SharedPointer getStructuredMenu(const QString& menuName, const QString& language) const;
    /**
     * The registered providers of \a providerType, blocking.
     *
     * Calls "getRegisteredProvidersList"(providerType, language) and blocks.
     * Value: `as`, the provider names, a QStringList.
     */
    DBusReply getRegisteredProvidersListSyncCall(const QString& providerType, const QString& language) const;
    /**
     * The structured menu \a menuName, in \a language, blocking.
     *
     * Calls "getStructuredMenu"(menuName, language) and blocks.
     * Value: `a{sv}`, the menu with its title and entries; read it with
     * `qdbus_cast<QVariantMap>(reply.getValue())`.
     */
    DBusReply getStructuredMenuSyncCall(const QString& menuName, const QString& language) const;
    /**
     * Whether \a providerName is registered as a provider of \a providerType.
     *
     * Calls "isProviderRegistered"(providerType, providerName) and blocks.
     * Value: `b`, a bool.
     */
    DBusReply isProviderRegistered(const QString& providerType, const QString& providerName) const;
    /**
     * Registers the object \a objectName of \a serviceName as the provider
     * \a providerName of \a providerType.
     *
     * Sends "registerObject"(providerType, providerName, serviceName,
     * objectName) without waiting: the reply holds an error only when the
     * interface is unusable, and whether the service accepted it is not reported.
     * Value: none.
     */
    DBusReply registerObject(const QString& providerType, const QString& providerName, const QString& serviceName,
                             const QString& objectName) const;
    /**
     * Withdraws the registration of the provider \a providerName of
     * \a providerType made by \a serviceName.
     *
     * Sends "unregisterObject"(providerType, providerName, serviceName)
     * without waiting, as registerObject() does.
     * Value: none.
     */
    DBusReply unregisterObject(const QString& providerType, const QString& providerName,
                               const QString& serviceName) const;
};

#endif // VANTELODBUSCONNECTOR_H
