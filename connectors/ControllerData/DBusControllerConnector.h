#ifndef DBUSCONTROLLERCONNECTOR_H
#define DBUSCONTROLLERCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

/**
 * The controller data interface, `com.vantelo.ControllerData`: instances,
 * controller objects and the fault controller. Every call blocks; the
 * connector relays no signals.
 *
 * Names: the module, by default `"SystemInformation"` (VanteloDefinitions::getModuleName()), and
 * the object, by default `"ControllerData"`.
 *
 * \code
 * #include <DBusControllerConnector.h>
 *
 * auto controller = DBusControllerConnector::createAndConnect("SystemInformation", "ControllerData");
 * DBusReply reply = controller->getListOfInstances("all");
 * \endcode
 *
 * \buildwith
 *
 * From the command line: `vantelo-cli list controller` names its operations and signals,
 * `vantelo-cli call controller OPERATION ARG...` calls one.
 *
 * \sa DBusConnectorBase, DBusReply, DBusPendingReply
 */
class VANTELO_CONNECTOR_EXPORT DBusControllerConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    /// Addresses the object \a objectName of the module \a moduleName; sends
    /// nothing. Use createAndConnect(), which also makes it ready for calls.
    DBusControllerConnector(const QString& moduleName, const QString& objectName);
    /// Destroys the connector.
    ~DBusControllerConnector() override;

    /// Makes a connector for the object \a objectName of the module
    /// \a moduleName and readies it for calls with initObject(); it waits for no service.
    static QSharedPointer<DBusControllerConnector> createAndConnect(const QString& moduleName,
                                                                    const QString& objectName);

    /**
     * The instances of \a instanceName.
     *
     * Calls "getListOfInstances"(instanceName) and blocks.
     * Value: `as`, the instance names, a QStringList.
     */
    DBusReply getListOfInstances(const QString& instanceName) const;
    /**
     * Registers \a controllerObject as a controller object.
     *
     * Calls "registerControllerObject"(controllerObject) and blocks; the
     * service's refusal comes back as an error with its own code.
     * Value: none.
     */
    DBusReply registerControllerObject(const QString& controllerObject) const;
    /**
     * Withdraws the registration of \a controllerObject.
     *
     * Calls "unregisterControllerObject"(controllerObject) and blocks.
     * Value: none.
     */
    DBusReply unregisterControllerObject(const QString& controllerObject) const;
    /**
     * Sets the fault controller.
     *
     * Calls "setFaultController"() without arguments and blocks; when no
     * fault controller is configured, the service answers with an error code
     * of its own.
     * Value: none.
     */
    DBusReply setFaultController() const;
    /**
     * Clears the fault controller.
     *
     * Calls "clearFaultController"() without arguments and blocks.
     * Value: none.
     */
    DBusReply clearFaultController() const;
};

#endif // DBUSCONTROLLERCONNECTOR_H
