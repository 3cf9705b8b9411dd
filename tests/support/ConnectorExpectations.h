#ifndef CONNECTOREXPECTATIONS_H
#define CONNECTOREXPECTATIONS_H

#include "DBusConnectorBase.h"

#include <QByteArray>
#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

// What the thirteen connectors promise, written down by hand from the
// interface descriptions and the documented behaviour: for each connector the
// object it addresses and how it follows its service, for each operation the
// D-Bus method it sends, with which arguments and how it waits, and the
// signals it relays. Nothing here is taken from the connectors themselves;
// they are only called.

// How an operation waits for its answer.
enum class CallMode {
    Blocking, // waits, and hands back the decoded reply
    NoWait, // sends and returns at once with an empty reply
    Asynchronous, // hands back a pending reply at once
    UiStatus // waits and decodes the items itself; failures become warnings
};

// What an operation gave back, whatever its kind.
struct Outcome
{
    DBusReply reply;
    DBusPendingReply::SharedPointer pending;
    // Items as plain values (see comparable()); invalid for the other kinds.
    QVariant decoded;
};

struct OperationExpectation

{
    QString name; // the member function
    QString member; // the D-Bus method it calls
    QString signature; // the D-Bus types of its arguments, in order
    CallMode mode;
    // For UiStatus: the D-Bus type of the value that the service answers and
    // the connector decodes; empty when it answers nothing the caller sees.
    QString answerType;
    std::function<Outcome(DBusConnectorBase&, const QVariantList&)> call;
};

struct SignalExpectation

{
    QString name; // the remote D-Bus signal and the connector's Qt signal
    QString signature; // the D-Bus types of its arguments
    QByteArray qtSignal; // the Qt signal, as SIGNAL() writes it
};

struct ConnectorExpectation

{
    QString className;
    DBusConnectorBase::ConnectionMode mode;
    QString service;
    QString path;
    QString interface;
    // createAndConnect() with the names the test chose.
    std::function<QSharedPointer<DBusConnectorBase>()> create;
    // The same connector made and initialised by hand, in a subclass that
    // opens its D-Bus interface to the test (see interfaceOf).
    std::function<QSharedPointer<DBusConnectorBase>()> open;
    std::function<QSharedPointer<QDBusInterface>(const DBusConnectorBase&)> interfaceOf;
    QList<OperationExpectation> operations;
    QList<SignalExpectation> relayedSignals;
};

const QList<ConnectorExpectation>& connectorExpectations();

// The bus names the table's connectors talk to; the simulator must own them.
QStringList expectedServices();

// The first interface of the table with the D-Bus method `member`: the
// simulator answers per method name, the kit takes an answer for a method
// an interface has.
QString interfaceWithMethod(const QString& member);

// Splits a D-Bus signature into its complete types: "s(ssi)as" gives s, (ssi), as.
QStringList completeTypes(const QString& signature);

// A value of the D-Bus type, distinct for each tag and round, as the remote
// side sends it (an item as the simulator's record).
QVariant remoteValue(const QString& type, const QString& tag, int round);
// A value for each argument of the signature, distinct for each name, position
// and round: as a caller passes them (an item as UiStatusInformationItem), or
// as the remote side sends them.
QVariantList argumentValues(const QString& name, const QString& signature, int round);
QVariantList remoteValues(const QString& name, const QString& signature, int round);

// A value in a form that compares across the ways it travels: D-Bus
// variants unwrapped, items (of either side, or marshalled) as their nine
// fields in order, lists of items as lists of those.
QVariant comparable(const QVariant& value);

#endif // CONNECTOREXPECTATIONS_H
