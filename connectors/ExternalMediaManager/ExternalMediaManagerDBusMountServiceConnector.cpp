#include "ExternalMediaManagerDBusMountServiceConnector.h"

#include "SignalRelay.h"
#include "VanteloDefinitions.h"

ExternalMediaManagerDBusMountServiceConnector::ExternalMediaManagerDBusMountServiceConnector()
    // Braces: the names are fetched in the order they are given.
    : DBusConnectorBase{VanteloDefinitions::getModuleName(),
                        VanteloDefinitions::getObjectNameExternalMediaMountService(),
                        VanteloDefinitions::getInterfaceNameExternalMediaMountService(), nullptr, FollowService}
{
}

ExternalMediaManagerDBusMountServiceConnector::~ExternalMediaManagerDBusMountServiceConnector() = default;

QSharedPointer<ExternalMediaManagerDBusMountServiceConnector>
ExternalMediaManagerDBusMountServiceConnector::createAndConnect()
{
    QSharedPointer<ExternalMediaManagerDBusMountServiceConnector> connector(
        new ExternalMediaManagerDBusMountServiceConnector());
    if (connector.isNull()) {
        qWarning("Invalid pointer to connector!");
        return connector;
    }
    connector->initObject();
    return connector;
}

DBusReply ExternalMediaManagerDBusMountServiceConnector::getProviderDataAsJson(const QString& providerName) const
{
    return syncCallHelper(QStringLiteral("getProviderDataAsJson"), providerName);
}

void ExternalMediaManagerDBusMountServiceConnector::connectServices()
{
    // An empty interface name matches the signal on any interface of the object.
    SignalRelay::connect(this, QStringLiteral("externalMediaMounted"), "2externalMediaMounted(QString)");
    SignalRelay::connect(this, QStringLiteral("externalMediaUnmounted"), "2externalMediaUnmounted()");
}

void ExternalMediaManagerDBusMountServiceConnector::disconnectServices()
{
    SignalRelay::disconnect(this, QStringLiteral("externalMediaMounted"), "2externalMediaMounted(QString)");
    SignalRelay::disconnect(this, QStringLiteral("externalMediaUnmounted"), "2externalMediaUnmounted()");
}
