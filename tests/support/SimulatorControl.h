#ifndef SIMULATORCONTROL_H
#define SIMULATORCONTROL_H

#include "RecordedCall.h"

#include <QDBusConnection>
#include <QList>
#include <QString>
#include <QVariant>

// The test's hand on the simulator's control interface. It talks over the
// connectors' own connection, so its orders and the connectors' calls reach
// the simulator in the order they were made.
class SimulatorControl
{
public:
    SimulatorControl();

    // Fails the test binary unless it runs on a private bus with the simulator
    // on it (waits for it, bounded).
    static void requirePrivateBusWithSimulator();

    void reset();
    void setReply(const QString& member, int code, const QString& message, const QVariant& value);
    void setError(const QString& member, const QString& errorName, const QString& errorMessage);
    void setRawReply(const QString& member, const QVariant& value);
    void setNoReply(const QString& member);
    void setDelay(const QString& member, uint milliseconds);
    uint releaseHeld();

    QList<RecordedCall> calls();
    void clearCalls();

    bool ownName(const QString& name);
    bool releaseName(const QString& name);
    void emitSignal(const QString& path, const QString& interface, const QString& name,
                    const QVariantList& arguments = {});

private:
    QDBusMessage call(const QString& member, const QVariantList& arguments = {});

    QDBusConnection m_connection;
};

#endif // SIMULATORCONTROL_H
