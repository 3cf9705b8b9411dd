#ifndef UISTATUSINFORMATIONITEM_H
#define UISTATUSINFORMATIONITEM_H

#include "UiStatusInformationItemPriority.h"
#include "VanteloConnectorExport.h"

#include <QDBusMetaType>
#include <QList>
#include <QMetaType>
#include <QString>

class QDBusArgument;

/**
 * \file UiStatusInformationItem.h
 * The UI status information item and how it travels on the bus.
 */

/**
 * One entry of the device's UI status information: a message that the user
 * interface shows until it is removed.
 *
 * On the bus an item is the struct `(ssssssssi)`, in this order:
 * | field       | meaning |
 * |-------------|---------|
 * | `uuid`      | identifies the item; the change notification carries it |
 * | `source`    | the component that raised it |
 * | `category`  | the group it is shown under, for example `info`, `warning`, `error` |
 * | `title`     | a short headline |
 * | `text`      | the message itself |
 * | `iconName`  | the icon shown with it |
 * | `timestamp` | when it was raised, as ISO 8601 text |
 * | `action`    | what activating the item opens or runs, empty for none |
 * | `priority`  | its urgency, a 32-bit integer (UiStatusInformationItemPriority) |
 *
 * A default item has empty texts and priority 0. Items are values: copies are
 * independent. The service adds, replaces and removes items by their uuid.
 */
class VANTELO_CONNECTOR_EXPORT UiStatusInformationItem
{
public:
    /// An empty item: empty texts, priority 0.
    UiStatusInformationItem();
    /// Destroys the item.
    virtual ~UiStatusInformationItem();

    /// What identifies the item; the change notification carries it.
    QString uuid() const { return m_uuid; }
    /// Sets the uuid to \a uuid; the service adds, replaces and removes items by it.
    void setUuid(const QString& uuid) { m_uuid = uuid; }
    /// The component that raised the item.
    QString source() const { return m_source; }
    /// Sets the source to \a source.
    void setSource(const QString& source) { m_source = source; }
    /// The group the item is shown under, for example `info`, `warning`, `error`.
    QString category() const { return m_category; }
    /// Sets the category to \a category.
    void setCategory(const QString& category) { m_category = category; }
    /// A short headline.
    QString title() const { return m_title; }
    /// Sets the title to \a title.
    void setTitle(const QString& title) { m_title = title; }
    /// The message itself.
    QString text() const { return m_text; }
    /// Sets the text to \a text.
    void setText(const QString& text) { m_text = text; }
    /// The icon shown with the item.
    QString iconName() const { return m_iconName; }
    /// Sets the icon name to \a iconName.
    void setIconName(const QString& iconName) { m_iconName = iconName; }
    /// When the item was raised, as ISO 8601 text (for example `2026-12-06T08:15:00Z`).
    QString timestamp() const { return m_timestamp; }
    /// Sets the timestamp to \a timestamp.
    void setTimestamp(const QString& timestamp) { m_timestamp = timestamp; }
    /// What activating the item opens or runs, empty for none.
    QString action() const { return m_action; }
    /// Sets the action to \a action.
    void setAction(const QString& action) { m_action = action; }
    /// The item's urgency.
    UiStatusInformationItemPriority priority() const { return m_priority; }
    /// Sets the priority to \a priority.
    void setPriority(const UiStatusInformationItemPriority& priority) { m_priority = priority; }

    /// Whether \a signature is the D-Bus signature of an item, `(ssssssssi)`.
    static bool isItemSignature(const QString& signature);
    /// Whether \a signature is the D-Bus signature of a list of items, `a(ssssssssi)`.
    static bool isListSignature(const QString& signature);

    /// Whether every field of \a other equals this item's.
    bool operator==(const UiStatusInformationItem& other) const;
    /// Whether a field of \a other differs from this item's.
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

/// Writes \a item to \a argument as the struct `(ssssssssi)`.
VANTELO_CONNECTOR_EXPORT QDBusArgument& operator<<(QDBusArgument& argument, const UiStatusInformationItem& item);
/// Reads one `(ssssssssi)` struct from \a argument into \a item; a value of
/// another type is passed over, and \a item stays as it was.
VANTELO_CONNECTOR_EXPORT const QDBusArgument& operator>>(const QDBusArgument& argument, UiStatusInformationItem& item);

/// Writes \a items to \a argument as one D-Bus array of items, `a(ssssssssi)`, in list order;
/// an empty list is an empty array.
VANTELO_CONNECTOR_EXPORT QDBusArgument& operator<<(QDBusArgument& argument,
                                                   const QList<UiStatusInformationItem>& items);
/// Reads one D-Bus array of items from \a argument into \a items, which holds
/// only those afterwards; a value of another type is passed over and leaves \a items empty.
VANTELO_CONNECTOR_EXPORT const QDBusArgument& operator>>(const QDBusArgument& argument,
                                                         QList<UiStatusInformationItem>& items);

#endif // UISTATUSINFORMATIONITEM_H
