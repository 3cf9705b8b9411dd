#ifndef STATUSITEMMAP_H
#define STATUSITEMMAP_H

#include <QString>
#include <QStringList>
#include <QVariantMap>

class UiStatusInformationItem;

// A UI status information item as plain Qt values: a QVariantMap with one key
// per field, the eight texts as QString and the priority as int.
namespace StatusItemMap {
// The field names, in the order the item travels on the bus.
const QStringList& fieldNames();
// The item's D-Bus signature.
QString signature();

QVariantMap fromItem(const UiStatusInformationItem& item);

// Fills the item from a map, strictly: no unknown keys, texts as QString, the
// priority a whole number within int32 (any numeric type), and a uuid, without
// which the service can neither add nor remove the item. Missing fields other
// than the uuid stay empty. On failure names the field, after the prefix
// (such as "item").
bool toItem(const QVariantMap& map, const QString& prefix, UiStatusInformationItem* item, QString* error);
} // namespace StatusItemMap

#endif // STATUSITEMMAP_H
