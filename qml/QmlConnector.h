#ifndef QMLCONNECTOR_H
#define QMLCONNECTOR_H

#include "QmlPendingReply.h"

#include <QMetaMethod>
#include <QObject>
#include <QQmlParserStatus>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QtQml/qqml.h>

class DBusConnectorBase;
class ServiceFollower;
struct ConnectorEntry;

/**
 * QML type `Connector` of `Vantelo.Connectors 1.0`: any of the thirteen
 * connectors, by name, with its operations and relayed signals.
 *
 * \code
 * import Vantelo.Connectors 1.0
 *
 * Connector {
 *     id: configuration
 *     connector: "configuration"          // class name or the client's alias
 * }
 * Connections {
 *     target: configuration
 *     function onConfigurationChanged(instanceName) { console.log("changed:", instanceName) }
 * }
 * ...
 * var reply = configuration.call("getListOfInstances", "Network", "")
 * \endcode
 *
 * The connector is made once the item's properties are set, and made again
 * whenever connector, module or object changes. call() runs any operation of
 * the catalogue by its name, with its arguments checked by type first, and
 * hands back a PendingReply.
 *
 * Relayed signals reach QML twice: as signalReceived(name, args) for every
 * signal, and as a signal of the same name with the same typed, named
 * parameters, for `onConfigurationChanged:` handlers and `Connections`. The
 * item declares all fourteen relayed signals of the library; only those of
 * its own connector are ever emitted.
 *
 * Errors never pass silently: an unknown connector, operation or wrong
 * arguments give a QML warning with the file and line of the item that names
 * what was wrong and what is valid; a failed call sets the reply's isError.
 */
class QmlConnector : public QObject, public QQmlParserStatus
{
    Q_OBJECT
    Q_INTERFACES(QQmlParserStatus)
    QML_NAMED_ELEMENT(Connector)
    /// The connector's class name, such as "DBusDeviceInfoConnector", or the
    /// client's alias, such as "device-info"; either case.
    Q_PROPERTY(QString connector READ connector WRITE setConnector NOTIFY connectorChanged)
    /// The service's module; empty for the catalogue's, "SystemInformation".
    /// Only for connectors whose factory takes a module.
    Q_PROPERTY(QString module READ module WRITE setModule NOTIFY moduleChanged)
    /// The remote object; empty for the connector's own. Only for connectors
    /// whose factory takes an object.
    Q_PROPERTY(QString object READ object WRITE setObject NOTIFY objectChanged)
    /// Whether calls can be made now: the connector is made and its interface
    /// usable (the bus is there and, for connectors that follow their
    /// service, the service runs). Follows the service as it comes and goes.
    Q_PROPERTY(bool valid READ isValid NOTIFY validChanged)
    /// Why not, while valid is false; empty while it is true.
    Q_PROPERTY(QString invalidMessage READ invalidMessage NOTIFY invalidMessageChanged)
    /// The connector's class name, once it is known; empty otherwise.
    Q_PROPERTY(QString className READ className NOTIFY made)
    /// The bus name of the remote service, once the connector is made.
    Q_PROPERTY(QString service READ service NOTIFY made)
    /// The object path of the remote object, once the connector is made.
    Q_PROPERTY(QString path READ path NOTIFY made)
    /// The D-Bus interface the connector calls, once it is made.
    Q_PROPERTY(QString interfaceName READ interfaceName NOTIFY made)
    /// The names of the connector's operations, for call().
    Q_PROPERTY(QStringList operations READ operations NOTIFY made)
    /// The names of the signals the connector relays.
    Q_PROPERTY(QStringList relayedSignals READ relayedSignals NOTIFY made)

public:
    /// An item that makes its connector once QML has set its properties.
    explicit QmlConnector(QObject* parent = nullptr);
    /// Releases the connector; replies of calls still pending go with the item.
    ~QmlConnector() override;

    /// See the property.
    QString connector() const { return m_name; }
    /// See the property.
    void setConnector(const QString& name);
    /// See the property.
    QString module() const { return m_module; }
    /// See the property.
    void setModule(const QString& module);
    /// See the property.
    QString object() const { return m_object; }
    /// See the property.
    void setObject(const QString& object);
    /// See the property.
    bool isValid() const { return m_valid; }
    /// See the property.
    QString invalidMessage() const { return m_invalidMessage; }
    /// See the property.
    QString className() const;
    /// See the property.
    QString service() const;
    /// See the property.
    QString path() const;
    /// See the property.
    QString interfaceName() const;
    /// See the property.
    QStringList operations() const;
    /// See the property.
    QStringList relayedSignals() const;

    /**
     * Calls \a operation with the arguments \a a1 to \a a7 that QML gives,
     * in order: text as strings, flags as bools, an item as an object with its
     * fields (see UiStatusItemsModel). Returns at once with the PendingReply. A
     * name the connector doesn't have, or arguments of the wrong number or
     * type, give a QML warning and a reply that failed without anything being
     * sent. No operation takes more than six arguments: seven or more are
     * always refused.
     */
    Q_INVOKABLE QmlPendingReply* call(const QString& operation, const QVariant& a1 = notGiven(),
                                      const QVariant& a2 = notGiven(), const QVariant& a3 = notGiven(),
                                      const QVariant& a4 = notGiven(), const QVariant& a5 = notGiven(),
                                      const QVariant& a6 = notGiven(), const QVariant& a7 = notGiven());
    /// The same as call(), with the arguments in one list.
    Q_INVOKABLE QmlPendingReply* callWithArguments(const QString& operation, const QVariantList& arguments);

    /// QQmlParserStatus: nothing is made while QML sets the properties.
    void classBegin() override;
    /// QQmlParserStatus: makes the connector.
    void componentComplete() override;

Q_SIGNALS:
    /// The connector property changed.
    void connectorChanged();
    /// The module property changed.
    void moduleChanged();
    /// The object property changed.
    void objectChanged();
    /// valid changed.
    void validChanged();
    /// invalidMessage changed.
    void invalidMessageChanged();
    /// A connector was made, or none could be: the names and lists changed.
    void made();

    /**
     * Every relayed signal, by \a name, with its arguments in \a args, an
     * array of values as QmlValue describes them.
     */
    void signalReceived(const QString& name, const QVariant& args);

    /// Relayed from BusControlInfoDBusConnector.
    void busControlInfoMasterChanged();
    /// Relayed from BusControlInfoDBusConnector.
    void busControlInfoSlaveChanged(int arrayIndex);
    /// Relayed from ConfigurationFileHandlerDBusConnector.
    void configurationChanged(const QString& instanceName);
    /// Relayed from ConfigurationFileHandlerDBusConnector.
    void configurationAccepted(const QString& instanceName);
    /// Relayed from ConfigurationFileHandlerDBusConnector.
    void configurationDataChanged();
    /// Relayed from ConfigurationDataFileHandlerDBusConnector.
    void applyConfigurationCompleted(bool deviceRebootRequired, const QStringList& reportMessages);
    /// Relayed from ConfigurationDataFileHandlerDBusConnector.
    void exportConfigurationEnd();
    /// Relayed from DBusProcessDescriptionConnector.
    void processDataDescriptionChanged(const QString& instanceName);
    /// Relayed from DBusProcessDescriptionConnector.
    void propertyChanged(const QString& instanceName);
    /// Relayed from ExternalMediaManagerDBusConnector; \a jobData is the value the variant held.
    void determineAvailableFunctionsFinished(const QString& strModuleName, const QVariant& jobData);
    /// Relayed from ExternalMediaManagerDBusMountServiceConnector.
    void externalMediaMounted(const QString& strMountPath);
    /// Relayed from ExternalMediaManagerDBusMountServiceConnector.
    void externalMediaUnmounted();
    /// Relayed from UiStatusInformationDataDBusConnector.
    void uiStatusInformationItemChanged(const QString& uuid);
    /// Relayed from UiStatusInformationDataDBusConnector; \a item is an object with the item's fields.
    void uiStatusInformationItemRemoved(const QVariant& item);

private:
    // Stands for an argument QML didn't give: QML picks the form of call()
    // by the number of arguments, and passes no value of its type.
    static QVariant notGiven();

    void setName(QString* name, const QString& value, void (QmlConnector::*changed)());
    void remake();
    void release();
    void refuse(const QString& message);
    void updateValidity();
    void setValidity(bool valid, const QString& message);
    void relay(const QString& name, const QVariantList& arguments, const QMetaMethod& own);

    QString m_name;
    QString m_module;
    QString m_object;
    bool m_complete = false;
    bool m_valid = false;
    QString m_invalidMessage;
    const ConnectorEntry* m_entry = nullptr;
    QSharedPointer<DBusConnectorBase> m_connector;
    QSharedPointer<ServiceFollower> m_follower;
};

#endif // QMLCONNECTOR_H
