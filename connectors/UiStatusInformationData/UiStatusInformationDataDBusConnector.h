#ifndef UISTATUSINFORMATIONDATADBUSCONNECTOR_H
#define UISTATUSINFORMATIONDATADBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "UiStatusInformationItem.h"
#include "VanteloConnectorExport.h"

// The UI status information service: lists, fetches, adds and removes items
// and tells when one changed or was removed. The service may be started on
// demand.
//
// Unlike other connectors it hands back decoded items, not replies: a failure
// is written to the warning log and gives an empty list or a default item.
class VANTELO_CONNECTOR_EXPORT UiStatusInformationDataDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    UiStatusInformationDataDBusConnector(const QString& moduleName, const QString& objectName);
    ~UiStatusInformationDataDBusConnector() override;

    static QSharedPointer<UiStatusInformationDataDBusConnector> createAndConnect(const QString& moduleName,
                                                                                 const QString& objectName);

    QList<UiStatusInformationItem> getUiStatusInformationItemList(const QString& filter);
    UiStatusInformationItem getUiStatusInformationItem(const QString& filter, const QString& uuid);
    void addUiStatusInformationItem(const UiStatusInformationItem& item) const;
    void removeUiStatusInformationItem(const UiStatusInformationItem& item) const;

Q_SIGNALS:
    void uiStatusInformationItemChanged(const QString& uuid);
    void uiStatusInformationItemRemoved(const UiStatusInformationItem& item);

protected Q_SLOTS:
    void connectServices() override;
    void disconnectServices() override;
};

#endif // UISTATUSINFORMATIONDATADBUSCONNECTOR_H
