#ifndef QMLVALUE_H
#define QMLVALUE_H

#include <QVariant>

/**
 * \file QmlValue.h
 * Values between the bus and QML.
 */

/**
 * How the QML module hands values from the bus to QML, and takes arguments
 * from QML.
 *
 * What QML gets:
 * | on the bus | in QML |
 * |---|---|
 * | `s`, `o`, `g` | string |
 * | `b` | bool |
 * | `y n q i u x t d` | number (64-bit integers exact up to 2^53) |
 * | `ay` | `ArrayBuffer` |
 * | `as` and other arrays | array |
 * | `a{..}` | object, keys as strings |
 * | a struct, `(...)` | array of its members |
 * | `v` | what it holds |
 * | a UI status item | object with one property per field |
 * | no value (an operation sent without waiting) | `undefined` |
 */
namespace QmlValue {
/// \a value as QML reads it: compound D-Bus values as lists and maps, all
/// the way down; byte arrays stay QByteArray, which QML shows as an ArrayBuffer.
QVariant fromDBus(const QVariant& value);

/// An argument as QML hands it to C++, in the plain Qt types the catalogue
/// checks: a JavaScript object or array given as a QJSValue becomes a map or list.
QVariant fromQml(const QVariant& value);
} // namespace QmlValue

#endif // QMLVALUE_H
