#include "StatusItemMap.h"

#include "UiStatusInformationItem.h"

#include <cmath>
#include <limits>

namespace {
using Item = UiStatusInformationItem;

struct TextField
{
    const char* name;
    QString (Item::*get)() const;
    void (Item::*set)(const QString&);
};

const TextField textFields[] = {
    {"uuid", &Item::uuid, &Item::setUuid},
    {"source", &Item::source, &Item::setSource},
    {"category", &Item::category, &Item::setCategory},
    {"title", &Item::title, &Item::setTitle},
    {"text", &Item::text, &Item::setText},
    {"iconName", &Item::iconName, &Item::setIconName},
    {"timestamp", &Item::timestamp, &Item::setTimestamp},
    {"action", &Item::action, &Item::setAction},
};
const QLatin1String priorityName("priority");

// Numbers come as int from QML and as double from JSON: any numeric type
// will do if its value is a whole int32.
bool toWholeInt32(const QVariant& value, qint32* result)
{
    switch (value.userType()) {
    case QMetaType::Int:
        *result = value.toInt();
        return true;
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Float:
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (!std::isfinite(number) || number != std::trunc(number) ||
            number < double(std::numeric_limits<qint32>::min()) || number > double(std::numeric_limits<qint32>::max()))
            return false;
        *result = qint32(number);
        return true;
    }
    default:
        return false;
    }
}
} // namespace

const QStringList& StatusItemMap::fieldNames()
{
    static const QStringList names = [] {
        QStringList result;
        for (const TextField& field : textFields)
            result.append(QLatin1String(field.name));
        result.append(priorityName);
        return result;
    }();
    return names;
}

QString StatusItemMap::signature()
{
    return QStringLiteral("(ssssssssi)");
}

QVariantMap StatusItemMap::fromItem(const UiStatusInformationItem& item)
{
    QVariantMap map;
    for (const TextField& field : textFields)
        map.insert(QLatin1String(field.name), (item.*field.get)());
    map.insert(priorityName, item.priority().value());
    return map;
}

bool StatusItemMap::toItem(const QVariantMap& map, const QString& prefix, UiStatusInformationItem* item, QString* error)
{
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (!fieldNames().contains(it.key())) {
            *error = QStringLiteral("%1 has no field \"%2\"; its fields are %3")
                         .arg(prefix, it.key(), fieldNames().join(QStringLiteral(", ")));
            return false;
        }
    }
    UiStatusInformationItem result;
    for (const TextField& field : textFields) {
        if (!map.contains(QLatin1String(field.name)))
            continue;
        const QVariant value = map.value(QLatin1String(field.name));
        if (value.userType() != QMetaType::QString) {
            *error = QStringLiteral("%1.%2 must be text").arg(prefix, QLatin1String(field.name));
            return false;
        }
        (result.*field.set)(value.toString());
    }
    if (map.contains(priorityName)) {
        qint32 priority = 0;
        if (!toWholeInt32(map.value(priorityName), &priority)) {
            *error = QStringLiteral("%1.%2 must be a whole number from %3 to %4")
                         .arg(prefix, priorityName)
                         .arg(std::numeric_limits<qint32>::min())
                         .arg(std::numeric_limits<qint32>::max());
            return false;
        }
        result.setPriority(UiStatusInformationItemPriority(priority));
    }
    if (result.uuid().isEmpty()) {
        *error =
            QStringLiteral("%1.uuid is missing or empty; the service adds and removes items by their uuid").arg(prefix);
        return false;
    }
    *item = result;
    return true;
}
