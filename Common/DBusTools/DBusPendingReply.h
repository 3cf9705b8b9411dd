#ifndef DBUSPENDINGREPLY_H
#define DBUSPENDINGREPLY_H

#include "DBusReply.h"
#include "DBusToolsExport.h"

#include <QDBusPendingCall>
#include <QObject>
#include <QSharedPointer>

class QDBusPendingCallWatcher;

// The answer of an asynchronous call, once it arrives. finished() is emitted
// exactly once, when the answer or the failure is there.
class VANTELO_DBUSTOOLS_EXPORT DBusPendingReply : public QObject
{
    Q_OBJECT
public:
    typedef QSharedPointer<DBusPendingReply> SharedPointer;

    explicit DBusPendingReply(const QDBusPendingCall& call);
    ~DBusPendingReply() override;

    bool isFinished() const;
    void waitForFinished();

    // Decoded as a blocking answer is; a failed call is an error carrying
    // Qt's message. Waits for the answer if it has not arrived yet.
    DBusReply getReply();
    // The D-Bus error name of a failed call once it finished, as getReply()
    // carries it; empty while it is pending and on success.
    QString getErrorName() const;

Q_SIGNALS:
    void finished();

protected:
    void connectNotify(const QMetaMethod& signal) override;

private:
    static DBusReply decoded(const QDBusPendingCall& call);

    QDBusPendingCall m_call;
    QDBusPendingCallWatcher* m_watcher = nullptr;
};

#endif // DBUSPENDINGREPLY_H
