#ifndef CALLRESPONDER_H
#define CALLRESPONDER_H

#include "Answer.h"
#include "RecordedCall.h"
#include "SimulatedDevice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QList>
#include <QObject>

// Answers the method calls of the simulated services: records each call,
// then answers it as the control interface set for its method, by default as
// the simulated device does.
class CallResponder : public QObject
{
    Q_OBJECT
public:
    CallResponder(const QDBusConnection& connection, SimulatedDevice& device, bool logCalls,
                  QObject* parent = nullptr);

    void respond(const QDBusMessage& call);

    void setAnswer(const QString& member, const Answer& answer);
    void setDelay(const QString& member, int delayMs);
    // Answers every held call as the device does.
    int releaseHeld();
    void reset();

    QList<RecordedCall> calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }

private:
    void send(const QDBusMessage& call, const Answer& answer);
    void sendAsTheDevice(const QDBusMessage& call);
    void log(const QDBusMessage& call) const;

    QDBusConnection m_connection;
    SimulatedDevice& m_device;
    bool m_logCalls;
    QHash<QString, Answer> m_answers;
    QList<RecordedCall> m_calls;
    QList<QDBusMessage> m_held;
};

#endif // CALLRESPONDER_H
