#ifndef UISTATUSINFORMATIONDATADBUSCONNECTOR_H
#define UISTATUSINFORMATIONDATADBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "UiStatusInformationItem.h"
#include "VanteloConnectorExport.h"

/**
 * The UI status information service, `com.vantelo.UiStatusInformationData`:
 * lists, fetches, adds and removes items and tells when one changed or was
 * removed. The service may be started on demand (StartOnDemand): calls are
 * always sent, and the signals are relayed for the connector's whole life.
 *
 * Unlike other connectors it hands back decoded items, not replies: a failure
 * is written to the warning log and gives an empty list or a default item.
 * Every call blocks. Making the connector registers UiStatusInformationItem
 * and its list with Qt's meta-type system and Qt D-Bus.
 *
 * Names: the module, by default `"SystemInformation"` (VanteloDefinitions::getModuleName()), and
 * the object, by default `"UiStatusInformation"`.
 *
 * \code
 * #include <UiStatusInformationDataDBusConnector.h>
 *
 * auto uiStatus =
 *     UiStatusInformationDataDBusConnector::createAndConnect("SystemInformation", "UiStatusInformation");
 * const QList<UiStatusInformationItem> items = uiStatus->getUiStatusInformationItemList("");
 * QObject::connect(uiStatus.data(), &UiStatusInformationDataDBusConnector::uiStatusInformationItemChanged,
 *                  [](const QString& uuid) { qDebug() << "item changed:" << uuid; });
 * \endcode
 *
 * \buildwith
 *
 * From the command line: `vantelo-cli list ui-status` names its operations and signals,
 * `vantelo-cli call ui-status OPERATION ARG...` calls one.
 *
 * \sa DBusConnectorBase, DBusReply, DBusPendingReply
 */
class VANTELO_CONNECTOR_EXPORT UiStatusInformationDataDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    /// Addresses the object \a objectName of the module \a moduleName and
    /// registers the item types; sends nothing. Use createAndConnect(), which
    /// also makes it ready for calls.
    UiStatusInformationDataDBusConnector(const QString& moduleName, const QString& objectName);
    /// Destroys the connector: it relays nothing more.
    ~UiStatusInformationDataDBusConnector() override;

    /// Makes a connector for the object \a objectName of the module
    /// \a moduleName and readies it for calls with initObject(); it waits for no service.
    static QSharedPointer<UiStatusInformationDataDBusConnector> createAndConnect(const QString& moduleName,
                                                                                 const QString& objectName);

    /**
     * The items that \a filter selects, in the service's order.
     *
     * Calls "getUiStatusInformationItemList"(filter) and blocks.
     * Value: `a(ssssssssi)`, decoded into the returned list. A failure, or an
     * answer of another type, gives an empty list and a warning.
     */
    QList<UiStatusInformationItem> getUiStatusInformationItemList(const QString& filter);
    /**
     * The item \a uuid, among those that \a filter selects.
     *
     * Calls "getUiStatusInformationItem"(filter, uuid) and blocks.
     * Value: `(ssssssssi)`, decoded into the returned item. A failure (also
     * an unknown uuid, which the service answers with an error code), or an
     * answer of another type, gives a default item (empty uuid) and a warning.
     */
    UiStatusInformationItem getUiStatusInformationItem(const QString& filter, const QString& uuid);
    /**
     * Adds \a item, or replaces the item with its uuid.
     *
     * Calls "addUiStatusInformationItem"(item), the item as `(ssssssssi)`,
     * and blocks. The service then emits "uiStatusInformationItemChanged"
     * with the uuid. A failure is only written to the warning log.
     * Value: none.
     */
    void addUiStatusInformationItem(const UiStatusInformationItem& item) const;
    /**
     * Removes the item with the uuid of \a item.
     *
     * Calls "removeUiStatusInformationItem"(item), the item as
     * `(ssssssssi)`, and blocks. The service then emits
     * "uiStatusInformationItemRemoved" with the removed item. A failure (also
     * an unknown uuid) is only written to the warning log.
     * Value: none.
     */
    void removeUiStatusInformationItem(const UiStatusInformationItem& item) const;

Q_SIGNALS:
    /// Relays "uiStatusInformationItemChanged": the item \a uuid was added or changed.
    void uiStatusInformationItemChanged(const QString& uuid);
    /// Relays "uiStatusInformationItemRemoved": \a item, as the service sent
    /// it, was removed. A signal whose argument is no item is not relayed.
    void uiStatusInformationItemRemoved(const UiStatusInformationItem& item);

protected Q_SLOTS:
    /// Relays the object's "uiStatusInformationItemChanged" and "uiStatusInformationItemRemoved".
    void connectServices() override;
    /// Stops relaying both.
    void disconnectServices() override;
};

#endif // UISTATUSINFORMATIONDATADBUSCONNECTOR_H
