#ifndef CONTROLINTERFACE_H
#define CONTROLINTERFACE_H

#include "Answer.h"

#include <QDBusMessage>
#include <QHash>
#include <QString>

#include <functional>

class CallResponder;
class SimulatedServices;

// The simulator's own interface: how tests and developers change the
// answers, read the recorded calls, play a service restart and make the
// services emit signals. Orders that name a method, an error, a bus name or
// an object badly, or ask for an absurd delay, are refused with InvalidArgs.
class ControlInterface
{
public:
    ControlInterface(CallResponder& responder, SimulatedServices& services);

    static QString name();
    static QString serviceName();
    static QString path();

    // Carries out an order whose signature the interface file allows; the reply to send.
    QDBusMessage handle(const QDBusMessage& call);

private:
    using Handler = std::function<QDBusMessage(const QDBusMessage&)>;

    // Why the method name can't take an override; empty if it can.
    QString refusalOfMethod(const QString& member) const;
    QDBusMessage setAnswer(const QDBusMessage& call, const Answer& answer);
    QDBusMessage changeName(const QDBusMessage& call, bool own);
    QDBusMessage emitSignal(const QDBusMessage& call);

    CallResponder& m_responder;
    SimulatedServices& m_services;
    QHash<QString, Handler> m_methods;
};

#endif // CONTROLINTERFACE_H
