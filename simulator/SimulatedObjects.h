#ifndef SIMULATEDOBJECTS_H
#define SIMULATEDOBJECTS_H

#include "CallResponder.h"
#include "ControlInterface.h"
#include "SimulatedDevice.h"

#include <QDBusVirtualObject>

class InterfaceCatalogue;
class Scenario;

// Every object path of the simulator: calls on the control interface go to
// the control, all others are answered by the responder. Introspection shows
// the interfaces the scenario serves at a path, and the control interface.
class SimulatedObjects : public QDBusVirtualObject
{
    Q_OBJECT
public:
    SimulatedObjects(const QDBusConnection& connection, const InterfaceCatalogue& catalogue,
                     const Scenario& scenario, bool keepsState, bool logCalls, QObject* parent = nullptr);

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

private:
    const InterfaceCatalogue& m_catalogue;
    const Scenario& m_scenario;
    SimulatedDevice m_device;
    CallResponder m_responder;
    ControlInterface m_control;
};

#endif // SIMULATEDOBJECTS_H
