#ifndef DISPLAYDBUSCONNECTOR_H
#define DISPLAYDBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

// The display of one module: a screenshot, and toggling the display state.
// Object and interface are fixed; only the module is chosen.
class VANTELO_CONNECTOR_EXPORT DisplayDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    DisplayDBusConnector(const QString& moduleName);
    ~DisplayDBusConnector() override;

    static QSharedPointer<DisplayDBusConnector> createAndConnect(const QString& moduleName);

    DBusReply getScreenshot() const;
    // Sent without waiting: whether the service accepted it is not reported.
    DBusReply toggleDisplayState() const;
};

#endif // DISPLAYDBUSCONNECTOR_H
