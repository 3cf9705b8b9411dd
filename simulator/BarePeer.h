#ifndef BAREPEER_H
#define BAREPEER_H

#include "ServedObjects.h"

#include <QDBusVirtualObject>

// The permissive peer of --bare, for the library's tests: every call to any
// path, interface and method goes to the handler, which records it and
// answers with an empty envelope. Introspection shows no interfaces.
class BarePeer : public QDBusVirtualObject
{
    Q_OBJECT
public:
    BarePeer(CallHandler handler, bool logCalls, QObject* parent = nullptr);

    bool handleMessage(const QDBusMessage& call, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

private:
    CallHandler m_handler;
    bool m_logCalls;
};

#endif // BAREPEER_H
