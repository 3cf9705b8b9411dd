#ifndef EXTERNALMEDIAMANAGERDBUSCONNECTOR_H
#define EXTERNALMEDIAMANAGERDBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

#include <QDBusVariant>

// The functions available on external media, and the notification that the
// service has finished determining them.
class VANTELO_CONNECTOR_EXPORT ExternalMediaManagerDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    ExternalMediaManagerDBusConnector(const QString& moduleName, const QString& objectName);
    ~ExternalMediaManagerDBusConnector() override;

    static QSharedPointer<ExternalMediaManagerDBusConnector> createAndConnect(const QString& moduleName,
                                                                              const QString& objectName);

    DBusReply getAvailableFunctions(const QString& mediaPath) const;

Q_SIGNALS:
    // The job data arrive as the service sent them, still wrapped.
    void determineAvailableFunctionsFinished(const QString& strModuleName, const QDBusVariant& jobData);

protected Q_SLOTS:
    void connectServices() override;
    void disconnectServices() override;
};

#endif // EXTERNALMEDIAMANAGERDBUSCONNECTOR_H
