#ifndef CALLRESPONDER_H
#define CALLRESPONDER_H

#include "Answer.h"
#include "RecordedCall.h"
#include "DeviceBehaviour.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QList>
#include <QObject>

// Answers the method calls of the simulated services: records each call
// (the last ones, up to a count and a size, long arguments shortened), then answers it as the control interface
// set for its method, by default as the simulated device does. Answers go
// out on the connection the call came in on, as do the signals that follow.
class CallResponder : public QObject
{
    Q_OBJECT
public:
    CallResponder(DeviceBehaviour& device, int callLogLimit, QObject* parent = nullptr);

    void respond(const QDBusMessage& call, const QDBusConnection& connection);

    // Sets how a method is answered; a delay set for it stays.
    void setAnswer(const QString& member, const Answer& answer);
    void setDelay(const QString& member, int delayMs);
    // Answers every held call as the device does.
    int releaseHeld();
    void reset();

    QList<RecordedCall> calls() const { return m_calls; }
    void clearCalls();

private:
    struct HeldCall
    {
        QDBusMessage call;
        QDBusConnection connection;
    };

    void record(const QDBusMessage& call);
    void send(const HeldCall& held, const Answer& answer);
    void sendAsTheDevice(const HeldCall& held);

    DeviceBehaviour& m_device;
    int m_callLogLimit;
    QHash<QString, Answer> m_answers;
    QList<RecordedCall> m_calls;
    // What each logged call takes, and all of them.
    QList<qint64> m_callSizes;
    qint64 m_callLogSize = 0;
    QList<HeldCall> m_held;
};

#endif // CALLRESPONDER_H
