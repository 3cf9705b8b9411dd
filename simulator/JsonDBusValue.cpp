#include "JsonDBusValue.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace {
bool typedToDBus(const QJsonObject& object, QVariant* value, QString* error)
{
    const QString type = object.value(QLatin1String("@type")).toString();
    if (type == QLatin1String("ay")) {
        const QJsonValue data = object.value(QLatin1String("@base64"));
        if (!data.isString()) {
            *error = QStringLiteral("an \"ay\" value needs \"@base64\" text");
            return false;
        }
        *value = QByteArray::fromBase64(data.toString().toLatin1());
        return true;
    }
    const QJsonValue plain = object.value(QLatin1String("@value"));
    if (type == QLatin1String("s") && plain.isString())
        *value = plain.toString();
    else if (type == QLatin1String("i") && plain.isDouble())
        *value = plain.toInt();
    else if (type == QLatin1String("u") && plain.isDouble() && plain.toDouble() >= 0)
        *value = uint(plain.toDouble());
    else if (type == QLatin1String("x") && plain.isDouble())
        *value = qlonglong(plain.toDouble());
    else if (type == QLatin1String("t") && plain.isDouble() && plain.toDouble() >= 0)
        *value = qulonglong(plain.toDouble());
    else if (type == QLatin1String("d") && plain.isDouble())
        *value = plain.toDouble();
    else {
        *error = QStringLiteral("\"@type\" must be one of ay, s, i, u, x, t, d with a fitting \"@value\"");
        return false;
    }
    return true;
}
} // namespace

bool JsonDBusValue::toDBus(const QJsonValue& json, QVariant* value, QString* error)
{
    switch (json.type()) {
    case QJsonValue::String:
        *value = json.toString();
        return true;
    case QJsonValue::Bool:
        *value = json.toBool();
        return true;
    case QJsonValue::Double: {
        const double number = json.toDouble();
        if (std::trunc(number) == number && std::fabs(number) <= 2147483647.0)
            *value = int(number);
        else
            *value = number;
        return true;
    }
    case QJsonValue::Array: {
        const QJsonArray array = json.toArray();
        QStringList strings;
        QVariantList values;
        bool allStrings = true;
        for (int i = 0; i < array.size(); ++i) {
            QVariant element;
            if (!toDBus(array.at(i), &element, error)) {
                *error = QStringLiteral("[%1]: %2").arg(i).arg(*error);
                return false;
            }
            allStrings = allStrings && array.at(i).isString();
            strings.append(element.toString());
            values.append(element);
        }
        *value = allStrings ? QVariant(strings) : QVariant(values);
        return true;
    }
    case QJsonValue::Object: {
        const QJsonObject object = json.toObject();
        if (object.contains(QLatin1String("@type")))
            return typedToDBus(object, value, error);
        QVariantMap map;
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!toDBus(it.value(), &map[it.key()], error)) {
                *error = QStringLiteral(".%1: %2").arg(it.key(), *error);
                return false;
            }
        }
        *value = map;
        return true;
    }
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    *error = QStringLiteral("null has no D-Bus value");
    return false;
}
