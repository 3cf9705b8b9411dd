#ifndef DBUSARGUMENTTREE_H
#define DBUSARGUMENTTREE_H

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QString>
#include <QVariant>

// A compound D-Bus value, as Qt D-Bus hands it over in a QDBusArgument, read
// into a tree of the client's own kind: arrays and structs become a List,
// dictionaries a Map keyed by text, and every value inside goes through
// `convert` (a QVariant, which may be a QDBusArgument or a QDBusVariant in
// turn), whose result is an element of both.
namespace DBusArgumentTree {

// A dictionary key as text: the path of an object path, the text of a
// signature, any other basic value as QVariant::toString() writes it.
inline QString keyText(const QVariant& key)
{
    if (key.userType() == qMetaTypeId<QDBusObjectPath>())
        return qvariant_cast<QDBusObjectPath>(key).path();
    if (key.userType() == qMetaTypeId<QDBusSignature>())
        return qvariant_cast<QDBusSignature>(key).signature();
    return key.toString();
}

template <typename List, typename Map, typename Convert>
auto read(const QDBusArgument& argument, const Convert& convert) -> decltype(convert(QVariant()))
{
    switch (argument.currentType()) {
    case QDBusArgument::BasicType:
    case QDBusArgument::VariantType:
        return convert(argument.asVariant());
    case QDBusArgument::ArrayType: {
        List list;
        argument.beginArray();
        while (!argument.atEnd())
            list.append(convert(argument.asVariant()));
        argument.endArray();
        return list;
    }
    case QDBusArgument::MapType: {
        Map map;
        argument.beginMap();
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            const QString key = keyText(argument.asVariant());
            map.insert(key, convert(argument.asVariant()));
            argument.endMapEntry();
        }
        argument.endMap();
        return map;
    }
    case QDBusArgument::StructureType: {
        List members;
        argument.beginStructure();
        while (!argument.atEnd())
            members.append(convert(argument.asVariant()));
        argument.endStructure();
        return members;
    }
    case QDBusArgument::MapEntryType:
    case QDBusArgument::UnknownType:
        break;
    }
    return {};
}

} // namespace DBusArgumentTree

#endif // DBUSARGUMENTTREE_H
