#include "UiStatusInformationItem.h"
#include "UiStatusInformationItemTypes.h"

#include <QDBusArgument>
#include <QDBusMetaType>

namespace {
const QLatin1String itemSignature("(ssssssssi)");
const QLatin1String listSignature("a(ssssssssi)");

// Reading a value as another type would abort in the D-Bus library: a value
// of the wrong shape is passed over instead, and the target stays as it was.
bool skipUnless(const QDBusArgument& argument, QLatin1String signature)
{
    if (argument.currentSignature() == signature)
        return false;
    if (!argument.atEnd())
        argument.asVariant();
    return true;
}
} // namespace

bool UiStatusInformationItem::isItemSignature(const QString& signature)
{
    return signature == itemSignature;
}

bool UiStatusInformationItem::isListSignature(const QString& signature)
{
    return signature == listSignature;
}

UiStatusInformationItem::UiStatusInformationItem() = default;

UiStatusInformationItem::~UiStatusInformationItem() = default;

bool UiStatusInformationItem::operator==(const UiStatusInformationItem& other) const
{
    return m_uuid == other.m_uuid && m_source == other.m_source && m_category == other.m_category &&
           m_title == other.m_title && m_text == other.m_text && m_iconName == other.m_iconName &&
           m_timestamp == other.m_timestamp && m_action == other.m_action && m_priority == other.m_priority;
}

QDBusArgument& operator<<(QDBusArgument& argument, const UiStatusInformationItem& item)
{
    argument.beginStructure();
    argument << item.m_uuid << item.m_source << item.m_category << item.m_title << item.m_text << item.m_iconName
             << item.m_timestamp << item.m_action << item.m_priority.value();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, UiStatusInformationItem& item)
{
    if (skipUnless(argument, itemSignature))
        return argument;
    qint32 priority = 0;
    argument.beginStructure();
    argument >> item.m_uuid >> item.m_source >> item.m_category >> item.m_title >> item.m_text >> item.m_iconName >>
        item.m_timestamp >> item.m_action >> priority;
    argument.endStructure();
    item.m_priority.setValue(priority);
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const QList<UiStatusInformationItem>& items)
{
    // The element type comes from the item's registration, so that an empty
    // list still writes an array of items.
    argument.beginArray(qMetaTypeId<UiStatusInformationItem>());
    for (const UiStatusInformationItem& item : items)
        argument << item;
    argument.endArray();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, QList<UiStatusInformationItem>& items)
{
    items.clear();
    if (skipUnless(argument, listSignature))
        return argument;
    argument.beginArray();
    while (!argument.atEnd()) {
        UiStatusInformationItem item;
        argument >> item;
        items.append(item);
    }
    argument.endArray();
    return argument;
}

void registerUiStatusInformationItemTypes()
{
    qMetaTypeId<UiStatusInformationItem>();
    qDBusRegisterMetaType<UiStatusInformationItem>();
    qMetaTypeId<QList<UiStatusInformationItem>>();
    qDBusRegisterMetaType<QList<UiStatusInformationItem>>();
}

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
// Qt 5's D-Bus marshalling functions of the item and its list: the Qt 5
// library has always exported them, and applications built against it may
// call the library's copies.
template VANTELO_CONNECTOR_EXPORT void qDBusMarshallHelper<UiStatusInformationItem>(QDBusArgument&,
                                                                                    const UiStatusInformationItem*);
template VANTELO_CONNECTOR_EXPORT void qDBusDemarshallHelper<UiStatusInformationItem>(const QDBusArgument&,
                                                                                      UiStatusInformationItem*);
template VANTELO_CONNECTOR_EXPORT void qDBusMarshallHelper<QList<UiStatusInformationItem>>(
    QDBusArgument&, const QList<UiStatusInformationItem>*);
template VANTELO_CONNECTOR_EXPORT void qDBusDemarshallHelper<QList<UiStatusInformationItem>>(
    const QDBusArgument&, QList<UiStatusInformationItem>*);
#endif
