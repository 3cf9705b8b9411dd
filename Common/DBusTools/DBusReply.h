#ifndef DBUSREPLY_H
#define DBUSREPLY_H

#include "DBusToolsExport.h"
#include "ErrorContainer.h"

#include <QMetaType>
#include <QVariant>

class QDBusArgument;

/**
 * \file DBusReply.h
 * The outcome of a call, and how it is read from and written to the bus.
 */

/**
 * The outcome of a call: a value, or an error.
 *
 * On the bus every method answers with one variant holding the struct `(isv)`:
 * code (0 is success), message and value. A nonzero code makes the reply an
 * error with that code and message; failures that the client side detects
 * itself carry ErrorContainer::getDefaultErrorCode() and a D-Bus error name.
 *
 * What getValue() holds depends on the value's D-Bus type, which the
 * interface files describe for each method:
 * - basic values arrive as plain QVariants: `s` as QString, `b` as bool,
 *   `i` as int, and so on;
 * - `as` arrives as a QStringList and `ay` as a QByteArray, which Qt reads itself;
 * - every other compound value stays a QDBusArgument: read it with
 *   qdbus_cast, for example `qdbus_cast<QVariantMap>(reply.getValue())` for
 *   `a{sv}`. Compound values inside stay QDBusArguments in turn.
 *
 * A method that answers no value sends an empty string: getValue() is then
 * an empty QString.
 *
 * \code
 * const DBusReply reply = deviceInfo->getInformation("Device1", "all");
 * if (reply.isError())
 *     qWarning() << reply.getError().getErrorCode() << reply.getError().getErrorMessage();
 * else
 *     show(qdbus_cast<QVariantMap>(reply.getValue()));
 * \endcode
 */
class VANTELO_DBUSTOOLS_EXPORT DBusReply
{
public:
    /// A reply without error and without value, as a call sent without waiting returns it.
    DBusReply() = default;

    /// Whether the call failed; then getError() says how.
    bool isError() const { return m_error.isError(); }
    /// Code, message and D-Bus error name of the failure; no error when the call succeeded.
    const ErrorContainer& getError() const { return m_error; }
    /// Makes the reply an error with \a errorCode and \a errorMessage and no D-Bus error name.
    void setError(int errorCode, const QString& errorMessage);
    /// The same, for a failure that has a D-Bus error name, \a errorName.
    void setError(int errorCode, const QString& errorMessage, const QString& errorName);

    /**
     * The value of the answer: a plain QVariant for basic values, `as` and
     * `ay`, a QDBusArgument for other compound values (see the class
     * description). Invalid for a reply that nothing was read into.
     */
    QVariant getValue() const { return m_value; }
    /// Sets the value that getValue() returns to \a value.
    void setValue(const QVariant& value) { m_value = value; }

private:
    ErrorContainer m_error;
    QVariant m_value;
};

Q_DECLARE_METATYPE(DBusReply)

/**
 * Reads the `(isv)` envelope from \a argument into \a reply: a nonzero code
 * becomes the error, the value becomes getValue(). Anything else yields an
 * error reply with the default error code, a message that starts with
 * "Malformed reply" and the error name
 * "org.freedesktop.DBus.Error.InvalidSignature".
 */
VANTELO_DBUSTOOLS_EXPORT const QDBusArgument& operator>>(const QDBusArgument& argument, DBusReply& reply);
/**
 * Writes \a reply to \a argument as the `(isv)` envelope, as a service
 * answers; a reply without value carries an empty string.
 */
VANTELO_DBUSTOOLS_EXPORT QDBusArgument& operator<<(QDBusArgument& argument, const DBusReply& reply);

#endif // DBUSREPLY_H
