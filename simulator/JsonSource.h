#ifndef JSONSOURCE_H
#define JSONSOURCE_H

#include <QByteArray>
#include <QHash>
#include <QString>

// What a JSON file says beyond the values QJsonDocument reads from it: where
// each value stands (line and column) and each number as written, since a
// QJsonValue holds numbers as doubles, which can't carry every 64-bit value.
//
// Values are named by their path from the top, as in answers[2].value.limits;
// a key that isn't a plain word is quoted: value["a.b"].
class JsonSource
{
public:
    // Maps a document that QJsonDocument accepted. Refuses a key given twice
    // in one object, which QJsonDocument would silently read as one.
    bool map(const QByteArray& data, QString* error);

    // Whether the file has a value at the path.
    bool contains(const QString& path) const { return m_offsets.contains(path); }
    // "line:column" of the value at the path.
    QString position(const QString& path) const;
    // The number at the path as the file writes it; empty if it's no number.
    QString numberText(const QString& path) const { return m_numbers.value(path); }

    // "line:column" of a byte offset.
    static QString lineAndColumn(const QByteArray& data, int offset);
    static QString memberPath(const QString& path, const QString& key);
    static QString elementPath(const QString& path, int index);

private:
    int skipSpace(int at) const;
    int stringEnd(int at) const;
    int mapValue(int at, const QString& path, QString* error);
    int mapObject(int at, const QString& path, QString* error);
    int mapArray(int at, const QString& path, QString* error);

    QByteArray m_data;
    QHash<QString, int> m_offsets;
    QHash<QString, QString> m_numbers;
};

#endif // JSONSOURCE_H
