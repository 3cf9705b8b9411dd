#ifndef DBUSPROCESSDESCRIPTIONCONNECTOR_H
#define DBUSPROCESSDESCRIPTIONCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

/**
 * Process data descriptions and their instances,
 * `com.vantelo.ProcessDescription`, blocking or asynchronous (suffix
 * Asynchron), and the notifications that a description or a property changed.
 *
 * Names: the module, by default `"SystemInformation"` (VanteloDefinitions::getModuleName()), and
 * the object, by default `"ProcessData"`.
 *
 * \code
 * #include <DBusProcessDescriptionConnector.h>
 *
 * auto processData = DBusProcessDescriptionConnector::createAndConnect("SystemInformation", "ProcessData");
 * DBusReply reply = processData->getListOfInstances("all", "en");
 * QObject::connect(processData.data(), &DBusProcessDescriptionConnector::processDataDescriptionChanged,
 *                  [](const QString& instanceName) { qDebug() << "description changed:" << instanceName; });
 * \endcode
 *
 * \buildwith
 *
 * From the command line: `vantelo-cli list process-description` names its operations and signals,
 * `vantelo-cli call process-description OPERATION ARG...` calls one.
 *
 * \sa DBusConnectorBase, DBusReply, DBusPendingReply
 */
class VANTELO_CONNECTOR_EXPORT DBusProcessDescriptionConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    /// Addresses the object \a objectName of the module \a moduleName; sends
    /// nothing. Use createAndConnect(), which also makes it ready for calls.
    DBusProcessDescriptionConnector(const QString& moduleName, const QString& objectName);
    /// Destroys the connector: it relays nothing more; pending replies it handed out stay valid.
    ~DBusProcessDescriptionConnector() override;

    /// Makes a connector for the object \a objectName of the module
    /// \a moduleName and readies it for calls with initObject(); it waits for no service.
    static QSharedPointer<DBusProcessDescriptionConnector> createAndConnect(const QString& moduleName,
                                                                            const QString& objectName);

    /**
     * The process data description of the instance \a instanceName, in
     * \a language, asynchronously.
     *
     * Calls "getProcessDataDescription"(instanceName, language) and returns
     * at once; null when the interface is unusable.
     * Value: `a{sv}`, the description (its inputs and outputs); read
     * getReply()'s value with `qdbus_cast<QVariantMap>`.
     */
    DBusPendingReply::SharedPointer getProcessDataDescriptionAsynchron(const QString& instanceName,
                                                                       const QString& language) const;
    /**
     * The instances of \a instanceType, asynchronously.
     *
     * Calls "getListOfInstances"(instanceType, language) and returns at once;
     * null when the interface is unusable.
     * Value: `as`, the instance names, a QStringList in getReply().
     */
    DBusPendingReply::SharedPointer getListOfInstancesAsynchron(const QString& instanceType,
                                                                const QString& language) const;
    /**
     * The process data description of the instance \a instanceName, in \a language.
     *
     * Calls "getProcessDataDescription"(instanceName, language) and blocks.
     * Value: `a{sv}`, the description (its inputs and outputs); read it with
     * `qdbus_cast<QVariantMap>(reply.getValue())`.
     */
    DBusReply getProcessDataDescription(const QString& instanceName, const QString& language) const;
    /**
     * The instances of \a instanceType.
     *
     * Calls "getListOfInstances"(instanceType, language) and blocks.
     * Value: `as`, the instance names, a QStringList.
     */
    DBusReply getListOfInstances(const QString& instanceType, const QString& language) const;

Q_SIGNALS:
    /// Relays "processDataDescriptionChanged": the description of the
    /// instance \a instanceName changed.
    void processDataDescriptionChanged(const QString& instanceName);
    /// Relays "propertyChanged": a property of the instance \a instanceName changed.
    void propertyChanged(const QString& instanceName);

protected Q_SLOTS:
    /// Relays the object's "processDataDescriptionChanged" and "propertyChanged".
    void connectServices() override;
    /// Stops relaying both.
    void disconnectServices() override;
};

#endif // DBUSPROCESSDESCRIPTIONCONNECTOR_H
