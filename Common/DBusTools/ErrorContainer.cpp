#include "ErrorContainer.h"

ErrorContainer::ErrorContainer(int errorCode, const QString& errorMessage)
    : m_errorCode(errorCode)
    , m_errorMessage(errorMessage)
{
}

int ErrorContainer::getDefaultErrorCode()
{
    // Remote services use small positive codes; this one stays clear of them.
    return -1;
}
