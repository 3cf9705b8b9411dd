#ifndef DBUSREPLY_H
#define DBUSREPLY_H

#include "DBusToolsExport.h"
#include "ErrorContainer.h"

#include <QMetaType>
#include <QVariant>

class QDBusArgument;

// The outcome of a call: a value, or an error.
//
// On the bus every method answers with one variant holding the struct (isv):
// code (0 is success), message and value. Compound values stay QDBusArguments,
// basic ones arrive as plain QVariants.
class VANTELO_DBUSTOOLS_EXPORT DBusReply
{
public:
    DBusReply() = default;

    bool isError() const { return m_error.isError(); }
    const ErrorContainer& getError() const { return m_error; }
    void setError(int errorCode, const QString& errorMessage);
    // The same, for a failure that has a D-Bus error name.
    void setError(int errorCode, const QString& errorMessage, const QString& errorName);

    QVariant getValue() const { return m_value; }
    void setValue(const QVariant& value) { m_value = value; }

private:
    ErrorContainer m_error;
    QVariant m_value;
};

Q_DECLARE_METATYPE(DBusReply)

// Reads the (isv) envelope. Anything else yields an error reply with the
// default error code that says the reply was malformed.
VANTELO_DBUSTOOLS_EXPORT const QDBusArgument& operator>>(const QDBusArgument& argument, DBusReply& reply);
// Writes the (isv) envelope, as a service answers.
VANTELO_DBUSTOOLS_EXPORT QDBusArgument& operator<<(QDBusArgument& argument, const DBusReply& reply);

#endif // DBUSREPLY_H
