#include "ConfigurationFileHandlerDBusConnector.h"

#include "SignalRelay.h"
#include "VanteloDefinitions.h"

#include <utility>

ConfigurationFileHandlerDBusConnector::ConfigurationFileHandlerDBusConnector(const QString& moduleName,
                                                                             const QString& objectName)
    : DBusConnectorBase(moduleName, objectName, VanteloDefinitions::getInterfaceNameConfiguration(), nullptr,
                        FollowService)
{
}

ConfigurationFileHandlerDBusConnector::~ConfigurationFileHandlerDBusConnector() = default;

QSharedPointer<ConfigurationFileHandlerDBusConnector> ConfigurationFileHandlerDBusConnector::createAndConnect(
    const QString& moduleName, const QString& objectName)
{
    QSharedPointer<ConfigurationFileHandlerDBusConnector> connector(
        new ConfigurationFileHandlerDBusConnector(moduleName, objectName));
    if (connector.isNull()) {
        qWarning("Invalid pointer to connector!");
        return connector;
    }
    connector->initObject();
    return connector;
}

DBusPendingReply::SharedPointer ConfigurationFileHandlerDBusConnector::getConfigurationAsynchron(
    const QString& instanceName, const QString& configurationName, const QString& language) const
{
    return asyncCallHelper(QStringLiteral("getConfiguration"), instanceName, configurationName, language);
}

DBusPendingReply::SharedPointer ConfigurationFileHandlerDBusConnector::getStaticTextAsynchron(
    const QString& instanceName, const QString& textId, const QString& language) const
{
    return asyncCallHelper(QStringLiteral("getStaticText"), instanceName, textId, language);
}

DBusPendingReply::SharedPointer ConfigurationFileHandlerDBusConnector::getConfigurationWithSessionIdAsynchron(
    const QString& instanceName, const QString& configurationName, const QString& language,
    const QString& sessionId) const
{
    return asyncCallHelper(QStringLiteral("getConfigurationWithSessionId"), instanceName, configurationName, language,
                           sessionId);
}

DBusPendingReply::SharedPointer ConfigurationFileHandlerDBusConnector::getDynamicTextAsynchron(
    const QString& instanceName, const QString& textId, const QString& textArguments, const QString& language) const
{
    return asyncCallHelper(QStringLiteral("getDynamicText"), instanceName, textId, textArguments, language);
}

DBusPendingReply::SharedPointer ConfigurationFileHandlerDBusConnector::getConfigurationUntranslatedAsynchron(
    const QString& instanceName, const QString& configurationName) const
{
    return asyncCallHelper(QStringLiteral("getConfigurationUntranslated"), instanceName, configurationName);
}

DBusPendingReply::SharedPointer ConfigurationFileHandlerDBusConnector::getJavaScriptConfigurationDependencyAsynchron(
    const QString& instanceName, const QString& configurationName) const
{
    return asyncCallHelper(QStringLiteral("getJavaScriptConfigurationDependency"), instanceName, configurationName);
}

DBusPendingReply::SharedPointer ConfigurationFileHandlerDBusConnector::getListOfInstancesAsynchron(
    const QString& instanceName, const QString& configurationName) const
{
    return asyncCallHelper(QStringLiteral("getListOfInstances"), instanceName, configurationName);
}

DBusPendingReply::SharedPointer ConfigurationFileHandlerDBusConnector::setConfigurationAsynchron(
    const QString& instanceName, const QString& configurationName, const QString& configuration,
    const QString& language, bool persistent) const
{
    return asyncCallHelper(QStringLiteral("setConfiguration"), instanceName, configurationName, configuration, language,
                           std::as_const(persistent));
}

DBusPendingReply::SharedPointer ConfigurationFileHandlerDBusConnector::setConfigurationWithSessionIdAsynchron(
    const QString& instanceName, const QString& configurationName, const QString& configuration,
    const QString& language, const QString& sessionId, bool persistent) const
{
    return asyncCallHelper(QStringLiteral("setConfigurationWithSessionId"), instanceName, configurationName,
                           configuration, language, sessionId, std::as_const(persistent));
}

DBusPendingReply::SharedPointer ConfigurationFileHandlerDBusConnector::getNumberOfInstancesAsynchron(
    const QString& instanceName) const
{
    return asyncCallHelper(QStringLiteral("getNumberOfInstances"), instanceName);
}

DBusPendingReply::SharedPointer ConfigurationFileHandlerDBusConnector::getListOfNodeInstancesAsynchron(
    const QString& instanceName) const
{
    return asyncCallHelper(QStringLiteral("getListOfNodeInstances"), instanceName);
}

DBusReply ConfigurationFileHandlerDBusConnector::getConfiguration(const QString& instanceName,
                                                                  const QString& configurationName,
                                                                  const QString& language) const
{
    return syncCallHelper(QStringLiteral("getConfiguration"), instanceName, configurationName, language);
}

DBusReply ConfigurationFileHandlerDBusConnector::getConfigurationElement(const QString& instanceName,
                                                                         const QString& configurationName,
                                                                         const QString& elementName) const
{
    return syncCallHelper(QStringLiteral("getConfigurationElement"), instanceName, configurationName, elementName);
}

DBusReply ConfigurationFileHandlerDBusConnector::getConfigurationElementValue(const QString& instanceName,
                                                                              const QString& configurationName,
                                                                              const QString& elementName) const
{
    return syncCallHelper(QStringLiteral("getConfigurationElementValue"), instanceName, configurationName, elementName);
}

DBusReply ConfigurationFileHandlerDBusConnector::getManifestNodeElement(const QString& instanceName,
                                                                        const QString& nodeName,
                                                                        const QString& elementName) const
{
    return syncCallHelper(QStringLiteral("getManifestNodeElement"), instanceName, nodeName, elementName);
}

DBusReply ConfigurationFileHandlerDBusConnector::getStaticText(const QString& instanceName, const QString& textId,
                                                               const QString& language) const
{
    return syncCallHelper(QStringLiteral("getStaticText"), instanceName, textId, language);
}

DBusReply ConfigurationFileHandlerDBusConnector::getConfigurationWithSessionId(const QString& instanceName,
                                                                               const QString& configurationName,
                                                                               const QString& language,
                                                                               const QString& sessionId) const
{
    return syncCallHelper(QStringLiteral("getConfigurationWithSessionId"), instanceName, configurationName, language,
                          sessionId);
}

DBusReply ConfigurationFileHandlerDBusConnector::getDynamicText(const QString& instanceName, const QString& textId,
                                                                const QString& textArguments,
                                                                const QString& language) const
{
    return syncCallHelper(QStringLiteral("getDynamicText"), instanceName, textId, textArguments, language);
}

DBusReply ConfigurationFileHandlerDBusConnector::getConfigurationUntranslated(const QString& instanceName,
                                                                              const QString& configurationName) const
{
    return syncCallHelper(QStringLiteral("getConfigurationUntranslated"), instanceName, configurationName);
}

DBusReply ConfigurationFileHandlerDBusConnector::getJavaScriptConfigurationDependency(
    const QString& instanceName, const QString& configurationName) const
{
    return syncCallHelper(QStringLiteral("getJavaScriptConfigurationDependency"), instanceName, configurationName);
}

DBusReply ConfigurationFileHandlerDBusConnector::getListOfInstances(const QString& instanceName,
                                                                    const QString& configurationName) const
{
    return syncCallHelper(QStringLiteral("getListOfInstances"), instanceName, configurationName);
}

DBusReply ConfigurationFileHandlerDBusConnector::setConfiguration(const QString& instanceName,
                                                                  const QString& configurationName,
                                                                  const QString& configuration, const QString& language,
                                                                  bool persistent) const
{
    return syncCallHelper(QStringLiteral("setConfiguration"), instanceName, configurationName, configuration, language,
                          std::as_const(persistent));
}

DBusReply ConfigurationFileHandlerDBusConnector::setConfigurationWithSessionId(
    const QString& instanceName, const QString& configurationName, const QString& configuration,
    const QString& language, const QString& sessionId, bool persistent) const
{
    return syncCallHelper(QStringLiteral("setConfigurationWithSessionId"), instanceName, configurationName,
                          configuration, language, sessionId, std::as_const(persistent));
}

DBusReply ConfigurationFileHandlerDBusConnector::getNumberOfInstances(const QString& instanceName) const
{
    return syncCallHelper(QStringLiteral("getNumberOfInstances"), instanceName);
}

DBusReply ConfigurationFileHandlerDBusConnector::getListOfNodeInstances(const QString& instanceName) const
{
    return syncCallHelper(QStringLiteral("getListOfNodeInstances"), instanceName);
}

void ConfigurationFileHandlerDBusConnector::connectServices()
{
    // An empty interface name matches the signal on any interface of the object.
    SignalRelay::connect(this, QStringLiteral("configurationChanged"), "2configurationChanged(QString)");
    SignalRelay::connect(this, QStringLiteral("configurationAccepted"), "2configurationAccepted(QString)");
    SignalRelay::connect(this, QStringLiteral("configurationDataChanged"), "2configurationDataChanged()");
}

void ConfigurationFileHandlerDBusConnector::disconnectServices()
{
    SignalRelay::disconnect(this, QStringLiteral("configurationChanged"), "2configurationChanged(QString)");
    SignalRelay::disconnect(this, QStringLiteral("configurationAccepted"), "2configurationAccepted(QString)");
    SignalRelay::disconnect(this, QStringLiteral("configurationDataChanged"), "2configurationDataChanged()");
}
