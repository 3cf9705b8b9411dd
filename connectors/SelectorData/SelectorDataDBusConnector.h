#ifndef SELECTORDATADBUSCONNECTOR_H
#define SELECTORDATADBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

/**
 * Selector texts and instance lists, `com.vantelo.SelectorData`. The
 * connector does not talk to the given object but to the selector data
 * object that belongs to it; see getResultingObjectName(). Its method names
 * come from VanteloDefinitions. The connector relays no signals.
 *
 * Names: the module, by default `"SystemInformation"` (VanteloDefinitions::getModuleName()), and
 * the object, by default `"Configuration"`.
 *
 * \code
 * #include <SelectorDataDBusConnector.h>
 *
 * auto selectorData = SelectorDataDBusConnector::createAndConnect("SystemInformation", "Configuration");
 * DBusReply reply = selectorData->getListOfInstances("Network", "Interfaces");
 * \endcode
 *
 * \buildwith
 *
 * From the command line: `vantelo-cli list selector-data` names its operations and signals,
 * `vantelo-cli call selector-data OPERATION ARG...` calls one.
 *
 * \sa DBusConnectorBase, DBusReply, DBusPendingReply
 */
class VANTELO_CONNECTOR_EXPORT SelectorDataDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    /// Addresses the selector data object that belongs to the object
    /// \a objectName of the module \a moduleName (see getResultingObjectName());
    /// sends nothing. Use createAndConnect(), which also makes it ready for calls.
    SelectorDataDBusConnector(const QString& moduleName, const QString& objectName);
    /// Destroys the connector; pending replies it handed out stay valid.
    ~SelectorDataDBusConnector() override;

    /// Makes a connector for the selector data of the object \a objectName of
    /// the module \a moduleName and readies it for calls with initObject(); it
    /// waits for no service.
    static QSharedPointer<SelectorDataDBusConnector> createAndConnect(const QString& moduleName,
                                                                      const QString& objectName);

    /**
     * The object that serves the selector data of the given module's object.
     *
     * Under the module `SpsConfigurationManager`, an object whose name
     * contains `Parameter` has a selector data object of its own, its name
     * followed by `SelectorData`; every other object there shares
     * `SelectorData`. Under any other module, `Configuration` and then
     * `ProcessData` are replaced by `SelectorData` wherever they occur in
     * \a objectName (case-sensitive); other names stay as they are. Uses only
     * \a moduleName and \a objectName, not the connector.
     */
    QString getResultingObjectName(const QString& moduleName, QString objectName) const;

    /**
     * The instances of the selector \a selectorName, asynchronously.
     *
     * Calls "getListOfInstances"(instanceName, selectorName) and returns at
     * once; null when the interface is unusable.
     * Value: `as`, the instance names, a QStringList in getReply().
     */
    DBusPendingReply::SharedPointer getListOfInstancesAsynchron(const QString& instanceName,
                                                                const QString& selectorName) const;
    /**
     * The instances of the selector \a selectorName.
     *
     * Calls "getListOfInstances"(instanceName, selectorName) and blocks.
     * Value: `as`, the instance names, a QStringList.
     */
    DBusReply getListOfInstances(const QString& instanceName, const QString& selectorName) const;
    /**
     * The text \a textId of the value \a selectorValue of the selector
     * \a selectorName, filled with \a textArguments, in \a language.
     *
     * Calls "getDynamicSelectorText"(instanceName, selectorName,
     * selectorValue, textId, textArguments, language) and blocks.
     * Value: `s`, the text, a QString.
     */
    DBusReply getSelectorText(const QString& instanceName, const QString& selectorName, const QString& selectorValue,
                              const QString& textId, const QString& textArguments, const QString& language);
};

#endif // SELECTORDATADBUSCONNECTOR_H
