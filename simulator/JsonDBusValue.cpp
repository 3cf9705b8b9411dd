#include "JsonDBusValue.h"

#include "DBusNameRules.h"

#include <QDBusObjectPath>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>
#include <limits>

namespace {
struct IntegerType
{
    char code;
    qint64 minimum;
    quint64 maximum;
    // The value, from the negative or the other reading of the text.
    QVariant (*make)(bool negative, qint64 below, quint64 above);
};

template <typename T>
QVariant integer(bool negative, qint64 below, quint64 above)
{
    return QVariant::fromValue(negative ? T(below) : T(above));
}

const IntegerType integerTypes[] = {
    {'y', 0, 255, integer<uchar>},
    {'n', -32768, 32767, integer<short>},
    {'q', 0, 65535, integer<ushort>},
    {'i', std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(), integer<int>},
    {'u', 0, std::numeric_limits<quint32>::max(), integer<uint>},
    {'x', std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), integer<qlonglong>},
    {'t', 0, std::numeric_limits<quint64>::max(), integer<qulonglong>},
};

const IntegerType* findIntegerType(QChar code)
{
    for (const IntegerType& type : integerTypes) {
        if (code == QLatin1Char(type.code))
            return &type;
    }
    return nullptr;
}

bool isWholeNumberText(const QString& text)
{
    return !text.isEmpty() && !text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')) &&
           !text.contains(QLatin1Char('E'));
}

// The value as the file writes it, for messages.
QString written(const JsonPlace& place)
{
    if (place.value().isDouble())
        return place.numberText();
    return QString::fromUtf8(QJsonDocument(QJsonArray{place.value()}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

// Exactly the number written, or a refusal: never through a double.
bool toInteger(const JsonPlace& place, const IntegerType& type, QVariant* value, QString* error)
{
    const QString text = place.numberText();
    bool fits = place.value().isDouble() && isWholeNumberText(text);
    const bool negative = text.startsWith(QLatin1Char('-'));
    qint64 below = 0;
    quint64 above = 0;
    if (fits && negative) {
        below = text.toLongLong(&fits);
        fits = fits && below >= type.minimum;
    } else if (fits) {
        above = text.toULongLong(&fits);
        fits = fits && above <= type.maximum;
    }
    if (!fits)
        return place.refuse(QStringLiteral("\"%1\" takes a whole number from %2 to %3, not %4")
                                .arg(QLatin1Char(type.code))
                                .arg(type.minimum)
                                .arg(type.maximum)
                                .arg(written(place)),
                            error);
    *value = type.make(negative, below, above);
    return true;
}

bool toDouble(const JsonPlace& place, QVariant* value, QString* error)
{
    bool ok = place.value().isDouble();
    const double number = ok ? place.numberText().toDouble(&ok) : 0;
    if (!ok || !std::isfinite(number))
        return place.refuse(QStringLiteral("\"d\" takes a finite number, not %1").arg(written(place)), error);
    *value = number;
    return true;
}

bool tooDeep(const JsonPlace& place, QString* error)
{
    return place.refuse(QStringLiteral("nested too deeply: D-Bus carries at most %1 arrays, dicts and variants "
                                       "around a value, the reply's own envelope among them")
                            .arg(JsonDBusValue::maximumDepth),
                        error);
}

bool typedToDBus(const JsonPlace& place, int depth, QVariant* value, QString* error)
{
    const QString type = place.member(QStringLiteral("@type")).value().toString();
    if (type == QLatin1String("ay")) {
        if (!place.hasOnlyKeys({QStringLiteral("@type"), QStringLiteral("@base64")}, error))
            return false;
        if (depth + 1 > JsonDBusValue::maximumDepth)
            return tooDeep(place, error);
        const JsonPlace data = place.member(QStringLiteral("@base64"));
        const auto bytes =
            QByteArray::fromBase64Encoding(data.value().toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!data.value().isString() || !bytes)
            return data.refuse(QStringLiteral("needs base64 text"), error);
        *value = *bytes;
        return true;
    }
    if (!place.hasOnlyKeys({QStringLiteral("@type"), QStringLiteral("@value")}, error))
        return false;
    if (type.size() != 1 || !QStringLiteral("ynqiuxtdsbo").contains(type))
        return place.member(QStringLiteral("@type"))
            .refuse(QStringLiteral("must be one of ay, y, n, q, i, u, x, t, d, s, b, o"), error);
    return JsonDBusValue::toBasic(place.member(QStringLiteral("@value")), type.at(0), value, error);
}

bool arrayToDBus(const JsonPlace& place, int depth, QVariant* value, QString* error)
{
    const QJsonArray array = place.value().toArray();
    bool allStrings = true;
    for (const QJsonValue& element : array)
        allStrings = allStrings && element.isString();
    if (allStrings) {
        if (depth + 1 > JsonDBusValue::maximumDepth)
            return tooDeep(place, error);
        QStringList strings;
        for (const QJsonValue& element : array)
            strings.append(element.toString());
        *value = strings;
        return true;
    }
    // An array, and a variant around each element.
    QVariantList values;
    for (int i = 0; i < array.size(); ++i) {
        QVariant element;
        if (!JsonDBusValue::toDBus(place.element(i), depth + 2, &element, error))
            return false;
        values.append(element);
    }
    *value = values;
    return true;
}

bool objectToDBus(const JsonPlace& place, int depth, QVariant* value, QString* error)
{
    const QJsonObject object = place.value().toObject();
    if (object.contains(QLatin1String("@type")))
        return typedToDBus(place, depth, value, error);
    if (depth + 1 > JsonDBusValue::maximumDepth)
        return tooDeep(place, error);
    QVariantMap map;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const JsonPlace member = place.member(it.key());
        if (it.key().startsWith(QLatin1Char('@')))
            return member.refuse(QStringLiteral("keys that begin with @ belong to typed values, which need \"@type\""),
                                 error);
        // An array, a dict entry and a variant around each value.
        if (!JsonDBusValue::toDBus(member, depth + 3, &map[it.key()], error))
            return false;
    }
    *value = map;
    return true;
}
} // namespace

bool JsonDBusValue::toDBus(const JsonPlace& place, int depth, QVariant* value, QString* error)
{
    if (depth > maximumDepth)
        return tooDeep(place, error);
    switch (place.value().type()) {
    case QJsonValue::String:
        *value = place.value().toString();
        return true;
    case QJsonValue::Bool:
        *value = place.value().toBool();
        return true;
    case QJsonValue::Double:
        if (!isWholeNumberText(place.numberText()))
            return toDouble(place, value, error);
        if (toInteger(place, *findIntegerType(QLatin1Char('i')), value, error))
            return true;
        error->append(QStringLiteral("; other whole numbers need a type, as {\"@type\": \"x\", \"@value\": %1}")
                          .arg(place.numberText()));
        return false;
    case QJsonValue::Array:
        return arrayToDBus(place, depth, value, error);
    case QJsonValue::Object:
        return objectToDBus(place, depth, value, error);
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return place.refuse(QStringLiteral("null has no D-Bus value"), error);
}

bool JsonDBusValue::toBasic(const JsonPlace& place, QChar type, QVariant* value, QString* error)
{
    if (const IntegerType* integerType = findIntegerType(type))
        return toInteger(place, *integerType, value, error);
    if (type == QLatin1Char('d'))
        return toDouble(place, value, error);
    const QJsonValue& json = place.value();
    if (type == QLatin1Char('s') && json.isString()) {
        *value = json.toString();
        return true;
    }
    if (type == QLatin1Char('b') && json.isBool()) {
        *value = json.toBool();
        return true;
    }
    if (type == QLatin1Char('o') && json.isString() && DBusNameRules::isValidObjectPath(json.toString())) {
        *value = QVariant::fromValue(QDBusObjectPath(json.toString()));
        return true;
    }
    const QString wanted = type == QLatin1Char('s')   ? QStringLiteral("a string")
                           : type == QLatin1Char('b') ? QStringLiteral("true or false")
                                                      : QStringLiteral("an object path");
    return place.refuse(QStringLiteral("\"%1\" takes %2, not %3").arg(type, wanted, written(place)), error);
}
