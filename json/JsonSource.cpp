#include "JsonSource.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <cctype>
#include <cmath>

namespace {
// The power of ten of a number's first significant digit, as its text says:
// positive for one too large for a double, negative for one too small.
qint64 decimalMagnitude(const QByteArray& number)
{
    int exponentAt = number.indexOf('e');
    if (exponentAt < 0)
        exponentAt = number.indexOf('E');
    qint64 exponent = 0;
    if (exponentAt >= 0) {
        bool read = false;
        exponent = number.mid(exponentAt + 1).toLongLong(&read);
        if (!read) // more digits than any exponent needs
            exponent = number.at(exponentAt + 1) == '-' ? -(qint64(1) << 32) : qint64(1) << 32;
    }
    const QByteArray mantissa = exponentAt < 0 ? number : number.left(exponentAt);
    const int point = mantissa.indexOf('.');
    qint64 wholeDigits = 0;
    for (const char digit : point < 0 ? mantissa : mantissa.left(point)) {
        if (wholeDigits > 0 || (digit >= '1' && digit <= '9'))
            ++wholeDigits;
    }
    if (wholeDigits > 0)
        return exponent + wholeDigits - 1;
    qint64 zeros = 0;
    for (const char digit : point < 0 ? QByteArray() : mantissa.mid(point + 1)) {
        if (digit != '0')
            break;
        ++zeros;
    }
    return exponent - zeros - 1;
}

// Whether the number's mantissa, as written, is not 0.
bool hasNonZeroDigit(const QByteArray& number)
{
    for (const char c : number) {
        if (c == 'e' || c == 'E')
            break;
        if (c >= '1' && c <= '9')
            return true;
    }
    return false;
}

// A number's text as its digits and a power of ten: "-12.50e3" is 125 and 2.
struct Decimal
{
    bool negative = false;
    QByteArray digits;
    int scale = 0;

    explicit Decimal(const QByteArray& text)
    {
        negative = text.startsWith('-');
        const int exponentAt = qMax(text.indexOf('e'), text.indexOf('E'));
        const QByteArray mantissa = text.mid(negative ? 1 : 0, exponentAt < 0 ? -1 : exponentAt - (negative ? 1 : 0));
        const int point = mantissa.indexOf('.');
        digits = point < 0 ? mantissa : mantissa.left(point) + mantissa.mid(point + 1);
        scale = (exponentAt < 0 ? 0 : text.mid(exponentAt + 1).toInt()) - (point < 0 ? 0 : mantissa.size() - point - 1);
        while (digits.startsWith('0'))
            digits.remove(0, 1);
        while (digits.endsWith('0')) {
            digits.chop(1);
            ++scale;
        }
    }

    bool isWhole() const { return digits.isEmpty() || scale >= 0; }
};
} // namespace

// A recursive descent over the bytes, by the grammar of RFC 8259.
class JsonParser
{
public:
    JsonParser(JsonSource* source, QString* error)
        : m_source(source)
        , m_data(source->m_data)
        , m_error(error)
    {
    }

    bool document(QJsonValue* value)
    {
        if (m_data.startsWith("\xEF\xBB\xBF"))
            return refuse(0, QStringLiteral("a byte-order mark is not allowed"));
        if (!readValue(QString(), 0, value))
            return false;
        skipSpace();
        return m_at == m_data.size() || refuse(m_at, QStringLiteral("unexpected text after the value"));
    }

private:
    bool refuse(int offset, const QString& reason)
    {
        *m_error = JsonSource::lineAndColumn(m_data, offset) + QStringLiteral(": ") + reason;
        return false;
    }

    char peek() const { return m_at < m_data.size() ? m_data.at(m_at) : '\0'; }
    bool atEnd() const { return m_at >= m_data.size(); }

    void skipSpace()
    {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++m_at;
    }

    QString unexpected() const
    {
        if (atEnd())
            return QStringLiteral("the text ends too early");
        const uchar byte = uchar(peek());
        if (byte >= 0x20 && byte < 0x7F)
            return QStringLiteral("unexpected '%1'").arg(QLatin1Char(char(byte)));
        return QStringLiteral("unexpected byte 0x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }

    bool readValue(const QString& path, int depth, QJsonValue* value)
    {
        skipSpace();
        m_source->m_offsets.insert(path, m_at);
        switch (peek()) {
        case '{':
            return readObject(path, depth + 1, value);
        case '[':
            return readArray(path, depth + 1, value);
        case '"': {
            QString text;
            if (!readString(&text))
                return false;
            *value = text;
            return true;
        }
        case 't':
            return readWord("true", QJsonValue(true), value);
        case 'f':
            return readWord("false", QJsonValue(false), value);
        case 'n':
            return readWord("null", QJsonValue(QJsonValue::Null), value);
        default:
            if (peek() == '-' || (peek() >= '0' && peek() <= '9'))
                return readNumber(path, value);
            return refuse(m_at, unexpected());
        }
    }

    bool readWord(const char* word, const QJsonValue& meaning, QJsonValue* value)
    {
        const int length = int(qstrlen(word));
        if (m_data.mid(m_at, length) != word)
            return refuse(m_at, QStringLiteral("unexpected text; true, false or null?"));
        m_at += length;
        *value = meaning;
        return true;
    }

    bool readObject(const QString& path, int depth, QJsonValue* value)
    {
        if (depth > JsonSource::maximumDepth)
            return refuse(m_at, QStringLiteral("nested too deeply"));
        ++m_at;
        QJsonObject object;
        QSet<QString> keys;
        skipSpace();
        if (peek() == '}') {
            ++m_at;
            *value = object;
            return true;
        }
        for (;;) {
            skipSpace();
            const int keyAt = m_at;
            QString key;
            if (peek() != '"')
                return refuse(m_at, unexpected() + QStringLiteral("; a key in double quotes?"));
            if (!readString(&key))
                return false;
            const QString member = JsonSource::memberPath(path, key);
            if (keys.contains(key)) {
                m_source->m_offsets.insert(member, keyAt);
                return refuse(keyAt, QStringLiteral("%1: given twice").arg(member));
            }
            keys.insert(key);
            skipSpace();
            if (peek() != ':')
                return refuse(m_at, unexpected() + QStringLiteral("; ':' after the key?"));
            ++m_at;
            QJsonValue memberValue;
            if (!readValue(member, depth, &memberValue))
                return false;
            object.insert(key, memberValue);
            skipSpace();
            if (peek() == '}') {
                ++m_at;
                *value = object;
                return true;
            }
            if (peek() != ',')
                return refuse(m_at, unexpected() + QStringLiteral("; ',' or '}'?"));
            ++m_at;
        }
    }

    bool readArray(const QString& path, int depth, QJsonValue* value)
    {
        if (depth > JsonSource::maximumDepth)
            return refuse(m_at, QStringLiteral("nested too deeply"));
        ++m_at;
        QJsonArray array;
        skipSpace();
        if (peek() == ']') {
            ++m_at;
            *value = array;
            return true;
        }
        for (int index = 0;; ++index) {
            QJsonValue element;
            if (!readValue(JsonSource::elementPath(path, index), depth, &element))
                return false;
            array.append(element);
            skipSpace();
            if (peek() == ']') {
                ++m_at;
                *value = array;
                return true;
            }
            if (peek() != ',')
                return refuse(m_at, unexpected() + QStringLiteral("; ',' or ']'?"));
            ++m_at;
        }
    }

    // Four hexadecimal digits after "\u".
    bool readHex(uint* unit)
    {
        bool ok = m_at + 4 <= m_data.size();
        for (int i = 0; ok && i < 4; ++i)
            ok = isxdigit(uchar(m_data.at(m_at + i)));
        if (!ok)
            return refuse(m_at - 2, QStringLiteral("\\u needs four hexadecimal digits"));
        *unit = m_data.mid(m_at, 4).toUInt(nullptr, 16);
        m_at += 4;
        return true;
    }

    bool readEscape(QString* text)
    {
        const int escapeAt = m_at;
        ++m_at; // the backslash
        const char kind = peek();
        ++m_at;
        switch (kind) {
        case '"':
        case '\\':
        case '/':
            text->append(QLatin1Char(kind));
            return true;
        case 'b':
            text->append(QLatin1Char('\b'));
            return true;
        case 'f':
            text->append(QLatin1Char('\f'));
            return true;
        case 'n':
            text->append(QLatin1Char('\n'));
            return true;
        case 'r':
            text->append(QLatin1Char('\r'));
            return true;
        case 't':
            text->append(QLatin1Char('\t'));
            return true;
        case 'u':
            break;
        default:
            m_at = escapeAt;
            return refuse(escapeAt, QStringLiteral("invalid escape; \\\" \\\\ \\/ \\b \\f \\n \\r \\t or \\uXXXX?"));
        }
        uint unit = 0;
        if (!readHex(&unit))
            return false;
        if (unit == 0)
            return refuse(escapeAt, QStringLiteral("\\u0000: D-Bus text cannot carry the NUL character"));
        if (QChar::isLowSurrogate(unit))
            return refuse(escapeAt, QStringLiteral("a lone low surrogate"));
        if (QChar::isHighSurrogate(unit)) {
            uint low = 0;
            if (m_data.mid(m_at, 2) != "\\u")
                return refuse(escapeAt, QStringLiteral("a lone high surrogate"));
            m_at += 2;
            if (!readHex(&low))
                return false;
            if (!QChar::isLowSurrogate(low))
                return refuse(escapeAt, QStringLiteral("a lone high surrogate"));
            text->append(QChar(ushort(unit)));
            text->append(QChar(ushort(low)));
            return true;
        }
        text->append(QChar(ushort(unit)));
        return true;
    }

    // One character written as UTF-8, checked as D-Bus checks it: shortest
    // form, no surrogates, nothing beyond U+10FFFF.
    bool readUtf8(QString* text)
    {
        const uchar lead = uchar(peek());
        int length = 0;
        uint code = 0;
        uint least = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
            least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
            least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
            least = 0x10000;
        }
        bool valid = length > 0 && m_at + length <= m_data.size();
        for (int i = 1; valid && i < length; ++i) {
            const uchar next = uchar(m_data.at(m_at + i));
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid || code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return refuse(m_at, QStringLiteral("invalid UTF-8"));
        const char32_t character = code;
        text->append(QString::fromUcs4(&character, 1));
        m_at += length;
        return true;
    }

    bool readString(QString* text)
    {
        ++m_at; // the opening quote
        for (;;) {
            if (atEnd())
                return refuse(m_at, QStringLiteral("the text ends inside a string"));
            const uchar byte = uchar(peek());
            if (byte == '"') {
                ++m_at;
                return true;
            }
            if (byte == '\\') {
                if (!readEscape(text))
                    return false;
            } else if (byte < 0x20) {
                return refuse(
                    m_at,
                    QStringLiteral("a control character (0x%1) must be escaped").arg(byte, 2, 16, QLatin1Char('0')));
            } else if (byte < 0x80) {
                text->append(QLatin1Char(char(byte)));
                ++m_at;
            } else if (!readUtf8(text)) {
                return false;
            }
        }
    }

    bool readDigits()
    {
        const int start = m_at;
        while (peek() >= '0' && peek() <= '9')
            ++m_at;
        return m_at > start;
    }

    bool readNumber(const QString& path, QJsonValue* value)
    {
        const int start = m_at;
        if (peek() == '-')
            ++m_at;
        if (peek() == '0') {
            ++m_at;
            if (peek() >= '0' && peek() <= '9')
                return refuse(start, QStringLiteral("a number does not start with 0"));
        } else if (!readDigits()) {
            return refuse(start, QStringLiteral("a number needs digits"));
        }
        if (peek() == '.') {
            ++m_at;
            if (!readDigits())
                return refuse(start, QStringLiteral("a number needs digits after '.'"));
        }
        if (peek() == 'e' || peek() == 'E') {
            ++m_at;
            if (peek() == '+' || peek() == '-')
                ++m_at;
            if (!readDigits())
                return refuse(start, QStringLiteral("a number needs digits in its exponent"));
        }
        const QByteArray text = m_data.mid(start, m_at - start);
        // A number out of a double's range is refused, not changed: one too
        // small would read as 0, one too large as infinity (Qt 5) or 0 (Qt 6).
        bool converted = false;
        const double number = text.toDouble(&converted);
        if (!converted || !std::isfinite(number) || (number == 0 && hasNonZeroDigit(text))) {
            const QLatin1String size(decimalMagnitude(text) > 0 ? "large" : "small");
            return refuse(start, QStringLiteral("%1 is too %2 for a double").arg(QString::fromLatin1(text), size));
        }
        m_source->m_numbers.insert(path, QString::fromLatin1(text));
        *value = number;
        return true;
    }

    JsonSource* const m_source;
    const QByteArray& m_data;
    QString* const m_error;
    int m_at = 0;
};

bool JsonSource::read(const QByteArray& data, QJsonValue* value, QString* error)
{
    m_data = data;
    m_offsets.clear();
    m_numbers.clear();
    return JsonParser(this, error).document(value);
}

bool JsonSource::toVariant(const QJsonValue& value, const QString& path, QVariant* result, QString* error) const
{
    if (value.isObject()) {
        QVariantMap map;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!toVariant(it.value(), memberPath(path, it.key()), &map[it.key()], error))
                return false;
        }
        *result = map;
        return true;
    }
    if (value.isArray()) {
        QVariantList list;
        const QJsonArray array = value.toArray();
        for (int i = 0; i < array.size(); ++i) {
            list.append(QVariant());
            if (!toVariant(array.at(i), elementPath(path, i), &list.last(), error))
                return false;
        }
        *result = list;
        return true;
    }
    if (!value.isDouble()) {
        *result = value.toVariant();
        return true;
    }
    const QString text = numberText(path);
    const Decimal decimal(text.toLatin1());
    if (decimal.isWhole() && decimal.digits.size() + decimal.scale <= 20) {
        const QByteArray whole =
            (decimal.negative ? QByteArray("-") : QByteArray()) +
            (decimal.digits.isEmpty() ? QByteArray("0") : decimal.digits + QByteArray(decimal.scale, '0'));
        bool fits = false;
        const qlonglong signedValue = whole.toLongLong(&fits);
        if (fits) {
            *result = signedValue;
            return true;
        }
        const qulonglong unsignedValue = whole.toULongLong(&fits);
        if (fits) {
            *result = unsignedValue;
            return true;
        }
    }
    const double number = value.toDouble();
    if (!decimal.isWhole() && number == std::trunc(number)) {
        *error = QStringLiteral("%1: %2 is not a whole number, and a double can't tell it from one")
                     .arg(position(path), text);
        return false;
    }
    *result = number;
    return true;
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
