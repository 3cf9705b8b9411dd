#ifndef DISPLAYDBUSCONNECTOR_H
#define DISPLAYDBUSCONNECTOR_H

#include "DBusConnectorBase.h"
#include "VanteloConnectorExport.h"

/**
 * The display of one module, `com.vantelo.Display`: a screenshot, and
 * toggling the display state. Object (`Display`) and interface are fixed;
 * only the module is chosen. The connector relays no signals.
 *
 * Names: the module, by default `"SystemInformation"` (VanteloDefinitions::getModuleName()); the
 * object is the connector's own.
 *
 * \code
 * #include <DisplayDBusConnector.h>
 *
 * auto display = DisplayDBusConnector::createAndConnect("SystemInformation");
 * DBusReply reply = display->getScreenshot(); // a PNG image, a QByteArray in getValue()
 * \endcode
 *
 * \buildwith
 *
 * From the command line: `vantelo-cli list display` names its operations and signals,
 * `vantelo-cli call display OPERATION ARG...` calls one.
 *
 * \sa DBusConnectorBase, DBusReply, DBusPendingReply
 */
class VANTELO_CONNECTOR_EXPORT DisplayDBusConnector : public DBusConnectorBase
{
    Q_OBJECT
public:
    /// Addresses the display of the module \a moduleName; sends nothing. Use
    /// createAndConnect(), which also makes it ready for calls.
    DisplayDBusConnector(const QString& moduleName);
    /// Destroys the connector.
    ~DisplayDBusConnector() override;

    /// Makes a connector for the display of the module \a moduleName and
    /// readies it for calls with initObject(); it waits for no service.
    static QSharedPointer<DisplayDBusConnector> createAndConnect(const QString& moduleName);

    /**
     * A screenshot of the display.
     *
     * Calls "getScreenshot"() without arguments and blocks. While the display
     * is off, the service answers with an error code of its own.
     * Value: `ay`, the image file's bytes (PNG), a QByteArray.
     */
    DBusReply getScreenshot() const;
    /**
     * Switches the display on or off.
     *
     * Sends "toggleDisplayState"() without waiting: whether the service
     * accepted it is not reported. The reply holds an error only when the
     * interface is unusable; the service's answer, the new state as `b`
     * (true for on), is not read.
     * Value: none.
     */
    DBusReply toggleDisplayState() const;
};

#endif // DISPLAYDBUSCONNECTOR_H
