#ifndef JSONSOURCE_H
#define JSONSOURCE_H

#include <QByteArray>
#include <QHash>
#include <QJsonValue>
#include <QString>
#include <QVariant>

// The one reader of JSON text, for scenarios and for the client's arguments.
// Strict: it refuses what JSON does not allow (a byte-order mark, invalid
// UTF-8, raw control characters, invalid escapes, lone surrogates), what this
// system would read wrongly (a key given twice in one object) and text that
// D-Bus cannot carry (the NUL character); each refusal says where and why.
//
// It also keeps what a QJsonValue loses: where each value stands (line and
// column) and each number as written, since a double can't carry every
// 64-bit value. Values are named by their path from the top, as in
// answers[2].value.limits; a key that isn't a plain word is quoted: value["a.b"].
class JsonSource
{
public:
    // Deeper nesting than D-Bus allows is refused.
    static constexpr int maximumDepth = 64;

    // Reads `data` into `*value`; on a refusal sets `*error` to "line:column: reason".
    bool read(const QByteArray& data, QJsonValue* value, QString* error);

    // Whether the text has a value at the path.
    bool contains(const QString& path) const { return m_offsets.contains(path); }
    // "line:column" of the value at the path.
    QString position(const QString& path) const;
    // The number at the path as the text writes it; empty if it's no number.
    QString numberText(const QString& path) const { return m_numbers.value(path); }

    // The value at `path` as a QVariant: numbers written as whole numbers
    // exactly (qlonglong or qulonglong where they fit), others as doubles.
    // Refuses a number that is not whole but reads as a whole double, such as
    // 2147483647.0000001: nothing could tell it from the whole number.
    bool toVariant(const QJsonValue& value, const QString& path, QVariant* result, QString* error) const;

    // "line:column" of a byte offset.
    static QString lineAndColumn(const QByteArray& data, int offset);
    static QString memberPath(const QString& path, const QString& key);
    static QString elementPath(const QString& path, int index);

private:
    friend class JsonParser;

    QByteArray m_data;
    QHash<QString, int> m_offsets;
    QHash<QString, QString> m_numbers;
};

#endif // JSONSOURCE_H
