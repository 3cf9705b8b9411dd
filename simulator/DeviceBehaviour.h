#ifndef DEVICEBEHAVIOUR_H
#define DEVICEBEHAVIOUR_H

#include "DBusReply.h"
#include "Scenario.h"
#include "StatusItemRecord.h"

#include <QDBusMessage>
#include <QList>

// The device as its services behave: calls are answered from the scenario,
// and where the device keeps state (configurations, UI status items, the
// display) the state changes and the services announce it.
class DeviceBehaviour
{
public:
    DeviceBehaviour(const Scenario& scenario, bool keepsState);

    // The envelope to answer with and the signals that follow it. False, with
    // a message, when the scenario has answers for the method but none for
    // these arguments.
    bool answer(const QDBusMessage& call, DBusReply* reply, QList<QDBusMessage>* announcements, QString* message);

private:
    bool answerFromState(const QDBusMessage& call, DBusReply* reply, QList<QDBusMessage>* announcements);
    bool answerUiStatus(const QDBusMessage& call, DBusReply* reply, QList<QDBusMessage>* announcements);
    int indexOfItem(const QString& uuid) const;

    const Scenario& m_scenario;
    bool m_keepsState;
    QList<StatusItemRecord> m_uiStatusItems;
    bool m_displayOn = true;
};

#endif // DEVICEBEHAVIOUR_H
