#include "InterfaceDescriptions.h"

#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMutex>

namespace {
const QString describerPath = QStringLiteral("/com/vantelo/DBusTools/InterfaceDescriptions");

// Answers the one question a QDBusInterface asks when it is made, from
// within the process: Qt delivers a call to its own connection locally.
class Describer : public QDBusVirtualObject
{
public:
    explicit Describer(const QString& xml)
        : m_xml(QLatin1String("<node>") + xml + QLatin1String("</node>"))
    {
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() != QLatin1String("Introspect"))
            return false;
        connection.send(message.createReply(m_xml));
        return true;
    }

    QString introspect(const QString&) const override { return QString(); }

private:
    QString m_xml;
};
} // namespace

QString InterfaceDescriptions::descriptionOf(const QString& interfaceName)
{
    for (int i = 0; i < shippedCount; ++i) {
        if (interfaceName == QLatin1String(shipped[i].name))
            return QString::fromLatin1(shipped[i].xml);
    }
    return QStringLiteral("<interface name=\"%1\"/>").arg(interfaceName);
}

bool InterfaceDescriptions::describe(const QDBusConnection& connection, const QString& interfaceName)
{
    // One describer at a time: they share the path.
    static QMutex mutex;
    const QMutexLocker locker(&mutex);
    QDBusConnection local(connection);
    Describer describer(descriptionOf(interfaceName));
    if (!local.registerVirtualObject(describerPath, &describer))
        return false;
    {
        // Making the interface is what stores the description.
        const QDBusInterface reader(local.baseService(), describerPath, interfaceName, local);
    }
    local.unregisterObject(describerPath);
    return true;
}
