#include "DBusTemporaryTimeout.h"

#include <QDBusInterface>

DBusTemporaryTimeout::DBusTemporaryTimeout(QSharedPointer<QDBusInterface> dBusInterface, int timeoutSeconds)
    : m_interface(std::move(dBusInterface))
{
    if (!m_interface)
        return;
    m_previousTimeout = m_interface->timeout();
    m_interface->setTimeout(timeoutSeconds * 1000);
}

DBusTemporaryTimeout::~DBusTemporaryTimeout()
{
    if (m_interface)
        m_interface->setTimeout(m_previousTimeout);
}
