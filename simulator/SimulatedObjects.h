#ifndef SIMULATEDOBJECTS_H
#define SIMULATEDOBJECTS_H

#include "CallResponder.h"
#include "ControlInterface.h"

#include <QDBusVirtualObject>

// Every object path of the simulator: calls on the control interface go to
// the control, all others are answered by the responder. Introspection and
// the other standard interfaces are left to Qt.
class SimulatedObjects : public QDBusVirtualObject
{
    Q_OBJECT
public:
    SimulatedObjects(const QDBusConnection& connection, bool logCalls, QObject* parent = nullptr);

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

private:
    CallResponder m_responder;
    ControlInterface m_control;
};

#endif // SIMULATEDOBJECTS_H
