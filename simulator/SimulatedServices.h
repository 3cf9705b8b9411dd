#ifndef SIMULATEDSERVICES_H
#define SIMULATEDSERVICES_H

#include "BusTarget.h"
#include "ObjectTree.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class CallResponder;
class InterfaceCatalogue;
class Scenario;

// The simulated services on the bus. With a scenario, each bus name has a
// connection of its own, as each service of the device is a process of its
// own: a call reaches only the objects of the name it was sent to, and
// answers and signals come from that name. In bare mode one connection takes
// every name asked for and answers every call.
class SimulatedServices
{
public:
    SimulatedServices(const BusTarget& bus, const InterfaceCatalogue& catalogue, CallResponder& responder,
                      bool logCalls);
    ~SimulatedServices();

    // Connects once for each bus name of the scenario and serves its objects there.
    bool serveScenario(const Scenario& scenario, QString* error);
    // Connects the permissive peer, which will own `names` and any name asked for later.
    bool serveBare(const QStringList& names, QString* error);
    // Takes the bus names served.
    bool ownNames(QString* error);

    // Whether the control may take or drop the name, and if not why.
    bool mayOwn(const QString& name, QString* refusal) const;
    // Owns `name` on `connection`; a refusal says why, naming the connection that has it.
    static bool ownOn(QDBusConnection& connection, const QString& name, QString* error);
    bool own(const QString& name);
    bool release(const QString& name);

    // Sends the signal from each service that serves its object; refuses an object none serves.
    bool emitSignal(const QDBusMessage& signal, QString* refusal);
    // Whether a call of this method name can reach a served object.
    bool servesMethod(const QString& member) const;

    // Every connection calls can come in on.
    QList<QDBusConnection> connections() const;

private:
    struct Service
    {
        QString name; // empty for the bare peer
        QDBusConnection connection;
        ObjectTree tree;
        std::unique_ptr<QDBusVirtualObject> objects;
    };

    bool connect(Service* service, QString* error);
    Service* serviceNamed(const QString& name) const;

    BusTarget m_bus;
    const InterfaceCatalogue& m_catalogue;
    CallResponder& m_responder;
    bool m_logCalls;
    bool m_bare = false;
    QStringList m_bareNames;
    std::vector<std::unique_ptr<Service>> m_services;
};

#endif // SIMULATEDSERVICES_H
