#ifndef CONFIGURATIONFILEHANDLERDBUSCONNECTOR_H
#define CONFIGURATIONFILEHANDLERDBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

/**
 * The configuration file handler, `com.vantelo.Configuration`:
 * configurations, their elements, static and dynamic texts and instance
 * lists, read and set, and the handler's change notifications. Most
 * operations exist blocking and as an "Asynchron" twin, which calls the same
 * method with the same arguments.
 *
 * Configurations, elements and manifest nodes travel as JSON text.
 *
 * Names: the module, by default `"SystemInformation"` (VanteloDefinitions::getModuleName()), and
 * the object, by default `"Configuration"`.
 *
 * \code
 * #include <ConfigurationFileHandlerDBusConnector.h>
 *
 * auto configuration =
 *     ConfigurationFileHandlerDBusConnector::createAndConnect("SystemInformation", "Configuration");
 * DBusReply reply = configuration->getConfiguration("Network", "Settings", "en");
 * QObject::connect(configuration.data(), &ConfigurationFileHandlerDBusConnector::configurationChanged,
 *                  [](const QString& instanceName) { qDebug() << "configuration changed:" << instanceName; });
 * \endcode
 *
 * \buildwith
 *
 * From the command line: `vantelo-cli list configuration` names its operations and signals,
 * `vantelo-cli call configuration OPERATION ARG...` calls one.
 *
 * \sa DBusConnectorBase, DBusReply, DBusPendingReply
 */
class VANTELO_CONNECTOR_EXPORT ConfigurationFileHandlerDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    /// Addresses the object \a objectName of the module \a moduleName; sends
    /// nothing. Use createAndConnect(), which also makes it ready for calls.
    ConfigurationFileHandlerDBusConnector(const QString& moduleName, const QString& objectName);
    /// Destroys the connector: it relays nothing more; pending replies it handed out stay valid.
    ~ConfigurationFileHandlerDBusConnector() override;

    /// Makes a connector for the object \a objectName of the module
    /// \a moduleName and readies it for calls with initObject(); it waits for no service.
    static QSharedPointer<ConfigurationFileHandlerDBusConnector> createAndConnect(const QString& moduleName,
                                                                                  const QString& objectName);

    /**
     * The configuration of getConfiguration(), asynchronously.
     *
     * Calls "getConfiguration"(instanceName, configurationName, language) and
     * returns at once; null when the interface is unusable.
     * Value: `s`, the configuration as JSON text, a QString in getReply().
     */
    DBusPendingReply::SharedPointer getConfigurationAsynchron(const QString& instanceName,
                                                              const QString& configurationName,
                                                              const QString& language) const;
    /**
     * The static text of getStaticText(), asynchronously.
     *
     * Calls "getStaticText"(instanceName, textId, language) and returns at
     * once; null when the interface is unusable.
     * Value: `s`, the text, a QString in getReply().
     */
    DBusPendingReply::SharedPointer getStaticTextAsynchron(const QString& instanceName, const QString& textId,
                                                           const QString& language) const;
    /**
     * The configuration of getConfigurationWithSessionId(), asynchronously.
     *
     * Calls "getConfigurationWithSessionId"(instanceName, configurationName,
     * language, sessionId) and returns at once; null when the interface is unusable.
     * Value: `s`, the configuration as JSON text, a QString in getReply().
     */
    DBusPendingReply::SharedPointer getConfigurationWithSessionIdAsynchron(const QString& instanceName,
                                                                           const QString& configurationName,
                                                                           const QString& language,
                                                                           const QString& sessionId) const;
    /**
     * The dynamic text of getDynamicText(), asynchronously.
     *
     * Calls "getDynamicText"(instanceName, textId, textArguments, language)
     * and returns at once; null when the interface is unusable.
     * Value: `s`, the text, a QString in getReply().
     */
    DBusPendingReply::SharedPointer getDynamicTextAsynchron(const QString& instanceName, const QString& textId,
                                                            const QString& textArguments,
                                                            const QString& language) const;
    /**
     * The configuration of getConfigurationUntranslated(), asynchronously.
     *
     * Calls "getConfigurationUntranslated"(instanceName, configurationName)
     * and returns at once; null when the interface is unusable.
     * Value: `s`, the configuration as JSON text, a QString in getReply().
     */
    DBusPendingReply::SharedPointer getConfigurationUntranslatedAsynchron(const QString& instanceName,
                                                                          const QString& configurationName) const;
    /**
     * The script of getJavaScriptConfigurationDependency(), asynchronously.
     *
     * Calls "getJavaScriptConfigurationDependency"(instanceName,
     * configurationName) and returns at once; null when the interface is unusable.
     * Value: `s`, the JavaScript source, a QString in getReply().
     */
    DBusPendingReply::SharedPointer getJavaScriptConfigurationDependencyAsynchron(
        const QString& instanceName, const QString& configurationName) const;
    /**
     * The instances of getListOfInstances(), asynchronously.
     *
     * Calls "getListOfInstances"(instanceName, configurationName) and returns
     * at once; null when the interface is unusable.
     * Value: `as`, the instance names, a QStringList in getReply().
     */
    DBusPendingReply::SharedPointer getListOfInstancesAsynchron(const QString& instanceName,
                                                                const QString& configurationName) const;
    /**
     * Sets a configuration as setConfiguration() does, asynchronously.
     *
     * Calls "setConfiguration"(instanceName, configurationName, configuration,
     * language, persistent) and returns at once; null when the interface is unusable.
     * Value: none.
     */
    DBusPendingReply::SharedPointer setConfigurationAsynchron(const QString& instanceName,
                                                              const QString& configurationName,
                                                              const QString& configuration, const QString& language,
                                                              bool persistent) const;
    /**
     * Sets a configuration as setConfigurationWithSessionId() does, asynchronously.
     *
     * Calls "setConfigurationWithSessionId"(instanceName, configurationName,
     * configuration, language, sessionId, persistent) and returns at once;
     * null when the interface is unusable.
     * Value: none.
     */
    DBusPendingReply::SharedPointer setConfigurationWithSessionIdAsynchron(
        const QString& instanceName, const QString& configurationName, const QString& configuration,
        const QString& language, const QString& sessionId, bool persistent) const;
    /**
     * The number of instances of getNumberOfInstances(), asynchronously.
     *
     * Calls "getNumberOfInstances"(instanceName) and returns at once; null
     * when the interface is unusable.
     * Value: `i`, the number, an int in getReply().
     */
    DBusPendingReply::SharedPointer getNumberOfInstancesAsynchron(const QString& instanceName) const;
    /**
     * The node instances of getListOfNodeInstances(), asynchronously.
     *
     * Calls "getListOfNodeInstances"(instanceName) and returns at once; null
     * when the interface is unusable.
     * Value: `as`, the node instance names, a QStringList in getReply().
     */
    DBusPendingReply::SharedPointer getListOfNodeInstancesAsynchron(const QString& instanceName) const;

    /**
     * The configuration \a configurationName of the instance \a instanceName,
     * translated into \a language.
     *
     * Calls "getConfiguration"(instanceName, configurationName, language) and blocks.
     * Value: `s`, the configuration as JSON text, a QString.
     */
    DBusReply getConfiguration(const QString& instanceName, const QString& configurationName,
                               const QString& language) const;
    /**
     * The description of the element \a elementName of a configuration.
     *
     * Calls "getConfigurationElement"(instanceName, configurationName,
     * elementName) and blocks. There is no asynchronous twin.
     * Value: `s`, the element (its name, type and limits) as JSON text, a QString.
     */
    DBusReply getConfigurationElement(const QString& instanceName, const QString& configurationName,
                                      const QString& elementName) const;
    /**
     * The value of the element \a elementName of a configuration.
     *
     * Calls "getConfigurationElementValue"(instanceName, configurationName,
     * elementName) and blocks. There is no asynchronous twin.
     * Value: `s`, the element's value as text, a QString.
     */
    DBusReply getConfigurationElementValue(const QString& instanceName, const QString& configurationName,
                                           const QString& elementName) const;
    /**
     * The element \a elementName of the manifest node \a nodeName.
     *
     * Calls "getManifestNodeElement"(instanceName, nodeName, elementName) and
     * blocks. There is no asynchronous twin.
     * Value: `s`, the node element as JSON text, a QString.
     */
    DBusReply getManifestNodeElement(const QString& instanceName, const QString& nodeName,
                                     const QString& elementName) const;
    /**
     * The static text \a textId, in \a language.
     *
     * Calls "getStaticText"(instanceName, textId, language) and blocks.
     * Value: `s`, the text, a QString.
     */
    DBusReply getStaticText(const QString& instanceName, const QString& textId, const QString& language) const;
    /**
     * The configuration \a configurationName, for the session \a sessionId.
     *
     * Calls "getConfigurationWithSessionId"(instanceName, configurationName,
     * language, sessionId) and blocks.
     * Value: `s`, the configuration as JSON text, a QString.
     */
    DBusReply getConfigurationWithSessionId(const QString& instanceName, const QString& configurationName,
                                            const QString& language, const QString& sessionId) const;
    /**
     * The dynamic text \a textId, filled with \a textArguments, in \a language.
     *
     * Calls "getDynamicText"(instanceName, textId, textArguments, language) and blocks.
     * Value: `s`, the text, a QString.
     */
    DBusReply getDynamicText(const QString& instanceName, const QString& textId, const QString& textArguments,
                             const QString& language) const;
    /**
     * The configuration \a configurationName, untranslated.
     *
     * Calls "getConfigurationUntranslated"(instanceName, configurationName) and blocks.
     * Value: `s`, the configuration as JSON text, a QString.
     */
    DBusReply getConfigurationUntranslated(const QString& instanceName, const QString& configurationName) const;
    /**
     * The JavaScript that tells how the configuration's elements depend on each other.
     *
     * Calls "getJavaScriptConfigurationDependency"(instanceName,
     * configurationName) and blocks.
     * Value: `s`, the JavaScript source, a QString.
     */
    DBusReply getJavaScriptConfigurationDependency(const QString& instanceName, const QString& configurationName) const;
    /**
     * The instances of a configuration.
     *
     * Calls "getListOfInstances"(instanceName, configurationName) and blocks.
     * Value: `as`, the instance names, a QStringList.
     */
    DBusReply getListOfInstances(const QString& instanceName, const QString& configurationName) const;
    /**
     * Sets the configuration \a configurationName of the instance
     * \a instanceName to \a configuration, JSON text in \a language;
     * \a persistent says whether the service keeps it.
     *
     * Calls "setConfiguration"(instanceName, configurationName, configuration,
     * language, persistent) and blocks. The service then emits
     * "configurationChanged", which configurationChanged() relays.
     * Value: none.
     */
    DBusReply setConfiguration(const QString& instanceName, const QString& configurationName,
                               const QString& configuration, const QString& language, bool persistent) const;
    /**
     * Sets a configuration as setConfiguration() does, for the session \a sessionId.
     *
     * Calls "setConfigurationWithSessionId"(instanceName, configurationName,
     * configuration, language, sessionId, persistent) and blocks. The service
     * then emits "configurationChanged".
     * Value: none.
     */
    DBusReply setConfigurationWithSessionId(const QString& instanceName, const QString& configurationName,
                                            const QString& configuration, const QString& language,
                                            const QString& sessionId, bool persistent) const;
    /**
     * The number of instances of \a instanceName.
     *
     * Calls "getNumberOfInstances"(instanceName) and blocks.
     * Value: `i`, the number, an int.
     */
    DBusReply getNumberOfInstances(const QString& instanceName) const;
    /**
     * The node instances of \a instanceName.
     *
     * Calls "getListOfNodeInstances"(instanceName) and blocks.
     * Value: `as`, the node instance names, a QStringList.
     */
    DBusReply getListOfNodeInstances(const QString& instanceName) const;

Q_SIGNALS:
    /// Relays "configurationChanged": a configuration of the instance \a instanceName was set.
    void configurationChanged(const QString& instanceName);
    /// Relays "configurationAccepted": the service accepted a configuration of the instance \a instanceName.
    void configurationAccepted(const QString& instanceName);
    /// Relays "configurationDataChanged": the configuration data changed.
    void configurationDataChanged();

protected Q_SLOTS:
    /// Relays the object's "configurationChanged", "configurationAccepted" and "configurationDataChanged".
    void connectServices() override;
    /// Stops relaying all three.
    void disconnectServices() override;
};

#endif // CONFIGURATIONFILEHANDLERDBUSCONNECTOR_H
