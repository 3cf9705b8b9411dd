#ifndef BUSCONTROLINFODBUSCONNECTOR_H
#define BUSCONTROLINFODBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

/**
 * Bus control information, `com.vantelo.BusControlInfo`: information,
 * actions, and the change notifications of the master and of each slave.
 * Every call is asynchronous.
 *
 * Names: the module, by default `"SystemInformation"` (VanteloDefinitions::getModuleName()), and
 * the object, by default `"BusControlInfo"`.
 *
 * \code
 * #include <BusControlInfoDBusConnector.h>
 *
 * auto busControl = BusControlInfoDBusConnector::createAndConnect("SystemInformation", "BusControlInfo");
 * DBusPendingReply::SharedPointer pending = busControl->getInformationAsynchron("Bus1");
 * QObject::connect(busControl.data(), &BusControlInfoDBusConnector::busControlInfoMasterChanged,
 *                  []() { qDebug() << "master changed"; });
 * \endcode
 *
 * \buildwith
 *
 * From the command line: `vantelo-cli list bus-control` names its operations and signals,
 * `vantelo-cli call bus-control OPERATION ARG...` calls one.
 *
 * \sa DBusConnectorBase, DBusReply, DBusPendingReply
 */
class VANTELO_CONNECTOR_EXPORT BusControlInfoDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    /// Addresses the object \a objectName of the module \a moduleName; sends
    /// nothing. Use createAndConnect(), which also makes it ready for calls.
    BusControlInfoDBusConnector(const QString& moduleName, const QString& objectName);
    /// Destroys the connector: it relays nothing more; pending replies it handed out stay valid.
    ~BusControlInfoDBusConnector() override;

    /// Makes a connector for the object \a objectName of the module
    /// \a moduleName and readies it for calls with initObject(); it waits for no service.
    static QSharedPointer<BusControlInfoDBusConnector> createAndConnect(const QString& moduleName,
                                                                        const QString& objectName);

    /**
     * The bus control information of the instance \a instanceName.
     *
     * Calls "getInformation"(instanceName) and returns at once; null when the
     * interface is unusable.
     * Value: `a{sv}`, the information by name (the master's state, the
     * number of slaves, ...); read getReply()'s value with `qdbus_cast<QVariantMap>`.
     */
    DBusPendingReply::SharedPointer getInformationAsynchron(const QString& instanceName) const;
    /**
     * The actions of the instance \a instanceName.
     *
     * Calls "getListOfActions"(instanceName) and returns at once; null when
     * the interface is unusable.
     * Value: `as`, the action names, a QStringList in getReply().
     */
    DBusPendingReply::SharedPointer getListOfActionsAsynchron(const QString& instanceName) const;
    /**
     * Runs the action \a actionName of the instance \a instanceName with
     * \a actionArguments.
     *
     * Calls "runAction"(instanceName, actionName, actionArguments), in the
     * singular, and returns at once; null when the interface is unusable.
     * Value: `s`, the outcome reported by the service, a QString in getReply().
     */
    DBusPendingReply::SharedPointer runActionsAsynchron(const QString& instanceName, const QString& actionName,
                                                        const QString& actionArguments) const;

Q_SIGNALS:
    /// Relays "busControlInfoMasterChanged": the information of the master changed.
    void busControlInfoMasterChanged();
    /// Relays "busControlInfoSlaveChanged": the information of the slave at
    /// \a arrayIndex changed.
    void busControlInfoSlaveChanged(int arrayIndex);

protected Q_SLOTS:
    /// Relays the object's "busControlInfoMasterChanged" and "busControlInfoSlaveChanged".
    void connectServices() override;
    /// Stops relaying both.
    void disconnectServices() override;
};

#endif // BUSCONTROLINFODBUSCONNECTOR_H
