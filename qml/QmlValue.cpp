#include "QmlValue.h"

#include "DBusArgumentTree.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QJSValue>
#include <QVariantList>
#include <QVariantMap>

QVariant QmlValue::fromDBus(const QVariant& value)
{
    const int type = value.userType();
    if (type == qMetaTypeId<QDBusArgument>())
        return DBusArgumentTree::read<QVariantList, QVariantMap>(qvariant_cast<QDBusArgument>(value), &fromDBus);
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
