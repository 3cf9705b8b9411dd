#ifndef QMLPENDINGREPLY_H
#define QMLPENDINGREPLY_H

#include "DBusPendingReply.h"
#include "DBusReply.h"

#include <QObject>
#include <QJSEngine>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QtQml/qqml.h>

/**
 * QML type `PendingReply` of `Vantelo.Connectors 1.0`: the outcome of one
 * Connector.call(), made by the call and never by QML itself.
 *
 * Its properties hold the answer once isFinished is true, and finished()
 * fires once, always from the event loop: also for a call that was over
 * before QML could connect to it. Blocking operations and those sent without
 * waiting are finished when call() returns; asynchronous ones when the
 * answer arrives. QML never waits on it.
 *
 * \code
 * var reply = deviceInfo.call("getInformationAsynchron", "Device1", "all")
 * reply.finished.connect(function() {
 *     if (reply.isError)
 *         console.warn(reply.errorName, reply.errorMessage)
 *     else
 *         serial.text = reply.value.serialNumber
 * })
 * \endcode
 *
 * A reply lives at least until finished() has been delivered, even if QML
 * keeps no reference to it (unless its Connector goes first); after that
 * QML's garbage collector frees it once nothing refers to it.
 */
class QmlPendingReply : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(PendingReply)
    QML_UNCREATABLE("PendingReply is made by Connector.call()")
    /// The value of the answer, as QmlValue describes it; undefined until
    /// finished, on failure and for an operation sent without waiting.
    Q_PROPERTY(QVariant value READ value NOTIFY finished)
    /// Whether the call failed: refused before it was sent, failed on the bus,
    /// or answered with an error code of the service's.
    Q_PROPERTY(bool isError READ isError NOTIFY finished)
    /// The service's own code, or -1 for every failure detected on the client side; 0 for none.
    Q_PROPERTY(int errorCode READ errorCode NOTIFY finished)
    /// What went wrong, in words; empty for none.
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY finished)
    /**
     * The D-Bus error name of the failure, such as
     * "org.freedesktop.DBus.Error.ServiceUnknown"; empty where the service
     * answered with a code of its own. A call refused before it was sent
     * carries "org.freedesktop.DBus.Error.UnknownMethod" (no such operation),
     * "org.freedesktop.DBus.Error.InvalidArgs" (wrong arguments) or
     * "org.freedesktop.DBus.Error.Failed" (no connector).
     */
    Q_PROPERTY(QString errorName READ errorName NOTIFY finished)
    /// Whether the answer or the failure is there.
    Q_PROPERTY(bool isFinished READ isFinished NOTIFY finished)
    /// The operation that was called.
    Q_PROPERTY(QString operation READ operation CONSTANT)

public:
    /**
     * A reply to a call of \a operation, not finished yet. Until finished()
     * has been delivered it is a child of \a owner, the Connector, so QML
     * can't collect it; then QML owns it.
     */
    QmlPendingReply(const QString& operation, QObject* owner);

    /// See the property.
    QVariant value() const { return m_value; }
    /// See the property.
    bool isError() const { return m_error.isError(); }
    /// See the property.
    int errorCode() const { return m_error.getErrorCode(); }
    /// See the property.
    QString errorMessage() const { return m_error.getErrorMessage(); }
    /// See the property.
    QString errorName() const { return m_error.getErrorName(); }
    /// See the property.
    bool isFinished() const { return m_finished; }
    /// See the property.
    QString operation() const { return m_operation; }

    /// Finishes the reply at once with \a reply, an answer or a failure;
    /// finished() follows from the event loop.
    void finish(const DBusReply& reply);
    /// Finishes the reply at once with a call refused before it was sent:
    /// \a message and the D-Bus error name \a errorName, with code -1.
    void refuse(const QString& message, const QString& errorName);
    /// Finishes the reply when \a pending has the answer.
    void follow(const DBusPendingReply::SharedPointer& pending);

Q_SIGNALS:
    /// Emitted once, from the event loop, when the answer or the failure is there.
    void finished();

private:
    void settle(const DBusReply& reply);
    void deliver();

    QString m_operation;
    QVariant m_value;
    ErrorContainer m_error;
    bool m_finished = false;
    DBusPendingReply::SharedPointer m_pending;
    QPointer<QJSEngine> m_engine;
};

#endif // QMLPENDINGREPLY_H
