#ifndef CONTROLSERVICE_H
#define CONTROLSERVICE_H

#include "ControlAccess.h"
#include "ControlInterface.h"
#include "ServedObjects.h"

#include <QDBusConnection>
#include <QObject>

class CallResponder;
class InterfaceCatalogue;
class SimulatedServices;

// The simulator's own service: the control interface at /com/vantelo/Simulator
// on the name com.vantelo.Simulator, for its owner only (others get
// AccessDenied). Each order is carried out once the calls the services got
// before it are handled, so orders and calls act in the order they were sent.
class ControlService : public QObject
{
    Q_OBJECT
public:
    ControlService(const QDBusConnection& connection, const InterfaceCatalogue& catalogue, CallResponder& responder,
                   SimulatedServices& services, uint owner, QObject* parent = nullptr);
    ~ControlService() override;

    // Serves the control object; the name comes last, once everything is served.
    bool serve(QString* error);
    bool ownName(QString* error);

private:
    void take(const QDBusMessage& call);

    QDBusConnection m_connection;
    SimulatedServices& m_services;
    ControlInterface m_control;
    ControlAccess m_access;
    ServedObjects m_objects;
};

#endif // CONTROLSERVICE_H
