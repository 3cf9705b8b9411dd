#ifndef ERRORCONTAINER_H
#define ERRORCONTAINER_H

#include "DBusToolsExport.h"

#include <QString>

/**
 * Code, message and D-Bus error name of a failed call. A default container
 * holds no error and its code is 0; one made with a code is an error.
 *
 * The service's own failures carry the service's code and message, and no
 * error name. Every failure that the client side detects itself (an unusable
 * interface, a D-Bus error, no answer in time, a malformed answer) carries
 * getDefaultErrorCode() and the D-Bus error name.
 */
class VANTELO_DBUSTOOLS_EXPORT ErrorContainer
{
public:
    /// No error.
    ErrorContainer() = default;
    /// An error with \a errorCode, \a errorMessage and the D-Bus error name \a errorName, if any.
    ErrorContainer(int errorCode, const QString& errorMessage, const QString& errorName = QString());

    /// The code of every failure that the client side detects itself: -1.
    static int getDefaultErrorCode();

    /// Whether this is an error: made with a code, whatever the code, 0 included.
    bool isError() const { return m_isError; }
    /// The service's code, or getDefaultErrorCode() for a failure detected on the client side; 0 for none.
    int getErrorCode() const { return m_errorCode; }
    /// What went wrong, in words; empty for none.
    QString getErrorMessage() const { return m_errorMessage; }
    /// The D-Bus error name of the failure, such as "org.freedesktop.DBus.Error.NoReply"
    /// for a call that timed out, or the service's own; empty when the service
    /// answered with an error code in its reply.
    QString getErrorName() const { return m_errorName; }

private:
    int m_errorCode = 0;
    // In the padding after the code: the layout stays as it was.
    bool m_isError = false;
    QString m_errorMessage;
    QString m_errorName;
};

#endif // ERRORCONTAINER_H
