#include "JsonValue.h"

#include "ConnectorTable.h"
#include "DBusArgumentTree.h"
#include "StatusItemMap.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QJsonArray>
#include <QJsonDocument>

namespace {
enum class Form {
    Plain,
    Typed
};

QJsonValue convert(const QVariant& value, Form form);

QJsonValue fromArgument(const QDBusArgument& argument, Form form)
{
    return DBusArgumentTree::read<QJsonArray, QJsonObject>(
        argument, [form](const QVariant& value) { return convert(value, form); });
}

QJsonValue convert(const QVariant& value, Form form)
{
    const int type = value.userType();
    if (type == qMetaTypeId<QDBusArgument>())
        return fromArgument(qvariant_cast<QDBusArgument>(value), form);
    if (type == qMetaTypeId<QDBusVariant>()) {
        const QVariant inner = qvariant_cast<QDBusVariant>(value).variant();
        return form == Form::Typed ? QJsonValue(JsonValue::typed(inner)) : convert(inner, form);
    }
    if (type == qMetaTypeId<QDBusObjectPath>())
        return qvariant_cast<QDBusObjectPath>(value).path();
    if (type == qMetaTypeId<QDBusSignature>())
        return qvariant_cast<QDBusSignature>(value).signature();
    switch (type) {
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        if (form == Form::Plain) {
            return QJsonObject{{QStringLiteral("@type"), QStringLiteral("ay")},
                               {QStringLiteral("@base64"), QString::fromLatin1(bytes.toBase64())}};
        }
        QJsonArray numbers;
        for (const char byte : bytes)
            numbers.append(int(quint8(byte)));
        return numbers;
    }
    case QMetaType::QVariantList: {
        QJsonArray array;
        for (const QVariant& element : value.toList())
            array.append(convert(element, form));
        return array;
    }
    case QMetaType::QVariantMap: {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            object.insert(it.key(), convert(it.value(), form));
        return object;
    }
    default:
        return QJsonValue::fromVariant(value);
    }
}

QJsonValue typedData(const QVariant& value, const QString& signature)
{
    // Items arrive decoded into maps; on the bus they are structs.
    const QString item = StatusItemMap::signature();
    if (signature == item && value.userType() == QMetaType::QVariantMap) {
        const QVariantMap fields = value.toMap();
        QJsonArray members;
        for (const QString& field : StatusItemMap::fieldNames())
            members.append(convert(fields.value(field), Form::Typed));
        return members;
    }
    if (signature == QLatin1Char('a') + item && value.userType() == QMetaType::QVariantList) {
        QJsonArray items;
        for (const QVariant& element : value.toList())
            items.append(typedData(element, item));
        return items;
    }
    return convert(value, Form::Typed);
}

QJsonObject typedObject(const QString& signature, const QJsonValue& data)
{
    return QJsonObject{{QStringLiteral("type"), signature}, {QStringLiteral("data"), data}};
}
} // namespace

QJsonValue JsonValue::fromVariant(const QVariant& value)
{
    return convert(value, Form::Plain);
}

QString JsonValue::signatureOf(const QVariant& value)
{
    if (!value.isValid())
        return QString();
    if (value.userType() == qMetaTypeId<QDBusArgument>())
        return qvariant_cast<QDBusArgument>(value).currentSignature();
    return dbusSignature(value.userType());
}

QJsonObject JsonValue::typed(const QVariant& value, const QString& signature)
{
    return typedObject(signature.isEmpty() ? signatureOf(value) : signature, typedData(value, signature));
}

QJsonObject JsonValue::typedArguments(const QVariantList& values, const QStringList& signatures)
{
    QJsonArray data;
    for (int i = 0; i < values.size(); ++i)
        data.append(typedData(values.at(i), signatures.value(i)));
    return typedObject(signatures.join(QString()), data);
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

QString JsonValue::argumentsText(const QVariantList& values)
{
    return toCompactText(fromVariant(values)).mid(1).chopped(1);
}
