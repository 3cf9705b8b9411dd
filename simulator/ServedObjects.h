#ifndef SERVEDOBJECTS_H
#define SERVEDOBJECTS_H

#include "ObjectTree.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>

#include <functional>

class InterfaceCatalogue;

// What takes the calls that reach a method of a served object.
using CallHandler = std::function<void(const QDBusMessage& call, const QDBusConnection& connection)>;

// The objects of one bus name, strict as a Qt or GDBus service: a call to a
// path it doesn't serve gets UnknownObject, to an interface the object
// doesn't have UnknownInterface, to a method the interface doesn't describe
// UnknownMethod, and with other arguments than the method takes InvalidArgs.
// Introspection shows each object with its own interfaces and each node's
// children, so tools can walk the tree from "/". The other calls go to the
// handler.
class ServedObjects : public QDBusVirtualObject
{
    Q_OBJECT
public:
    ServedObjects(const QString& service, const ObjectTree& tree, const InterfaceCatalogue& catalogue,
                  CallHandler handler, bool logCalls, QObject* parent = nullptr);

    bool handleMessage(const QDBusMessage& call, const QDBusConnection& connection) override;
    // The interfaces and child nodes of the path, inside the document's <node>.
    QString introspect(const QString& path) const override;

private:
    // The interface a call without one means: the one of the object's that has the method.
    QString interfaceOf(const QDBusMessage& call) const;
    // The error to answer the call with; an invalid message when it may pass.
    QDBusMessage refusal(const QDBusMessage& call, const QString& interface) const;
    // The input signature of the method; false if the interface has no such method.
    bool methodSignature(const QString& interface, const QString& member, QString* signature) const;

    QString m_service;
    ObjectTree m_tree;
    const InterfaceCatalogue& m_catalogue;
    CallHandler m_handler;
    bool m_logCalls;
};

#endif // SERVEDOBJECTS_H
