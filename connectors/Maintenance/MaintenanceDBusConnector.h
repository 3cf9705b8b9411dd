#ifndef MAINTENANCEDBUSCONNECTOR_H
#define MAINTENANCEDBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

/**
 * The maintenance instances, `com.vantelo.Maintenance`, asked for
 * asynchronously only. The connector relays no signals.
 *
 * Names: the module, by default `"SystemInformation"` (VanteloDefinitions::getModuleName()), and
 * the object, by default `"Maintenance"`.
 *
 * \code
 * #include <MaintenanceDBusConnector.h>
 *
 * auto maintenance = MaintenanceDBusConnector::createAndConnect("SystemInformation", "Maintenance");
 * DBusPendingReply::SharedPointer pending = maintenance->getListOfInstancesAsynchron("all");
 * \endcode
 *
 * \buildwith
 *
 * From the command line: `vantelo-cli list maintenance` names its operations and signals,
 * `vantelo-cli call maintenance OPERATION ARG...` calls one.
 *
 * \sa DBusConnectorBase, DBusReply, DBusPendingReply
 */
class VANTELO_CONNECTOR_EXPORT MaintenanceDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    /// Addresses the object \a objectName of the module \a moduleName; sends
    /// nothing. Use createAndConnect(), which also makes it ready for calls.
    MaintenanceDBusConnector(const QString& moduleName, const QString& objectName);
    /// Destroys the connector; pending replies it handed out stay valid.
    ~MaintenanceDBusConnector() override;

    /// Makes a connector for the object \a objectName of the module
    /// \a moduleName and readies it for calls with initObject(); it waits for no service.
    static QSharedPointer<MaintenanceDBusConnector> createAndConnect(const QString& moduleName,
                                                                     const QString& objectName);

    /**
     * The maintenance instances of \a instanceType.
     *
     * Calls "getListOfInstances"(instanceType) and returns at once; null when
     * the interface is unusable.
     * Value: `as`, the instance names, a QStringList in getReply().
     */
    DBusPendingReply::SharedPointer getListOfInstancesAsynchron(const QString& instanceType) const;
};

#endif // MAINTENANCEDBUSCONNECTOR_H
