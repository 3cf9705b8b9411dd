#include "DeviceBehaviour.h"

#include "VanteloDefinitions.h"

#include <QDBusArgument>
#include <QDBusMetaType>

namespace {
// The code the services answer with when the thing asked for isn't there.
const int notFoundCode = 2;

QDBusMessage announcement(const QDBusMessage& call, const char* name, const QVariantList& arguments)
{
    QDBusMessage signal = QDBusMessage::createSignal(call.path(), call.interface(), QLatin1String(name));
    signal.setArguments(arguments);
    return signal;
}
} // namespace

DeviceBehaviour::DeviceBehaviour(const Scenario& scenario, bool keepsState)
    : m_scenario(scenario)
    , m_keepsState(keepsState)
    , m_uiStatusItems(scenario.uiStatusItems())
{
}

bool DeviceBehaviour::answer(const QDBusMessage& call, DBusReply* reply, QList<QDBusMessage>* announcements,
                             QString* message)
{
    if (m_keepsState && answerFromState(call, reply, announcements))
        return true;

    const Scenario::Match match = m_scenario.find(call.interface(), call.member(), call.path(), call.arguments());
    if (!match.reply) {
        *message = match.known;
        return !match.hasReplies;
    }
    reply->setError(match.reply->code, match.reply->message);
    reply->setValue(match.reply->value);
    return true;
}

bool DeviceBehaviour::answerFromState(const QDBusMessage& call, DBusReply* reply, QList<QDBusMessage>* announcements)
{
    const QString& interface = call.interface();
    const QString& member = call.member();
    if (interface == VanteloDefinitions::getInterfaceNameConfiguration() &&
        (member == QLatin1String("setConfiguration") || member == QLatin1String("setConfigurationWithSessionId"))) {
        announcements->append(announcement(call, "configurationChanged", {call.arguments().value(0)}));
        return true;
    }
    if (interface == VanteloDefinitions::getInterfaceNameDisplay()) {
        if (member == QLatin1String("toggleDisplayState")) {
            m_displayOn = !m_displayOn;
            reply->setValue(m_displayOn);
            return true;
        }
        if (member == QLatin1String("getScreenshot") && !m_displayOn) {
            reply->setError(notFoundCode, QStringLiteral("The display is switched off"));
            return true;
        }
        return false;
    }
    if (interface == VanteloDefinitions::getInterfaceNameUiStatusInformationData())
        return answerUiStatus(call, reply, announcements);
    return false;
}

bool DeviceBehaviour::answerUiStatus(const QDBusMessage& call, DBusReply* reply, QList<QDBusMessage>* announcements)
{
    const QString& member = call.member();
    if (member == QLatin1String("getUiStatusInformationItemList")) {
        reply->setValue(QVariant::fromValue(m_uiStatusItems));
        return true;
    }
    if (member == QLatin1String("getUiStatusInformationItem")) {
        const QString uuid = call.arguments().value(1).toString();
        const int index = indexOfItem(uuid);
        if (index < 0)
            reply->setError(notFoundCode, QStringLiteral("No UI status information item %1").arg(uuid));
        else
            reply->setValue(QVariant::fromValue(m_uiStatusItems.at(index)));
        return true;
    }

    const StatusItemRecord item = qdbus_cast<StatusItemRecord>(call.arguments().value(0));
    const int index = indexOfItem(item.uuid());
    if (member == QLatin1String("addUiStatusInformationItem")) {
        if (index < 0)
            m_uiStatusItems.append(item);
        else
            m_uiStatusItems[index] = item;
        announcements->append(announcement(call, "uiStatusInformationItemChanged", {item.uuid()}));
        return true;
    }
    if (member == QLatin1String("removeUiStatusInformationItem")) {
        if (index < 0) {
            reply->setError(notFoundCode, QStringLiteral("No UI status information item %1").arg(item.uuid()));
            return true;
        }
        const StatusItemRecord removed = m_uiStatusItems.takeAt(index);
        announcements->append(announcement(call, "uiStatusInformationItemRemoved", {QVariant::fromValue(removed)}));
        return true;
    }
    return false;
}

int DeviceBehaviour::indexOfItem(const QString& uuid) const
{
    for (int i = 0; i < m_uiStatusItems.size(); ++i) {
        if (m_uiStatusItems.at(i).uuid() == uuid)
            return i;
    }
    return -1;
}
