#ifndef CONNECTORTABLE_H
#define CONNECTORTABLE_H

#include "DBusConnectorBase.h"
#include "DBusPendingReply.h"
#include "DBusReply.h"

#include <QList>
#include <QMetaObject>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <functional>

// Every connector of the library with its operations and relayed signals, for
// clients that reach connectors by name: the command-line client and the QML
// module. Values stay Qt values; how a client shows them is its own business.

// What one call of an operation gave back. Which member holds it follows from
// the operation's call mode.
struct CallOutcome
{
    // Blocking and NoWait: the reply (empty for NoWait unless the interface was unusable).
    DBusReply reply;
    // Asynchronous: the pending reply, null when the connector's interface is unusable.
    DBusPendingReply::SharedPointer pending;
    // UiStatus: the decoded answer, an item as a QVariantMap (see StatusItemMap),
    // a list of items as a QVariantList of those, or nothing.
    QVariant decoded;
};

// Receives one relayed signal: its name and its arguments as Qt values (an
// item as a QVariantMap, a D-Bus variant as QDBusVariant).
using SignalHandler = std::function<void(const QString& name, const QVariantList& arguments)>;

struct OperationEntry
{
    // How an operation waits for its answer.
    enum class CallMode {
        Blocking, // waits and hands back the reply
        NoWait, // sends and returns at once with an empty reply
        Asynchronous, // hands back a pending reply at once
        UiStatus // waits and decodes the items itself; failures are only warnings
    };

    // The connector's member function.
    QString name;
    // The D-Bus method it calls.
    QString member;
    QStringList parameterNames;
    // The D-Bus signature of each parameter: "s" (QString), "b" (bool) or an item.
    QStringList parameterTypes;
    CallMode mode = CallMode::Blocking;
    // Whether the method only asks: it changes nothing on the device, so
    // calling it any number of times is harmless (vantelo-cli snapshot calls
    // these). The device's methods that ask are named get... or is...; every
    // other one changes something.
    bool readOnly = false;
    // UiStatus only: the D-Bus signature of the decoded answer, empty when there is none.
    QString resultType;
    // Calls the operation with arguments as prepareArguments() gives them.
    std::function<CallOutcome(DBusConnectorBase&, const QVariantList&)> invoke;

    // The D-Bus signature of all parameters, as the interface describes the method.
    QString signature() const { return parameterTypes.join(QString()); }

    // Checks the arguments against the parameters, strictly by type, and
    // converts an item given as a QVariantMap. On failure says which argument
    // is wrong and why.
    bool prepareArguments(const QVariantList& given, QVariantList* prepared, QString* error) const;

    // Calls the operation and waits for its answer, whatever its call mode.
    // Failures that a UiStatus operation only writes as warnings become errors.
    DBusReply run(DBusConnectorBase& connector, const QVariantList& prepared) const;
};

struct SignalEntry
{
    // The remote D-Bus signal and the connector's Qt signal.
    QString name;
    QStringList parameterNames;
    // The D-Bus signature of each parameter.
    QStringList parameterTypes;
    // Makes the connection; see connect().
    std::function<QMetaObject::Connection(DBusConnectorBase&, QObject*, const SignalHandler&)> relay;

    // Hands every emission of the signal by the connector to the handler, in
    // the thread of the context object (the connector when null), as long as
    // both live.
    QMetaObject::Connection connect(DBusConnectorBase& connector, const SignalHandler& handler,
                                    QObject* context = nullptr) const
    {
        return relay(connector, context ? context : &connector, handler);
    }
};

struct ConnectorEntry
{
    // Which names the connector's factory takes.
    enum Addressing {
        FixedAddress, // none: all come from the catalogue
        ModuleOnly, // the module; the object is the catalogue's
        ModuleAndObject
    };

    QString className;
    QString alias;
    Addressing addressing;
    // The object it addresses unless told otherwise (ModuleAndObject only).
    QString defaultObject;
    // createAndConnect() with those of the two names that it takes.
    std::function<QSharedPointer<DBusConnectorBase>(const QString& module, const QString& object)> create;
    QList<OperationEntry> operations;
    QList<SignalEntry> relayedSignals;

    // By its exact name; null when it has none of that name.
    const OperationEntry* operation(const QString& name) const;
};

// All thirteen connectors, in a fixed order.
const QList<ConnectorEntry>& connectorTable();
// By class name or alias, case-insensitively; null when there is none.
const ConnectorEntry* findConnector(const QString& name);

// What an asynchronous operation stands for when it handed back no pending
// reply: the connector's invalid-interface error, as a blocking call reports it.
DBusReply unusableInterfaceReply(const DBusConnectorBase& connector);

// The D-Bus signature Qt D-Bus writes for a meta-type, empty for a type it can't write.
QString dbusSignature(int metaTypeId);

#endif // CONNECTORTABLE_H
