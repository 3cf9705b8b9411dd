#include "JsonValue.h"

#include "UiStatusInformationItem.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QJsonValue fromArgument(const QDBusArgument& argument)
{
    switch (argument.currentType()) {
    case QDBusArgument::BasicType:
    case QDBusArgument::VariantType:
        return JsonValue::fromVariant(argument.asVariant());
    case QDBusArgument::ArrayType: {
        QJsonArray array;
        argument.beginArray();
        while (!argument.atEnd())
            array.append(JsonValue::fromVariant(argument.asVariant()));
        argument.endArray();
        return array;
    }
    case QDBusArgument::MapType: {
        QJsonObject object;
        argument.beginMap();
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            const QVariant key = argument.asVariant();
            object.insert(key.toString(), JsonValue::fromVariant(argument.asVariant()));
            argument.endMapEntry();
        }
        argument.endMap();
        return object;
    }
    case QDBusArgument::StructureType: {
        QJsonArray members;
        argument.beginStructure();
        while (!argument.atEnd())
            members.append(JsonValue::fromVariant(argument.asVariant()));
        argument.endStructure();
        return members;
    }
    case QDBusArgument::MapEntryType:
    case QDBusArgument::UnknownType:
        break;
    }
    return QJsonValue();
}
} // namespace

QJsonValue JsonValue::fromVariant(const QVariant& value)
{
    const int type = value.userType();
    if (type == qMetaTypeId<QDBusArgument>())
        return fromArgument(qvariant_cast<QDBusArgument>(value));
    if (type == qMetaTypeId<QDBusVariant>())
        return fromVariant(qvariant_cast<QDBusVariant>(value).variant());
    if (type == qMetaTypeId<QDBusObjectPath>())
        return qvariant_cast<QDBusObjectPath>(value).path();
    if (type == qMetaTypeId<QDBusSignature>())
        return qvariant_cast<QDBusSignature>(value).signature();
    switch (type) {
    case QMetaType::QByteArray:
        return QJsonObject{{QStringLiteral("@type"), QStringLiteral("ay")},
                           {QStringLiteral("@base64"), QString::fromLatin1(value.toByteArray().toBase64())}};
    case QMetaType::QVariantList: {
        QJsonArray array;
        for (const QVariant& element : value.toList())
            array.append(fromVariant(element));
        return array;
    }
    case QMetaType::QVariantMap: {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            object.insert(it.key(), fromVariant(it.value()));
        return object;
    }
    default:
        return QJsonValue::fromVariant(value);
    }
}

QJsonValue JsonValue::from(const UiStatusInformationItem& item)
{
    return QJsonObject{
        {QStringLiteral("uuid"), item.uuid()},
        {QStringLiteral("source"), item.source()},
        {QStringLiteral("category"), item.category()},
        {QStringLiteral("title"), item.title()},
        {QStringLiteral("text"), item.text()},
        {QStringLiteral("iconName"), item.iconName()},
        {QStringLiteral("timestamp"), item.timestamp()},
        {QStringLiteral("action"), item.action()},
        {QStringLiteral("priority"), item.priority().value()},
    };
}

QJsonValue JsonValue::from(const QStringList& value)
{
    return QJsonArray::fromStringList(value);
}

QJsonValue JsonValue::from(const QDBusVariant& value)
{
    return fromVariant(value.variant());
}

QString JsonValue::toCompactText(const QJsonValue& value)
{
    // QJsonDocument holds only arrays and objects: wrap, then unwrap.
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

QString JsonValue::toReadableText(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    if (value.isArray())
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Indented)).trimmed();
    if (value.isObject())
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Indented)).trimmed();
    return toCompactText(value);
}
