#ifndef CONFIGURATIONDATAFILEHANDLERDBUSCONNECTOR_H
#define CONFIGURATIONDATAFILEHANDLERDBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

// The configuration data file handler: writing and exporting configuration
// data, and the notifications that applying or exporting has finished. The
// service may be started on demand.
class VANTELO_CONNECTOR_EXPORT ConfigurationDataFileHandlerDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    ConfigurationDataFileHandlerDBusConnector(const QString& moduleName, const QString& objectName);
    ~ConfigurationDataFileHandlerDBusConnector() override;

    static QSharedPointer<ConfigurationDataFileHandlerDBusConnector> createAndConnect(const QString& moduleName,
                                                                                      const QString& objectName);

    // Both requests block, and may wait far longer for their answer than an
    // ordinary call does.
    DBusReply requestConfigurationWrite(const QString& instanceName, const QString& configurationName) const;
    DBusReply requestConfigurationExport(const QString& instanceName, const QString& exportPath,
                                         bool includeDefaults) const;

Q_SIGNALS:
    void applyConfigurationCompleted(bool deviceRebootRequired, const QStringList& reportMessages);
    void exportConfigurationEnd();

protected Q_SLOTS:
    void connectServices() override;
    void disconnectServices() override;
};

#endif // CONFIGURATIONDATAFILEHANDLERDBUSCONNECTOR_H
