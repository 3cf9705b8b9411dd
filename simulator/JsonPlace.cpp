#include "JsonPlace.h"

#include <QJsonObject>

JsonPlace::JsonPlace(const JsonSource& source, const QJsonValue& value, const QString& path, const QString& where)
    : m_source(source)
    , m_value(value)
    , m_path(path)
    , m_where(source.contains(path) ? path : where)
{
}

JsonPlace JsonPlace::member(const QString& key) const
{
    return JsonPlace(m_source, m_value.toObject().value(key), JsonSource::memberPath(m_path, key), m_where);
}

JsonPlace JsonPlace::element(int index) const
{
    return JsonPlace(m_source, m_value.toArray().at(index), JsonSource::elementPath(m_path, index), m_where);
}

bool JsonPlace::refuse(const QString& reason, QString* error) const
{
    return refuseAt(m_where, reason, error);
}

bool JsonPlace::refuseAt(const QString& where, const QString& reason, QString* error) const
{
    const QString position = m_source.position(where);
    *error = m_path.isEmpty() ? QStringLiteral("%1: %2").arg(position, reason)
                              : QStringLiteral("%1: %2: %3").arg(position, m_path, reason);
    return false;
}

bool JsonPlace::hasOnlyKeys(const QStringList& known, QString* error) const
{
    const QJsonObject object = m_value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (known.contains(it.key()))
            continue;
        const QString names = known.join(QStringLiteral(", "));
        // Said of the object, shown at the line of the key.
        return refuseAt(JsonSource::memberPath(m_path, it.key()),
                        QStringLiteral("unknown key \"%1\"; known are %2").arg(it.key(), names), error);
    }
    return true;
}
