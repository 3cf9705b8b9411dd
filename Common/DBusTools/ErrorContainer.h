#ifndef ERRORCONTAINER_H
#define ERRORCONTAINER_H

#include "DBusToolsExport.h"

#include <QString>

// Code and message of a failed call. A default container holds no error.
class VANTELO_DBUSTOOLS_EXPORT ErrorContainer
{
public:
    ErrorContainer() = default;
    ErrorContainer(int errorCode, const QString& errorMessage);

    // The code of every failure that the client side detects itself.
    static int getDefaultErrorCode();

    bool isError() const { return m_errorCode != 0; }
    int getErrorCode() const { return m_errorCode; }
    QString getErrorMessage() const { return m_errorMessage; }

private:
    int m_errorCode = 0;
    QString m_errorMessage;
};

#endif // ERRORCONTAINER_H
