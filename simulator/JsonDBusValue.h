#ifndef JSONDBUSVALUE_H
#define JSONDBUSVALUE_H

#include <QJsonValue>
#include <QString>
#include <QVariant>

// Scenario values as D-Bus values.
//
// A string is "s", a boolean "b", a whole number "i", another number "d", an
// array of strings "as", any other array "av", an object "a{sv}". The object
// {"@type": "ay", "@base64": "..."} is a byte array, and {"@type": "u"|"x"|
// "t"|"d"|"s"|"i", "@value": ...} a number or string of that exact type.
namespace JsonDBusValue {
bool toDBus(const QJsonValue& json, QVariant* value, QString* error);
} // namespace JsonDBusValue

#endif // JSONDBUSVALUE_H
