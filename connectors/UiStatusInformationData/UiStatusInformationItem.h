#ifndef UISTATUSINFORMATIONITEM_H
#define UISTATUSINFORMATIONITEM_H

#include "UiStatusInformationItemPriority.h"
#include "VanteloConnectorExport.h"

#include <QDBusMetaType>
#include <QList>
#include <QMetaType>
#include <QString>

class QDBusArgument;

// One entry of the device's UI status information: a message that the user
// interface shows until it is removed.
//
// On the bus an item is the struct (ssssssssi), in this order:
//   uuid       identifies the item; the change notification carries it
//   source     the component that raised it
//   category   the group it is shown under
//   title      a short headline
//   text       the message itself
//   iconName   the icon shown with it
//   timestamp  when it was raised, as ISO 8601 text
//   action     what activating the item opens or runs, empty for none
//   priority   its urgency, a 32-bit integer
class VANTELO_CONNECTOR_EXPORT UiStatusInformationItem
{
public:
    UiStatusInformationItem();
    virtual ~UiStatusInformationItem();

    QString uuid() const { return m_uuid; }
    void setUuid(const QString& uuid) { m_uuid = uuid; }
    QString source() const { return m_source; }
    void setSource(const QString& source) { m_source = source; }
    QString category() const { return m_category; }
    void setCategory(const QString& category) { m_category = category; }
    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    QString text() const { return m_text; }
    void setText(const QString& text) { m_text = text; }
    QString iconName() const { return m_iconName; }
    void setIconName(const QString& iconName) { m_iconName = iconName; }
    QString timestamp() const { return m_timestamp; }
    void setTimestamp(const QString& timestamp) { m_timestamp = timestamp; }
    QString action() const { return m_action; }
    void setAction(const QString& action) { m_action = action; }
    UiStatusInformationItemPriority priority() const { return m_priority; }
    void setPriority(const UiStatusInformationItemPriority& priority) { m_priority = priority; }

    // The D-Bus signatures of an item and of a list of items.
    static bool isItemSignature(const QString& signature);
    static bool isListSignature(const QString& signature);

    bool operator==(const UiStatusInformationItem& other) const;
    bool operator!=(const UiStatusInformationItem& other) const { return !(*this == other); }

private:
    friend VANTELO_CONNECTOR_EXPORT QDBusArgument& operator<<(QDBusArgument&, const UiStatusInformationItem&);
    friend VANTELO_CONNECTOR_EXPORT const QDBusArgument& operator>>(const QDBusArgument&, UiStatusInformationItem&);

    QString m_uuid;
    QString m_source;
    QString m_category;
    QString m_title;
    QString m_text;
    QString m_iconName;
    QString m_timestamp;
    QString m_action;
    UiStatusInformationItemPriority m_priority;
};

Q_DECLARE_METATYPE(UiStatusInformationItem)

VANTELO_CONNECTOR_EXPORT QDBusArgument& operator<<(QDBusArgument& argument, const UiStatusInformationItem& item);
VANTELO_CONNECTOR_EXPORT const QDBusArgument& operator>>(const QDBusArgument& argument,
                                                         UiStatusInformationItem& item);

// A list is one D-Bus array of items, an empty list an empty array.
VANTELO_CONNECTOR_EXPORT QDBusArgument& operator<<(QDBusArgument& argument,
                                                   const QList<UiStatusInformationItem>& items);
VANTELO_CONNECTOR_EXPORT const QDBusArgument& operator>>(const QDBusArgument& argument,
                                                         QList<UiStatusInformationItem>& items);

#endif // UISTATUSINFORMATIONITEM_H
