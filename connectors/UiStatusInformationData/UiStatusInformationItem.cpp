#include "UiStatusInformationItem.h"

#include <QDBusArgument>

UiStatusInformationItem::UiStatusInformationItem() = default;

UiStatusInformationItem::~UiStatusInformationItem() = default;

bool UiStatusInformationItem::operator==(const UiStatusInformationItem& other) const
{
    return m_uuid == other.m_uuid && m_source == other.m_source && m_category == other.m_category
           && m_title == other.m_title && m_text == other.m_text && m_iconName == other.m_iconName
           && m_timestamp == other.m_timestamp && m_action == other.m_action && m_priority == other.m_priority;
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
    qint32 priority = 0;
    argument.beginStructure();
    argument >> item.m_uuid >> item.m_source >> item.m_category >> item.m_title >> item.m_text >> item.m_iconName
        >> item.m_timestamp >> item.m_action >> priority;
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
    argument.beginArray();
    items.clear();
    while (!argument.atEnd()) {
        UiStatusInformationItem item;
        argument >> item;
        items.append(item);
    }
    argument.endArray();
    return argument;
}
