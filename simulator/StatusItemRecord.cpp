#include "StatusItemRecord.h"

QStringList StatusItemRecord::fieldNames()
{
    return {QStringLiteral("uuid"), QStringLiteral("source"),   QStringLiteral("category"),  QStringLiteral("title"),
            QStringLiteral("text"), QStringLiteral("iconName"), QStringLiteral("timestamp"), QStringLiteral("action")};
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
