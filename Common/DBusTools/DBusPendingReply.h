#ifndef DBUSPENDINGREPLY_H
#define DBUSPENDINGREPLY_H

#include "DBusReply.h"
#include "DBusToolsExport.h"

#include <QDBusPendingCall>
#include <QObject>
#include <QSharedPointer>

class QDBusPendingCallWatcher;

/**
 * The answer of an asynchronous call, once it arrives. finished() is emitted
 * exactly once, when the answer or the failure is there.
 *
 * Asynchronous operations hand it out as a SharedPointer, null when the
 * connector's interface is unusable (nothing was sent then). It lives as
 * long as a shared pointer to it: hold one until the answer is there. The
 * call goes on when the connector is released.
 *
 * \code
 * m_pending = configuration->getListOfInstancesAsynchron("Network", "");
 * if (m_pending) {
 *     QObject::connect(m_pending.data(), &DBusPendingReply::finished, this, [this] {
 *         const DBusReply reply = m_pending->getReply();
 *         if (!reply.isError())
 *             show(reply.getValue().toStringList());
 *     });
 * }
 * \endcode
 */
class VANTELO_DBUSTOOLS_EXPORT DBusPendingReply : public QObject
{
    Q_OBJECT
public:
    /// How asynchronous operations hand out a pending reply.
    typedef QSharedPointer<DBusPendingReply> SharedPointer;

    /// Follows \a call, a call already sent.
    explicit DBusPendingReply(const QDBusPendingCall& call);
    /// Stops following the call; its answer is no longer read.
    ~DBusPendingReply() override;

    /// Whether the answer or the failure has arrived.
    bool isFinished() const;
    /// Blocks the calling thread until the answer or the failure has arrived.
    void waitForFinished();

    /**
     * Decoded as a blocking answer is; a failed call is an error carrying the
     * default error code, Qt's message and the D-Bus error name. Waits for the
     * answer if it has not arrived yet. What getValue() holds is what the
     * blocking twin of the operation holds.
     */
    DBusReply getReply();
    /// The D-Bus error name of a failed call once it finished, as getReply()
    /// carries it; empty while it is pending and on success.
    QString getErrorName() const;

Q_SIGNALS:
    /**
     * Emitted once, from the event loop of the pending reply's thread, when
     * the answer or the failure has arrived; also for a call that finished
     * before the receiver was connected.
     */
    void finished();

protected:
    /// Starts watching the call when the first receiver connects to finished().
    void connectNotify(const QMetaMethod& signal) override;

private:
    static DBusReply decoded(const QDBusPendingCall& call);

    QDBusPendingCall m_call;
    QDBusPendingCallWatcher* m_watcher = nullptr;
};

#endif // DBUSPENDINGREPLY_H
