#include "JsonSource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

namespace {
// A key's text as JSON writes it, decoded by the same parser that read the document.
QString decodedKey(const QByteArray& token)
{
    return QJsonDocument::fromJson('[' + token + ']').array().at(0).toString();
}
} // namespace

// The document is known to be well formed, so the walk below only needs to
// find where values start and end; it never has to judge the syntax.
bool JsonSource::map(const QByteArray& data, QString* error)
{
    m_data = data;
    m_offsets.clear();
    m_numbers.clear();
    const int start = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    return mapValue(start, QString(), error) >= 0;
}

QString JsonSource::position(const QString& path) const
{
    return lineAndColumn(m_data, m_offsets.value(path, 0));
}

QString JsonSource::lineAndColumn(const QByteArray& data, int offset)
{
    const int lineStart = offset > 0 ? data.lastIndexOf('\n', offset - 1) + 1 : 0;
    return QStringLiteral("%1:%2").arg(data.left(offset).count('\n') + 1).arg(offset - lineStart + 1);
}

QString JsonSource::memberPath(const QString& path, const QString& key)
{
    static const QRegularExpression word(QStringLiteral("^[A-Za-z0-9_@-]+$"));
    if (!word.match(key).hasMatch())
        return path + QString::fromUtf8(QJsonDocument(QJsonArray{key}).toJson(QJsonDocument::Compact));
    return path.isEmpty() ? key : path + QLatin1Char('.') + key;
}

QString JsonSource::elementPath(const QString& path, int index)
{
    return path + QStringLiteral("[%1]").arg(index);
}

int JsonSource::skipSpace(int at) const
{
    while (at < m_data.size() &&
           (m_data.at(at) == ' ' || m_data.at(at) == '\t' || m_data.at(at) == '\n' || m_data.at(at) == '\r'))
        ++at;
    return at;
}

// Just past the closing quote of the string that starts at `at`.
int JsonSource::stringEnd(int at) const
{
    for (++at; at < m_data.size() && m_data.at(at) != '"'; ++at) {
        if (m_data.at(at) == '\\')
            ++at;
    }
    return at + 1;
}

int JsonSource::mapValue(int at, const QString& path, QString* error)
{
    at = skipSpace(at);
    m_offsets.insert(path, at);
    const char first = at < m_data.size() ? m_data.at(at) : '\0';
    if (first == '{')
        return mapObject(at, path, error);
    if (first == '[')
        return mapArray(at, path, error);
    if (first == '"')
        return stringEnd(at);
    const int start = at;
    while (at < m_data.size() && QByteArrayLiteral("+-.0123456789Eeaflnrstu").contains(m_data.at(at)))
        ++at;
    if (at == start) { // never in a document QJsonDocument accepted; stops the walk rather than loop
        *error = QStringLiteral("%1: unexpected text").arg(lineAndColumn(m_data, at));
        return -1;
    }
    if (first == '-' || (first >= '0' && first <= '9'))
        m_numbers.insert(path, QString::fromLatin1(m_data.mid(start, at - start)));
    return at;
}

int JsonSource::mapObject(int at, const QString& path, QString* error)
{
    QSet<QString> keys;
    at = skipSpace(at + 1);
    while (at < m_data.size() && m_data.at(at) == '"') {
        const int keyEnd = stringEnd(at);
        const QString key = decodedKey(m_data.mid(at, keyEnd - at));
        const QString member = memberPath(path, key);
        if (keys.contains(key)) {
            m_offsets.insert(member, at);
            *error = QStringLiteral("%1: %2: given twice").arg(position(member), member);
            return -1;
        }
        keys.insert(key);
        at = mapValue(skipSpace(keyEnd) + 1, member, error); // past the ':'
        if (at < 0)
            return -1;
        at = skipSpace(at);
        if (at < m_data.size() && m_data.at(at) == ',')
            at = skipSpace(at + 1);
    }
    return at + 1; // past the '}'
}

int JsonSource::mapArray(int at, const QString& path, QString* error)
{
    at = skipSpace(at + 1);
    for (int index = 0; at < m_data.size() && m_data.at(at) != ']'; ++index) {
        at = mapValue(at, elementPath(path, index), error);
        if (at < 0)
            return -1;
        at = skipSpace(at);
        if (at < m_data.size() && m_data.at(at) == ',')
            at = skipSpace(at + 1);
    }
    return at + 1; // past the ']'
}
