#ifndef DBUSCONNECTORBASE_H
#define DBUSCONNECTORBASE_H

#include "DBusPendingReply.h"
#include "DBusReply.h"
#include "DBusToolsExport.h"
#include "ErrorContainer.h"

#include <QDBusArgument>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusVariant>
#include <QObject>
#include <QScopedPointer>
#include <QSharedPointer>
#include <QString>
#include <QVariant>
#include <QtDebug>

#include <utility>

class DBusConnectorBasePrivate;

/**
 * The client side of one D-Bus interface of one remote object: the base of
 * every connector.
 *
 * The module name selects the service, the object name the object and the
 * interface name its interface: a module is served under the bus name
 * `com.vantelo.` followed by the module name, an object lives at the path
 * `/com/vantelo/` followed by the object name.
 * Connectors are made by their static `createAndConnect()`, which calls
 * initObject(). After initObject() the connector follows the service:
 * connectServices() runs while it is there, disconnectServices() when it goes
 * away (see ConnectionMode).
 *
 * Every operation of a connector is one call of one of three helpers, with
 * the D-Bus method name and the operation's arguments in order:
 * - syncCallHelper() blocks until the answer and hands back a DBusReply;
 * - syncCallNoBlock() sends the call and returns at once with an empty DBusReply;
 * - asyncCallHelper() returns at once with a DBusPendingReply, through which the answer arrives.
 *
 * Every remote method answers with the envelope `(isv)`: a code (0 is
 * success), a message and a value; see DBusReply for how it is read. The
 * connector's interface describes which value each operation's answer holds.
 *
 * A connector is a QObject of the thread that made it: call it there. Its
 * relayed signals arrive through that thread's event loop.
 */
class VANTELO_DBUSTOOLS_EXPORT DBusConnectorBase : public QObject
{
    Q_OBJECT
public:
    /// How a connector follows its service.
    enum ConnectionMode {
        /// The service must be running: while it is not, every call fails at
        /// once with the invalid-interface error and nothing is sent. The
        /// relayed signals are connected while the service runs.
        FollowService = 0,
        /// The service may be started by the bus on demand: calls are always
        /// sent, and the relayed signals stay connected for the connector's life.
        StartOnDemand = 1
    };
    Q_ENUM(ConnectionMode)

    /**
     * Addresses the interface \a interfaceName of the object \a objectName of
     * the service of \a moduleName; sends nothing. The connector takes calls
     * once initObject() has run. Connectors pass a null \a parent: they are
     * owned through shared pointers.
     */
    DBusConnectorBase(const QString& moduleName, const QString& objectName, const QString& interfaceName,
                      QObject* parent, ConnectionMode connectionMode);
    /// Stops following the service; pending replies handed out stay valid.
    ~DBusConnectorBase() override;

    /**
     * Makes the connector ready for calls; called once, by the factory.
     *
     * Checks the names (a bad one leaves the interface unusable, and
     * getInvalidDBusInterfaceMessage() names it), makes the interface on the
     * process's bus connection and starts following the service. It asks no
     * service anything and waits for none. Later calls do nothing.
     */
    void initObject();

    /// The bus name of the remote service: `com.vantelo.` followed by the module name.
    QString getServiceName() const;
    /// The object path of the remote object: `/com/vantelo/` followed by the object name.
    QString getDBusPath() const;
    /// The D-Bus interface that the connector calls.
    QString getInterfaceName() const;
    /// How the connector follows its service.
    ConnectionMode getConnectionMode() const;

    /**
     * Whether a call can be made now: initObject() has run, the names are
     * valid, the bus is connected and, for FollowService, the service runs.
     * Sends nothing. While it is false, calls fail at once and send nothing.
     */
    bool isDBusInterfaceValid() const;
    /**
     * Why the interface can't be used, naming service, path and interface:
     * `D-Bus interface <interface> at <path> of service <service> is not usable: <why>`.
     * Empty while it can be used.
     */
    QString getInvalidDBusInterfaceMessage() const;
    /**
     * The D-Bus error name that stands for that reason, for example
     * "org.freedesktop.DBus.Error.ServiceUnknown" while the service is not
     * running, or "org.freedesktop.DBus.Error.Disconnected" while the bus is
     * lost. Empty while the interface can be used.
     */
    QString getInvalidDBusInterfaceErrorName() const;
    /// Called by the call helpers after every failure they detect; emits dBusConnectionErrorOccurred().
    void dBusConnectionError() const;

Q_SIGNALS:
    /**
     * Emitted once for every failure that a call helper detects itself: an
     * unusable interface, or a blocking call that failed on the bus. Not
     * emitted for an error code in the service's reply, for an answer whose
     * variant holds no envelope, nor for an asynchronous call that fails
     * after it was sent.
     */
    void dBusConnectionErrorOccurred() const;

protected Q_SLOTS:
    /**
     * Connects the remote object's signals to the connector's own signals of
     * the same names. The base runs it in the connector's thread: for
     * FollowService when the service is there (at initObject() if it runs,
     * else when it registers, and again after it restarted), for
     * StartOnDemand at initObject(); in both modes again once a lost bus is
     * back. Connectors that relay signals override it; the base's own does
     * nothing.
     */
    virtual void connectServices();
    /**
     * Disconnects what connectServices() connected. The base runs it when a
     * followed service goes away or the bus is lost; nothing is relayed
     * after it until connectServices() runs again.
     */
    virtual void disconnectServices();

protected:
    /**
     * Calls \a methodName with \a args, each as one D-Bus argument (a QString
     * as `s`, a bool as `b`, a QVariant as the value it holds), and blocks
     * until the answer arrives or the interface's time-out passes (Qt's
     * default, 25 s, unless a DBusTemporaryTimeout sets another).
     *
     * Every failure comes back inside the reply, with the default error code
     * and the D-Bus error name, after two identical warning records and
     * dBusConnectionError(): on an unusable interface the invalid-interface
     * message, and nothing is sent; on a D-Bus error
     * `D-Bus call to method <method> failed: <Qt's message>!`. An answer is
     * read as DBusReply's `operator>>` reads the envelope.
     */
    template <typename... Args>
    DBusReply syncCallHelper(const QString& methodName, Args&&... args) const
    {
        DBusReply result;
        if (!isDBusInterfaceValid()) {
            const QString message = getInvalidDBusInterfaceMessage();
            qWarning() << message;
            qWarning() << message;
            result.setError(ErrorContainer::getDefaultErrorCode(), message, getInvalidDBusInterfaceErrorName());
            dBusConnectionError();
            return result;
        }

        const QDBusReply<QDBusVariant> answer =
            dBusInterface->call(QDBus::AutoDetect, methodName, std::forward<Args>(args)...);
        if (answer.error().isValid()) {
            const QString message = QLatin1String("D-Bus call to method ") + methodName + QLatin1String(" failed: ") +
                                    answer.error().message() + QLatin1Char('!');
            qWarning() << message;
            qWarning() << message;
            result.setError(ErrorContainer::getDefaultErrorCode(), message, answer.error().name());
            dBusConnectionError();
            return result;
        }

        qvariant_cast<QDBusArgument>(answer.value().variant()) >> result;
        return result;
    }

    /**
     * Sends \a methodName with \a args, as syncCallHelper() does, and returns
     * at once without waiting for the answer. Only an unusable interface is
     * reported, as syncCallHelper() reports it; the answer is never read, so
     * the reply holds no value.
     */
    template <typename... Args>
    DBusReply syncCallNoBlock(const QString& methodName, Args&&... args) const
    {
        DBusReply result;
        if (!isDBusInterfaceValid()) {
            const QString message = getInvalidDBusInterfaceMessage();
            qWarning() << message;
            qWarning() << message;
            result.setError(ErrorContainer::getDefaultErrorCode(), message, getInvalidDBusInterfaceErrorName());
            dBusConnectionError();
            return result;
        }

        dBusInterface->call(QDBus::NoBlock, methodName, std::forward<Args>(args)...);
        return result;
    }

    /**
     * Starts the call of \a methodName with \a args, as syncCallHelper() sends
     * it, and returns at once; the answer arrives through the pending reply.
     * Null when the interface can't be used: then one warning record is
     * written, dBusConnectionError() runs and nothing is sent.
     */
    template <typename... Args>
    DBusPendingReply::SharedPointer asyncCallHelper(const QString& methodName, Args&&... args) const
    {
        DBusPendingReply::SharedPointer result;
        if (!isDBusInterfaceValid()) {
            qWarning() << getInvalidDBusInterfaceMessage();
            dBusConnectionError();
            return result;
        }

        QDBusPendingCall call = dBusInterface->asyncCall(methodName, std::forward<Args>(args)...);
        result = DBusPendingReply::SharedPointer::create(call);
        return result;
    }

    /**
     * The interface every call goes through; null until initObject() has
     * made it, and made again on a new connection after the bus came back.
     * Connectors of the same remote object in one thread share it.
     */
    QSharedPointer<QDBusInterface> dBusInterface;

private:
    friend class DBusConnectorBasePrivate;
    Q_DISABLE_COPY(DBusConnectorBase)
    QScopedPointer<DBusConnectorBasePrivate> d;
};

#endif // DBUSCONNECTORBASE_H
