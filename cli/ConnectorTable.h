#ifndef CONNECTORTABLE_H
#define CONNECTORTABLE_H

#include "DBusConnectorBase.h"

#include <QJsonArray>
#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

// What one operation gave back: a finished reply, or a pending one.
struct Outcome
{
    DBusReply reply;
    DBusPendingReply::SharedPointer pending;
    bool asynchronous = false;
};

struct OperationEntry
{
    QString name;
    QStringList parameterNames;
    QStringList parameterTypes; // "text", "bool" or "item" (a JSON object)
    std::function<Outcome(DBusConnectorBase&, const QVariantList&)> invoke;

    // Calls the operation and waits for its answer. Operations that decode
    // their answers report failures only as warnings; these become errors.
    DBusReply run(DBusConnectorBase& connector, const QVariantList& arguments) const;

    // Turns command-line words into the operation's arguments.
    bool parseArguments(const QStringList& words, QVariantList* arguments, QString* error) const;
    QString synopsis() const;
};

using SignalPrinter = std::function<void(const QString& name, const QJsonArray& arguments)>;

struct SignalEntry
{
    QString name;
    QStringList parameterNames;
    std::function<void(DBusConnectorBase&, const SignalPrinter&)> connect;
};

// Every connector of the library, as the client offers it.
struct ConnectorEntry
{
    enum Addressing {
        FixedAddress,  // all names come from the catalogue
        ModuleOnly,    // the caller names the module
        ModuleAndObject
    };

    QString className;
    QString alias;
    Addressing addressing;
    QString defaultObject;
    std::function<QSharedPointer<DBusConnectorBase>(const QString& module, const QString& object)> create;
    QList<OperationEntry> operations;
    QList<SignalEntry> relayedSignals;

    const OperationEntry* operation(const QString& name) const;
};

const QList<ConnectorEntry>& connectorTable();
// By class name or alias, case-insensitively.
const ConnectorEntry* findConnector(const QString& name);

#endif // CONNECTORTABLE_H
