#ifndef JSONPLACE_H
#define JSONPLACE_H

#include "JsonSource.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

// One value of a JSON file together with its place in the file, so that a
// refusal can say where: "12:7: answers[2].code: needs a whole number".
class JsonPlace
{
public:
    // `where`: the path whose line and column refusals show, the value's own
    // if the file has it (a missing key is shown at its object).
    JsonPlace(const JsonSource& source, const QJsonValue& value, const QString& path = QString(),
              const QString& where = QString());

    const QJsonValue& value() const { return m_value; }
    const QString& path() const { return m_path; }
    // The number as the file writes it, for reading it exactly.
    QString numberText() const { return m_source.numberText(m_path); }

    bool has(const QString& key) const { return m_value.toObject().contains(key); }
    JsonPlace member(const QString& key) const;
    JsonPlace element(int index) const;

    // Sets *error to the place and the reason and returns false.
    bool refuse(const QString& reason, QString* error) const;
    // Refuses an object with a key outside `known`, naming the key and the known ones.
    bool hasOnlyKeys(const QStringList& known, QString* error) const;

    // Reads each object of a list with read(entry, error); refuses anything but a list of objects.
    template <typename Read>
    bool readEachObject(QString* error, Read read) const
    {
        if (!m_value.isArray())
            return refuse(QStringLiteral("needs a list"), error);
        for (int i = 0; i < m_value.toArray().size(); ++i) {
            const JsonPlace entry = element(i);
            if (!entry.value().isObject())
                return entry.refuse(QStringLiteral("needs an object"), error);
            if (!read(entry, error))
                return false;
        }
        return true;
    }

private:
    bool refuseAt(const QString& where, const QString& reason, QString* error) const;

    const JsonSource& m_source;
    QJsonValue m_value;
    QString m_path;
    QString m_where;
};

#endif // JSONPLACE_H
