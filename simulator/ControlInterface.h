#ifndef CONTROLINTERFACE_H
#define CONTROLINTERFACE_H

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QString>

#include <functional>

class CallResponder;
class InterfaceCatalogue;

// The simulator's own interface: how tests and developers change the
// answers, read the recorded calls, play a service restart and make the
// services emit signals.
class ControlInterface
{
public:
    ControlInterface(const QDBusConnection& connection, const InterfaceCatalogue& catalogue, CallResponder& responder);

    static QString name();

    void handle(const QDBusMessage& call);

private:
    using Handler = std::function<QDBusMessage(const QDBusMessage&)>;

    QDBusMessage emitSignal(const QDBusMessage& call);

    QDBusConnection m_connection;
    const InterfaceCatalogue& m_catalogue;
    CallResponder& m_responder;
    QHash<QString, Handler> m_methods;
};

#endif // CONTROLINTERFACE_H
