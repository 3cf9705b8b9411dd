#ifndef JSONDBUSVALUE_H
#define JSONDBUSVALUE_H

#include "JsonPlace.h"

#include <QChar>
#include <QString>
#include <QVariant>

// Scenario values as D-Bus values.
//
// A string is "s", a boolean "b", a whole number that fits "i", a number with
// a fraction or an exponent "d", a list of strings "as", any other list "av",
// an object "a{sv}". {"@type": "ay", "@base64": "..."} is a byte array, and
// {"@type": T, "@value": V} a value of the basic type T (y n q i u x t d s b o).
// Numbers are read from their text in the file, so a 64-bit value arrives
// exactly, and a number that doesn't fit its type is refused, never rounded.
namespace JsonDBusValue {
// Containers D-Bus allows around a value, all kinds told together (arrays,
// structs, dict entries, variants). Each kind alone may nest 32 deep within
// one signature; the values made here start a new signature in every variant,
// so only the total can be reached.
constexpr int maximumDepth = 64;

// `depth` is the number of containers the value will sit in on the wire.
bool toDBus(const JsonPlace& place, int depth, QVariant* value, QString* error);

// A value of one basic type, given by its D-Bus type code.
bool toBasic(const JsonPlace& place, QChar type, QVariant* value, QString* error);
} // namespace JsonDBusValue

#endif // JSONDBUSVALUE_H
