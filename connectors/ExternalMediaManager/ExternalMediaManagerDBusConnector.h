#ifndef EXTERNALMEDIAMANAGERDBUSCONNECTOR_H
#define EXTERNALMEDIAMANAGERDBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

#include <QDBusVariant>

/**
 * The functions available on external media, `com.vantelo.ExternalMedia`,
 * and the notification that the service has finished determining them.
 *
 * Names: the module, by default `"SystemInformation"` (VanteloDefinitions::getModuleName()), and
 * the object, by default `"ExternalMedia"`.
 *
 * \code
 * #include <ExternalMediaManagerDBusConnector.h>
 *
 * auto externalMedia =
 *     ExternalMediaManagerDBusConnector::createAndConnect("SystemInformation", "ExternalMedia");
 * DBusReply reply = externalMedia->getAvailableFunctions("/media/usb1");
 * QObject::connect(externalMedia.data(), &ExternalMediaManagerDBusConnector::determineAvailableFunctionsFinished,
 *                  [](const QString& strModuleName, const QDBusVariant& jobData) {
 *                      qDebug() << strModuleName << jobData.variant();
 *                  });
 * \endcode
 *
 * \buildwith
 *
 * From the command line: `vantelo-cli list external-media` names its operations and signals,
 * `vantelo-cli call external-media OPERATION ARG...` calls one.
 *
 * \sa DBusConnectorBase, DBusReply, DBusPendingReply
 */
class VANTELO_CONNECTOR_EXPORT ExternalMediaManagerDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    /// Addresses the object \a objectName of the module \a moduleName; sends
    /// nothing. Use createAndConnect(), which also makes it ready for calls.
    ExternalMediaManagerDBusConnector(const QString& moduleName, const QString& objectName);
    /// Destroys the connector: it relays nothing more.
    ~ExternalMediaManagerDBusConnector() override;

    /// Makes a connector for the object \a objectName of the module
    /// \a moduleName and readies it for calls with initObject(); it waits for no service.
    static QSharedPointer<ExternalMediaManagerDBusConnector> createAndConnect(const QString& moduleName,
                                                                              const QString& objectName);

    /**
     * The functions available on the medium at \a mediaPath.
     *
     * Calls "getAvailableFunctions"(mediaPath) and blocks.
     * Value: `as`, the function names (such as `import`, `export`), a QStringList.
     */
    DBusReply getAvailableFunctions(const QString& mediaPath) const;

Q_SIGNALS:
    /**
     * Relays "determineAvailableFunctionsFinished": the service has finished
     * determining the available functions for the module \a strModuleName.
     * The job data arrive as the service sent them, still wrapped: read
     * `jobData.variant()`, a QDBusArgument for compound data. A signal of that
     * name without the variant is not relayed.
     */
    void determineAvailableFunctionsFinished(const QString& strModuleName, const QDBusVariant& jobData);

protected Q_SLOTS:
    /// Relays the object's "determineAvailableFunctionsFinished".
    void connectServices() override;
    /// Stops relaying it.
    void disconnectServices() override;
};

#endif // EXTERNALMEDIAMANAGERDBUSCONNECTOR_H
