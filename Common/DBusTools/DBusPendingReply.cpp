#include "DBusPendingReply.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDBusVariant>

DBusPendingReply::DBusPendingReply(const QDBusPendingCall& call)
    : m_call(call)
    , m_watcher(new QDBusPendingCallWatcher(call, this))
{
    connect(m_watcher, &QDBusPendingCallWatcher::finished, this, &DBusPendingReply::onCallFinished);
}

DBusPendingReply::~DBusPendingReply() = default;

bool DBusPendingReply::isFinished() const
{
    return m_call.isFinished();
}

void DBusPendingReply::waitForFinished()
{
    // The watcher emits from the event loop; waiting makes it emit now.
    m_watcher->waitForFinished();
}

DBusReply DBusPendingReply::getReply()
{
    waitForFinished();
    DBusReply reply;
    const QDBusReply<QDBusVariant> answer(m_call);
    if (answer.isValid())
        qvariant_cast<QDBusArgument>(answer.value().variant()) >> reply;
    else
        reply.setError(ErrorContainer::getDefaultErrorCode(), answer.error().message());
    return reply;
}

void DBusPendingReply::onCallFinished()
{
    if (m_finishedEmitted)
        return;
    m_finishedEmitted = true;
    Q_EMIT finished();
}
