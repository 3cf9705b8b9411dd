#ifndef CONTROLINTERFACE_H
#define CONTROLINTERFACE_H

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QString>

#include <functional>

class CallResponder;

// The simulator's own interface: how tests and developers change the
// answers, read the recorded calls, play a service restart and make the
// services emit signals.
class ControlInterface
{
public:
    ControlInterface(const QDBusConnection& connection, CallResponder& responder);

    static QString name();
    static QString introspectionXml();

    void handle(const QDBusMessage& call);

private:
    using Handler = std::function<QDBusMessage(const QDBusMessage&)>;

    QDBusMessage emitSignal(const QDBusMessage& call);

    QDBusConnection m_connection;
    CallResponder& m_responder;
    QHash<QString, QPair<QString, Handler>> m_methods; // member -> (input signature, handler)
};

#endif // CONTROLINTERFACE_H
