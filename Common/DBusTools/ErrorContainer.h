#ifndef ERRORCONTAINER_H
#define ERRORCONTAINER_H

#include "DBusToolsExport.h"

#include <QString>

// Code and message of a failed call. A default container holds no error.
class VANTELO_DBUSTOOLS_EXPORT ErrorContainer
{
public:
    ErrorContainer() = default;
    ErrorContainer(int errorCode, const QString& errorMessage, const QString& errorName = QString());

    // The code of every failure that the client side detects itself.
    static int getDefaultErrorCode();

    bool isError() const { return m_errorCode != 0; }
    int getErrorCode() const { return m_errorCode; }
    QString getErrorMessage() const { return m_errorMessage; }
    // The D-Bus error name of the failure, such as "org.freedesktop.DBus.Error.NoReply"
    // for a call that timed out, or the service's own; empty when the service
    // answered with an error code in its reply.
    QString getErrorName() const { return m_errorName; }

private:
    int m_errorCode = 0;
    QString m_errorMessage;
    QString m_errorName;
};

#endif // ERRORCONTAINER_H
