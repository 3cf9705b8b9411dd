#ifndef JSONVALUE_H
#define JSONVALUE_H

#include <QJsonValue>
#include <QVariant>

class QDBusVariant;
class UiStatusInformationItem;

// Values from the bus as JSON, the one form the client prints them in.
// Byte arrays become {"@type": "ay", "@base64": "..."}, as in scenario files.
namespace JsonValue {
QJsonValue fromVariant(const QVariant& value);

inline QJsonValue from(const QString& value) { return value; }
inline QJsonValue from(int value) { return value; }
inline QJsonValue from(bool value) { return value; }
QJsonValue from(const QStringList& value);
QJsonValue from(const QDBusVariant& value);
QJsonValue from(const UiStatusInformationItem& item);

// Compact JSON of any value, scalars included.
QString toCompactText(const QJsonValue& value);
// Strings as they are, everything else as indented JSON.
QString toReadableText(const QJsonValue& value);
} // namespace JsonValue

#endif // JSONVALUE_H
