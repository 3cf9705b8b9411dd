#ifndef CONFIGURATIONDATAFILEHANDLERDBUSCONNECTOR_H
#define CONFIGURATIONDATAFILEHANDLERDBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

/**
 * The configuration data file handler, `com.vantelo.ConfigurationData`:
 * writing and exporting configuration data, and the notifications that
 * applying or exporting has finished. The service may be started on demand
 * (StartOnDemand): calls are always sent, and the signals are relayed for the
 * connector's whole life.
 *
 * Names: the module, by default `"SystemInformation"` (VanteloDefinitions::getModuleName()), and
 * the object, by default `"ConfigurationData"`.
 *
 * \code
 * #include <ConfigurationDataFileHandlerDBusConnector.h>
 *
 * auto configurationData =
 *     ConfigurationDataFileHandlerDBusConnector::createAndConnect("SystemInformation", "ConfigurationData");
 * DBusReply reply = configurationData->requestConfigurationWrite("Network", "Settings");
 * QObject::connect(configurationData.data(), &ConfigurationDataFileHandlerDBusConnector::applyConfigurationCompleted,
 *                  [](bool deviceRebootRequired, const QStringList& reportMessages) {
 *                      qDebug() << "applied; reboot:" << deviceRebootRequired << reportMessages;
 *                  });
 * \endcode
 *
 * \buildwith
 *
 * From the command line: `vantelo-cli list configuration-data` names its operations and signals,
 * `vantelo-cli call configuration-data OPERATION ARG...` calls one.
 *
 * \sa DBusConnectorBase, DBusReply, DBusPendingReply
 */
class VANTELO_CONNECTOR_EXPORT ConfigurationDataFileHandlerDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    /// Addresses the object \a objectName of the module \a moduleName; sends
    /// nothing. Use createAndConnect(), which also makes it ready for calls.
    ConfigurationDataFileHandlerDBusConnector(const QString& moduleName, const QString& objectName);
    /// Destroys the connector: it relays nothing more.
    ~ConfigurationDataFileHandlerDBusConnector() override;

    /// Makes a connector for the object \a objectName of the module
    /// \a moduleName and readies it for calls with initObject(); it waits for no service.
    static QSharedPointer<ConfigurationDataFileHandlerDBusConnector> createAndConnect(const QString& moduleName,
                                                                                      const QString& objectName);

    /**
     * Asks the service to write the configuration \a configurationName of
     * the instance \a instanceName.
     *
     * Calls "requestConfigurationWrite"(instanceName, configurationName) and
     * blocks for up to 240 s, far longer than an ordinary call waits; the
     * former time-out comes back afterwards. When the service has applied a
     * configuration, applyConfigurationCompleted() tells.
     * Value: `s`, the service's acknowledgement (such as `accepted`), a QString.
     */
    DBusReply requestConfigurationWrite(const QString& instanceName, const QString& configurationName) const;
    /**
     * Asks the service to export the configuration data of the instance
     * \a instanceName to \a exportPath, with the default values when
     * \a includeDefaults.
     *
     * Calls "requestConfigurationExport"(instanceName, exportPath,
     * includeDefaults) and blocks for up to 240 s, as
     * requestConfigurationWrite() does. When an export has ended,
     * exportConfigurationEnd() tells.
     * Value: `s`, the service's acknowledgement (such as `accepted`), a QString.
     */
    DBusReply requestConfigurationExport(const QString& instanceName, const QString& exportPath,
                                         bool includeDefaults) const;

Q_SIGNALS:
    /// Relays "applyConfigurationCompleted": applying a configuration has
    /// finished; \a deviceRebootRequired tells whether the device must restart
    /// for it, \a reportMessages are the service's messages in the order it sent them.
    void applyConfigurationCompleted(bool deviceRebootRequired, const QStringList& reportMessages);
    /// Relays "exportConfigurationEnd": an export has ended, whoever asked for it.
    void exportConfigurationEnd();

protected Q_SLOTS:
    /// Relays the object's "applyConfigurationCompleted" and "exportConfigurationEnd".
    void connectServices() override;
    /// Stops relaying both.
    void disconnectServices() override;
};

#endif // CONFIGURATIONDATAFILEHANDLERDBUSCONNECTOR_H
