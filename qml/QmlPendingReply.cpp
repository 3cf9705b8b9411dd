#include "QmlPendingReply.h"

#include "QmlValue.h"

#include <QQmlEngine>

QmlPendingReply::QmlPendingReply(const QString& operation, QObject* owner)
    : QObject(owner)
    , m_operation(operation)
    , m_engine(qmlEngine(owner))
{
    QQmlEngine::setObjectOwnership(this, QQmlEngine::CppOwnership);
}

void QmlPendingReply::finish(const DBusReply& reply)
{
    settle(reply);
    // QML connects to finished() only once call() has returned.
    QMetaObject::invokeMethod(this, &QmlPendingReply::deliver, Qt::QueuedConnection);
}

void QmlPendingReply::refuse(const QString& message, const QString& errorName)
{
    DBusReply reply;
    reply.setError(ErrorContainer::getDefaultErrorCode(), message, errorName);
    finish(reply);
}

void QmlPendingReply::follow(const DBusPendingReply::SharedPointer& pending)
{
    // Kept until the reply goes: the pending reply is still emitting when the answer is read.
    m_pending = pending;
    connect(pending.data(), &DBusPendingReply::finished, this, [this] {
        settle(m_pending->getReply());
        deliver();
    });
}

void QmlPendingReply::settle(const DBusReply& reply)
{
    m_finished = true;
    m_error = reply.getError();
    if (!reply.isError())
        m_value = QmlValue::fromDBus(reply.getValue());
}

void QmlPendingReply::deliver()
{
    const QPointer<QmlPendingReply> self(this);
    Q_EMIT finished();
    if (!self)
        return;
    setParent(nullptr);
    QQmlEngine::setObjectOwnership(this, QQmlEngine::JavaScriptOwnership);
    // QML may have dropped its reference meanwhile, and its wrapper with it:
    // without a wrapper nothing would ever collect the reply.
    if (m_engine)
        m_engine->newQObject(this);
}
