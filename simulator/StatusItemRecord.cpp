#include "StatusItemRecord.h"

QStringList StatusItemRecord::fieldNames()
{
    return {QStringLiteral("uuid"),  QStringLiteral("source"), QStringLiteral("category"),
            QStringLiteral("title"), QStringLiteral("text"),   QStringLiteral("iconName"),
            QStringLiteral("timestamp"), QStringLiteral("action")};
}

bool StatusItemRecord::fromJson(const QJsonObject& object, StatusItemRecord* record, QString* error)
{
    const QStringList names = fieldNames();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const int index = names.indexOf(it.key());
        if (index >= 0 && it.value().isString()) {
            record->texts[size_t(index)] = it.value().toString();
        } else if (it.key() == QLatin1String("priority") && it.value().isDouble()) {
            record->priority = it.value().toInt();
        } else {
            *error = QStringLiteral("\"%1\" is not a text field (%2) nor a numeric \"priority\"")
                         .arg(it.key(), names.join(QStringLiteral(", ")));
            return false;
        }
    }
    if (record->uuid().isEmpty()) {
        *error = QStringLiteral("an item needs a \"uuid\"");
        return false;
    }
    return true;
}

QDBusArgument& operator<<(QDBusArgument& argument, const StatusItemRecord& record)
{
    argument.beginStructure();
    for (const QString& text : record.texts)
        argument << text;
    argument << record.priority;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusItemRecord& record)
{
    argument.beginStructure();
    for (QString& text : record.texts)
        argument >> text;
    argument >> record.priority;
    argument.endStructure();
    return argument;
}
