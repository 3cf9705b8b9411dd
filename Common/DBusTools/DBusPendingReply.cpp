#include "DBusPendingReply.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusVariant>
#include <QMetaMethod>

DBusPendingReply::DBusPendingReply(const QDBusPendingCall& call)
    : m_call(call)
{
}

DBusPendingReply::~DBusPendingReply() = default;

bool DBusPendingReply::isFinished() const
{
    return m_call.isFinished();
}

void DBusPendingReply::waitForFinished()
{
    // The watcher emits from the event loop; waiting makes it emit now.
    if (m_watcher)
        m_watcher->waitForFinished();
    else
        m_call.waitForFinished();
}

void DBusPendingReply::connectNotify(const QMetaMethod& signal)
{
    // Most callers only wait or ask; the watcher, an object of its own, is
    // made for those who listen. On a finished call it still emits, from the
    // event loop.
    if (!m_watcher && signal == QMetaMethod::fromSignal(&DBusPendingReply::finished)) {
        m_watcher = new QDBusPendingCallWatcher(m_call, this);
        connect(m_watcher, &QDBusPendingCallWatcher::finished, this, &DBusPendingReply::finished);
    }
}

DBusReply DBusPendingReply::getReply()
{
    if (!m_call.isFinished())
        waitForFinished();
    return decoded(m_call);
}

QString DBusPendingReply::getErrorName() const
{
    return m_call.isFinished() ? decoded(m_call).getError().getErrorName() : QString();
}

DBusReply DBusPendingReply::decoded(const QDBusPendingCall& call)
{
    DBusReply reply;
    const QDBusReply<QDBusVariant> answer(call);
    if (answer.isValid())
        qvariant_cast<QDBusArgument>(answer.value().variant()) >> reply;
    else
        reply.setError(ErrorContainer::getDefaultErrorCode(), answer.error().message(), answer.error().name());
    return reply;
}
