#ifndef SELECTORDATADBUSCONNECTOR_H
#define SELECTORDATADBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

// Selector texts and instance lists. The connector does not talk to the given
// object but to the selector data object that belongs to it; see
// getResultingObjectName().
class VANTELO_CONNECTOR_EXPORT SelectorDataDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    SelectorDataDBusConnector(const QString& moduleName, const QString& objectName);
    ~SelectorDataDBusConnector() override;

    static QSharedPointer<SelectorDataDBusConnector> createAndConnect(const QString& moduleName,
                                                                      const QString& objectName);

    // The object that serves the selector data of the given module's object.
    QString getResultingObjectName(const QString& moduleName, QString objectName) const;

    DBusPendingReply::SharedPointer getListOfInstancesAsynchron(const QString& instanceName,
                                                                const QString& selectorName) const;
    DBusReply getListOfInstances(const QString& instanceName, const QString& selectorName) const;
    DBusReply getSelectorText(const QString& instanceName, const QString& selectorName, const QString& selectorValue,
                              const QString& textId, const QString& textArguments, const QString& language);
};

#endif // SELECTORDATADBUSCONNECTOR_H
