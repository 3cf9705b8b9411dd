#ifndef DBUSDEVICEINFOCONNECTOR_H
#define DBUSDEVICEINFOCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

/**
 * Device information, `com.vantelo.DeviceInfo`: instances, information, the
 * actions of an instance and running one of them, each blocking or
 * asynchronous (suffix Asynchron). The connector relays no signals.
 *
 * Names: the module, by default `"SystemInformation"` (VanteloDefinitions::getModuleName()), and
 * the object, by default `"DeviceInfo"`.
 *
 * \code
 * #include <DBusDeviceInfoConnector.h>
 *
 * auto deviceInfo = DBusDeviceInfoConnector::createAndConnect("SystemInformation", "DeviceInfo");
 * DBusReply reply = deviceInfo->getInformation("Device1", "serialNumber");
 * \endcode
 *
 * \buildwith
 *
 * From the command line: `vantelo-cli list device-info` names its operations and signals,
 * `vantelo-cli call device-info OPERATION ARG...` calls one.
 *
 * \sa DBusConnectorBase, DBusReply, DBusPendingReply
 */
class VANTELO_CONNECTOR_EXPORT DBusDeviceInfoConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    /// Addresses the object \a objectName of the module \a moduleName; sends
    /// nothing. Use createAndConnect(), which also makes it ready for calls.
    DBusDeviceInfoConnector(const QString& moduleName, const QString& objectName);
    /// Destroys the connector; pending replies it handed out stay valid.
    ~DBusDeviceInfoConnector() override;

    /// Makes a connector for the object \a objectName of the module
    /// \a moduleName and readies it for calls with initObject(); it waits for no service.
    static QSharedPointer<DBusDeviceInfoConnector> createAndConnect(const QString& moduleName,
                                                                    const QString& objectName);

    /// Whether calls can be made now; sends nothing. The same as isDBusInterfaceValid().
    explicit operator bool() const;

    /**
     * The instances of \a instanceType, asynchronously.
     *
     * Calls "getListOfInstances"(instanceType) and returns at once; null when
     * the interface is unusable.
     * Value: `as`, the instance names, a QStringList in getReply().
     */
    DBusPendingReply::SharedPointer getListOfInstancesAsynchron(const QString& instanceType) const;
    /**
     * The information \a informationName of the instance \a instanceName,
     * asynchronously.
     *
     * Calls "getInformation"(instanceName, informationName) and returns at
     * once; null when the interface is unusable.
     * Value: `s` or `a{sv}`, as getInformation() describes, in getReply().
     */
    DBusPendingReply::SharedPointer getInformationAsynchron(const QString& instanceName,
                                                            const QString& informationName) const;
    /**
     * The actions of the instance \a instanceName, named in \a language,
     * asynchronously.
     *
     * Calls "getListOfActions"(instanceName, language) and returns at once;
     * null when the interface is unusable.
     * Value: `as`, the action names, a QStringList in getReply().
     */
    DBusPendingReply::SharedPointer getListOfActionsAsynchron(const QString& instanceName,
                                                              const QString& language) const;
    /**
     * Runs the action \a actionName of the instance \a instanceName with
     * \a actionArguments, asynchronously.
     *
     * Calls "runAction"(instanceName, actionName, actionArguments, language),
     * as its blocking twin runAction() does, and returns at once; null when
     * the interface is unusable.
     * Value: `s`, the outcome reported by the service, a QString in getReply().
     */
    DBusPendingReply::SharedPointer runActionsAsynchron(const QString& instanceName, const QString& actionName,
                                                        const QString& actionArguments, const QString& language) const;

    /**
     * The instances of \a instanceType.
     *
     * Calls "getListOfInstances"(instanceType) and blocks.
     * Value: `as`, the instance names, a QStringList.
     */
    DBusReply getListOfInstances(const QString& instanceType) const;
    /**
     * The information \a informationName of the instance \a instanceName.
     *
     * Calls "getInformation"(instanceName, informationName) and blocks.
     * Value: `s` or `a{sv}`: one piece of information (`serialNumber`,
     * `firmware`, ...) is a QString; `all` gives every piece by name, read
     * with `qdbus_cast<QVariantMap>(reply.getValue())`.
     */
    DBusReply getInformation(const QString& instanceName, const QString& informationName) const;
    /**
     * The actions of the instance \a instanceName, named in \a language.
     *
     * Calls "getListOfActions"(instanceName, language) and blocks.
     * Value: `as`, the action names, a QStringList.
     */
    DBusReply getListOfActions(const QString& instanceName, const QString& language) const;
    /**
     * Runs the action \a actionName of the instance \a instanceName with
     * \a actionArguments; messages are in \a language.
     *
     * Calls "runAction"(instanceName, actionName, actionArguments, language)
     * and blocks until the service answers.
     * Value: `s`, the outcome reported by the service, a QString.
     */
    DBusReply runAction(const QString& instanceName, const QString& actionName, const QString& actionArguments,
                        const QString& language) const;
};

#endif // DBUSDEVICEINFOCONNECTOR_H
