#include "QmlValue.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QJSValue>
#include <QVariantList>
#include <QVariantMap>

namespace {
QVariant fromArgument(const QDBusArgument& argument)
{
    switch (argument.currentType()) {
    case QDBusArgument::BasicType:
    case QDBusArgument::VariantType:
        return QmlValue::fromDBus(argument.asVariant());
    case QDBusArgument::ArrayType: {
        QVariantList list;
        argument.beginArray();
        while (!argument.atEnd())
            list.append(QmlValue::fromDBus(argument.asVariant()));
        argument.endArray();
        return list;
    }
    case QDBusArgument::MapType: {
        QVariantMap map;
        argument.beginMap();
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            const QString key = QmlValue::fromDBus(argument.asVariant()).toString();
            map.insert(key, QmlValue::fromDBus(argument.asVariant()));
            argument.endMapEntry();
        }
        argument.endMap();
        return map;
    }
    case QDBusArgument::StructureType: {
        QVariantList members;
        argument.beginStructure();
        while (!argument.atEnd())
            members.append(QmlValue::fromDBus(argument.asVariant()));
        argument.endStructure();
        return members;
    }
    case QDBusArgument::MapEntryType:
    case QDBusArgument::UnknownType:
        break;
    }
    return QVariant();
}
} // namespace

QVariant QmlValue::fromDBus(const QVariant& value)
{
    const int type = value.userType();
    if (type == qMetaTypeId<QDBusArgument>())
        return fromArgument(qvariant_cast<QDBusArgument>(value));
    if (type == qMetaTypeId<QDBusVariant>())
        return fromDBus(qvariant_cast<QDBusVariant>(value).variant());
    if (type == qMetaTypeId<QDBusObjectPath>())
        return qvariant_cast<QDBusObjectPath>(value).path();
    if (type == qMetaTypeId<QDBusSignature>())
        return qvariant_cast<QDBusSignature>(value).signature();
    if (type == QMetaType::QVariantList) {
        QVariantList list = value.toList();
        for (QVariant& element : list)
            element = fromDBus(element);
        return list;
    }
    if (type == QMetaType::QVariantMap) {
        QVariantMap map = value.toMap();
        for (QVariant& element : map)
            element = fromDBus(element);
        return map;
    }
    return value;
}

QVariant QmlValue::fromQml(const QVariant& value)
{
    if (value.userType() == qMetaTypeId<QJSValue>())
        return qvariant_cast<QJSValue>(value).toVariant();
    return value;
}
