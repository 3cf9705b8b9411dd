#ifndef JSONVALUE_H
#define JSONVALUE_H

#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>
#include <QVariant>

// Values from the bus as JSON, in two forms: plain, for people (D-Bus types
// dropped, byte arrays as {"@type": "ay", "@base64": "..."} as in scenario
// files), and typed, for programs: {"type": SIGNATURE, "data": VALUE}, with
// every D-Bus variant inside typed the same way, structs as arrays, dictionaries
// as objects and byte arrays as arrays of numbers.
namespace JsonValue {
QJsonValue fromVariant(const QVariant& value);

// The D-Bus signature of a value as Qt D-Bus hands it over; empty for none.
QString signatureOf(const QVariant& value);
// The value in the typed form. Items decoded into maps (see StatusItemMap)
// need their signature given; otherwise it is the value's own.
QJsonObject typed(const QVariant& value, const QString& signature = QString());
// Arguments of a signal in the typed form, as one message body: their joined
// signature, and their data as an array.
QJsonObject typedArguments(const QVariantList& values, const QStringList& signatures);

// Compact JSON of any value, scalars included.
QString toCompactText(const QJsonValue& value);
// Strings as they are, everything else as indented JSON.
QString toReadableText(const QJsonValue& value);
// Arguments of a signal in the plain form, separated by commas, for one line.
QString argumentsText(const QVariantList& values);
} // namespace JsonValue

#endif // JSONVALUE_H
