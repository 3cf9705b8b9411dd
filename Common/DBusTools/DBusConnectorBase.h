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

// The client side of one D-Bus interface of one remote object.
//
// The module name selects the service, the object name the object and the
// interface name its interface. After initObject() the connector follows the
// service: connectServices() runs while it is there, disconnectServices()
// when it goes away.
class VANTELO_DBUSTOOLS_EXPORT DBusConnectorBase : public QObject
{
    Q_OBJECT
public:
    enum ConnectionMode {
        // The service must be running: while it is not, every call fails at
        // once with the invalid-interface error and nothing is sent.
        FollowService = 0,
        // The service may be started by the bus on demand: calls are always
        // sent, and the relayed signals stay connected for the connector's life.
        StartOnDemand = 1
    };
    Q_ENUM(ConnectionMode)

    DBusConnectorBase(const QString& moduleName, const QString& objectName, const QString& interfaceName,
                      QObject* parent, ConnectionMode connectionMode);
    ~DBusConnectorBase() override;

    // Makes the connector ready for calls; called once, by the factory.
    void initObject();

    QString getServiceName() const;
    QString getDBusPath() const;
    QString getInterfaceName() const;
    ConnectionMode getConnectionMode() const;

    bool isDBusInterfaceValid() const;
    // Why the interface can't be used, naming service, path and interface.
    QString getInvalidDBusInterfaceMessage() const;
    // The D-Bus error name that stands for that reason, for example
    // "org.freedesktop.DBus.Error.ServiceUnknown" while the service is not running.
    QString getInvalidDBusInterfaceErrorName() const;
    // Called by the call helpers after every failure they detect.
    void dBusConnectionError() const;

Q_SIGNALS:
    void dBusConnectionErrorOccurred() const;

protected Q_SLOTS:
    virtual void connectServices();
    virtual void disconnectServices();

protected:
    // Blocking call; every failure comes back inside the reply.
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
            const QString message = QLatin1String("D-Bus call to method ") + methodName +
                                    QLatin1String(" failed: ") + answer.error().message() + QLatin1Char('!');
            qWarning() << message;
            qWarning() << message;
            result.setError(ErrorContainer::getDefaultErrorCode(), message, answer.error().name());
            dBusConnectionError();
            return result;
        }

        qvariant_cast<QDBusArgument>(answer.value().variant()) >> result;
        return result;
    }

    // Sends the call and returns at once; only an unusable interface is
    // reported, the answer is never read.
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

    // Starts the call; the answer arrives through the pending reply. Null
    // when the interface can't be used.
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

    QSharedPointer<QDBusInterface> dBusInterface;

private:
    friend class DBusConnectorBasePrivate;
    Q_DISABLE_COPY(DBusConnectorBase)
    QScopedPointer<DBusConnectorBasePrivate> d;
};

#endif // DBUSCONNECTORBASE_H
