#include "VanteloDBusConnector.h"

#include "VanteloDefinitions.h"

VanteloDBusConnector::VanteloDBusConnector()
    // Braces: the names are fetched in the order they are given.
    : DBusConnectorBase{VanteloDefinitions::getModuleName(), VanteloDefinitions::getObjectNameInformation(),
                        VanteloDefinitions::getInterfaceNameVantelo(), nullptr, FollowService}
{
}

VanteloDBusConnector::~VanteloDBusConnector() = default;

QSharedPointer<VanteloDBusConnector> VanteloDBusConnector::createAndConnect()
{
    QSharedPointer<VanteloDBusConnector> connector(new VanteloDBusConnector());
    if (connector.isNull()) {
        qWarning("Invalid pointer to connector!");
        return connector;
    }
    connector->initObject();
    return connector;
}

DBusPendingReply::SharedPointer VanteloDBusConnector::getRegisteredProvidersList(const QString& providerType,
                                                                                 const QString& language) const
{
    return asyncCallHelper(QStringLiteral("getRegisteredProvidersList"), providerType, language);
}

DBusPendingReply::SharedPointer VanteloDBusConnector::getStructuredMenu(const QString& menuName,
                                                                        const QString& language) const
{
    return asyncCallHelper(QStringLiteral("getStructuredMenu"), menuName, language);
}

DBusReply VanteloDBusConnector::getRegisteredProvidersListSyncCall(const QString& providerType,
                                                                   const QString& language) const
{
    return syncCallHelper(QStringLiteral("getRegisteredProvidersList"), providerType, language);
}

DBusReply VanteloDBusConnector::getStructuredMenuSyncCall(const QString& menuName, const QString& language) const
{
    return syncCallHelper(QStringLiteral("getStructuredMenu"), menuName, language);
}

DBusReply VanteloDBusConnector::isProviderRegistered(const QString& providerType, const QString& providerName) const
{
    return syncCallHelper(QStringLiteral("isProviderRegistered"), providerType, providerName);
}

DBusReply VanteloDBusConnector::registerObject(const QString& providerType, const QString& providerName,
                                               const QString& serviceName, const QString& objectName) const
{
    return syncCallNoBlock(QStringLiteral("registerObject"), providerType, providerName, serviceName, objectName);
}

DBusReply VanteloDBusConnector::unregisterObject(const QString& providerType, const QString& providerName,
                                                 const QString& serviceName) const
{
    return syncCallNoBlock(QStringLiteral("unregisterObject"), providerType, providerName, serviceName);
}
