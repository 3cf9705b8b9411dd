#include "UiStatusInformationDataDBusConnector.h"

#include "SignalRelay.h"
#include "UiStatusInformationItemTypes.h"
#include "VanteloDefinitions.h"

static const QString itemChangedSignal = QStringLiteral("uiStatusInformationItemChanged");
static const QString itemRemovedSignal = QStringLiteral("uiStatusInformationItemRemoved");

UiStatusInformationDataDBusConnector::UiStatusInformationDataDBusConnector(const QString& moduleName,
                                                                           const QString& objectName)
    : DBusConnectorBase(moduleName, objectName, VanteloDefinitions::getInterfaceNameUiStatusInformationData(), nullptr,
                        StartOnDemand)
{
    // The removal signal carries an item, so Qt D-Bus must know how to read
    // one before initObject() connects it.
    registerUiStatusInformationItemTypes();
}

UiStatusInformationDataDBusConnector::~UiStatusInformationDataDBusConnector() = default;

QSharedPointer<UiStatusInformationDataDBusConnector> UiStatusInformationDataDBusConnector::createAndConnect(
    const QString& moduleName, const QString& objectName)
{
    auto connector = QSharedPointer<UiStatusInformationDataDBusConnector>::create(moduleName, objectName);
    if (connector.isNull()) {
        qWarning("Invalid pointer to connector!");
        return connector;
    }
    connector->initObject();
    return connector;
}

QList<UiStatusInformationItem> UiStatusInformationDataDBusConnector::getUiStatusInformationItemList(
    const QString& filter)
{
    QList<UiStatusInformationItem> items;
    QVariant filterArgument(filter);
    const DBusReply reply = syncCallHelper(QStringLiteral("getUiStatusInformationItemList"), filterArgument);
    if (reply.isError()) {
        qWarning() << "Failed to fetch UiStatusInformationItem list. Failed with the following error:"
                   << reply.getError().getErrorMessage();
        return items;
    }

    const QVariant value = reply.getValue();
    const QDBusArgument argument = qvariant_cast<QDBusArgument>(value);
    if (!value.canConvert<QDBusArgument>() || !UiStatusInformationItem::isListSignature(argument.currentSignature())) {
        qWarning() << "Unable to extract UiStatusInformationItem list from dbus reply";
        return items;
    }
    argument >> items;
    return items;
}

UiStatusInformationItem UiStatusInformationDataDBusConnector::getUiStatusInformationItem(const QString& filter,
                                                                                         const QString& uuid)
{
    UiStatusInformationItem item;
    QVariant filterArgument(filter);
    QVariant uuidArgument(uuid);
    const DBusReply reply = syncCallHelper(QStringLiteral("getUiStatusInformationItem"), filterArgument, uuidArgument);
    if (reply.isError()) {
        qWarning() << "Failed to fetch UiStatusInformationItem. Failed with the following error:"
                   << reply.getError().getErrorMessage();
        return item;
    }

    const QVariant value = reply.getValue();
    const QDBusArgument argument = qvariant_cast<QDBusArgument>(value);
    if (!value.canConvert<QDBusArgument>() || !UiStatusInformationItem::isItemSignature(argument.currentSignature())) {
        qWarning() << "Unable to extract UiStatusInformationItem from dbus reply";
        return item;
    }
    argument >> item;
    return item;
}

void UiStatusInformationDataDBusConnector::addUiStatusInformationItem(const UiStatusInformationItem& item) const
{
    QVariant itemArgument = QVariant::fromValue(item);
    const DBusReply reply = syncCallHelper(QStringLiteral("addUiStatusInformationItem"), itemArgument);
    if (reply.isError()) {
        qWarning() << "Failed to add system information item. Failed with the following error:"
                   << reply.getError().getErrorMessage();
    }
}

void UiStatusInformationDataDBusConnector::removeUiStatusInformationItem(const UiStatusInformationItem& item) const
{
    QVariant itemArgument = QVariant::fromValue(item);
    const DBusReply reply = syncCallHelper(QStringLiteral("removeUiStatusInformationItem"), itemArgument);
    if (reply.isError()) {
        qWarning() << "Failed to remove system information item. Failed with the following error:"
                   << reply.getError().getErrorMessage();
    }
}

void UiStatusInformationDataDBusConnector::connectServices()
{
    // An empty interface name matches the signal on any interface of the object.
    SignalRelay::connect(this, itemChangedSignal, "2uiStatusInformationItemChanged(QString)");
    SignalRelay::connect(this, itemRemovedSignal, "2uiStatusInformationItemRemoved(UiStatusInformationItem)");
}

void UiStatusInformationDataDBusConnector::disconnectServices()
{
    SignalRelay::disconnect(this, itemChangedSignal, "2uiStatusInformationItemChanged(QString)");
    SignalRelay::disconnect(this, itemRemovedSignal, "2uiStatusInformationItemRemoved(UiStatusInformationItem)");
}
