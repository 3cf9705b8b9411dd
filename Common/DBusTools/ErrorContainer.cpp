#include "ErrorContainer.h"

ErrorContainer::ErrorContainer(int errorCode, const QString& errorMessage, const QString& errorName)
    : m_errorCode(errorCode)
    , m_isError(true)
    , m_errorMessage(errorMessage)
    , m_errorName(errorName)
{
}

int ErrorContainer::getDefaultErrorCode()
{
    // Remote services use small positive codes; this one stays clear of them.
    return -1;
}
