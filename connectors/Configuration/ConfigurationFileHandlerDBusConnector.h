#ifndef CONFIGURATIONFILEHANDLERDBUSCONNECTOR_H
#define CONFIGURATIONFILEHANDLERDBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

// The configuration file handler: configurations, their elements, static and
// dynamic texts and instance lists, read and set, and the handler's change
// notifications. Most operations exist blocking and as an "Asynchron" twin.
class VANTELO_CONNECTOR_EXPORT ConfigurationFileHandlerDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    ConfigurationFileHandlerDBusConnector(const QString& moduleName, const QString& objectName);
    ~ConfigurationFileHandlerDBusConnector() override;

    static QSharedPointer<ConfigurationFileHandlerDBusConnector> createAndConnect(const QString& moduleName,
                                                                                  const QString& objectName);

    DBusPendingReply::SharedPointer getConfigurationAsynchron(const QString& instanceName,
                                                              const QString& configurationName,
                                                              const QString& language) const;
    DBusPendingReply::SharedPointer getStaticTextAsynchron(const QString& instanceName, const QString& textId,
                                                           const QString& language) const;
    DBusPendingReply::SharedPointer getConfigurationWithSessionIdAsynchron(const QString& instanceName,
                                                                           const QString& configurationName,
                                                                           const QString& language,
                                                                           const QString& sessionId) const;
    DBusPendingReply::SharedPointer getDynamicTextAsynchron(const QString& instanceName, const QString& textId,
                                                            const QString& textArguments,
                                                            const QString& language) const;
    DBusPendingReply::SharedPointer getConfigurationUntranslatedAsynchron(const QString& instanceName,
                                                                          const QString& configurationName) const;
    DBusPendingReply::SharedPointer getJavaScriptConfigurationDependencyAsynchron(
        const QString& instanceName, const QString& configurationName) const;
    DBusPendingReply::SharedPointer getListOfInstancesAsynchron(const QString& instanceName,
                                                                const QString& configurationName) const;
    DBusPendingReply::SharedPointer setConfigurationAsynchron(const QString& instanceName,
                                                              const QString& configurationName,
                                                              const QString& configuration,
                                                              const QString& language, bool persistent) const;
    DBusPendingReply::SharedPointer setConfigurationWithSessionIdAsynchron(const QString& instanceName,
                                                                           const QString& configurationName,
                                                                           const QString& configuration,
                                                                           const QString& language,
                                                                           const QString& sessionId,
                                                                           bool persistent) const;
    DBusPendingReply::SharedPointer getNumberOfInstancesAsynchron(const QString& instanceName) const;
    DBusPendingReply::SharedPointer getListOfNodeInstancesAsynchron(const QString& instanceName) const;

    DBusReply getConfiguration(const QString& instanceName, const QString& configurationName,
                               const QString& language) const;
    DBusReply getConfigurationElement(const QString& instanceName, const QString& configurationName,
                                      const QString& elementName) const;
    DBusReply getConfigurationElementValue(const QString& instanceName, const QString& configurationName,
                                           const QString& elementName) const;
    DBusReply getManifestNodeElement(const QString& instanceName, const QString& nodeName,
                                     const QString& elementName) const;
    DBusReply getStaticText(const QString& instanceName, const QString& textId, const QString& language) const;
    DBusReply getConfigurationWithSessionId(const QString& instanceName, const QString& configurationName,
                                            const QString& language, const QString& sessionId) const;
    DBusReply getDynamicText(const QString& instanceName, const QString& textId, const QString& textArguments,
                             const QString& language) const;
    DBusReply getConfigurationUntranslated(const QString& instanceName, const QString& configurationName) const;
    DBusReply getJavaScriptConfigurationDependency(const QString& instanceName,
                                                   const QString& configurationName) const;
    DBusReply getListOfInstances(const QString& instanceName, const QString& configurationName) const;
    DBusReply setConfiguration(const QString& instanceName, const QString& configurationName,
                               const QString& configuration, const QString& language, bool persistent) const;
    DBusReply setConfigurationWithSessionId(const QString& instanceName, const QString& configurationName,
                                            const QString& configuration, const QString& language,
                                            const QString& sessionId, bool persistent) const;
    DBusReply getNumberOfInstances(const QString& instanceName) const;
    DBusReply getListOfNodeInstances(const QString& instanceName) const;

Q_SIGNALS:
    void configurationChanged(const QString& instanceName);
    void configurationAccepted(const QString& instanceName);
    void configurationDataChanged();

protected Q_SLOTS:
    void connectServices() override;
    void disconnectServices() override;
};

#endif // CONFIGURATIONFILEHANDLERDBUSCONNECTOR_H
