#ifndef PROBECONNECTOR_H
#define PROBECONNECTOR_H

#include "DBusConnectorBase.h"

// A connector of any interface that opens the call helpers and the interface,
// which connectors keep protected, to the test.
class ProbeConnector : public DBusConnectorBase
{
public:
    ProbeConnector(const QString& module, const QString& object, const QString& interface,
                   ConnectionMode mode = FollowService)
        : DBusConnectorBase(module, object, interface, nullptr, mode)
    {
    }

    static QSharedPointer<ProbeConnector> create(const QString& module, const QString& object, const QString& interface,
                                                 ConnectionMode mode = FollowService)
    {
        QSharedPointer<ProbeConnector> probe(new ProbeConnector(module, object, interface, mode));
        probe->initObject();
        return probe;
    }

    using DBusConnectorBase::asyncCallHelper;
    using DBusConnectorBase::syncCallHelper;
    using DBusConnectorBase::syncCallNoBlock;

    QSharedPointer<QDBusInterface> interface() const { return dBusInterface; }
};

#endif // PROBECONNECTOR_H
