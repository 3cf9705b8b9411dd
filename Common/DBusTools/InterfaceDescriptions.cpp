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

QStringList InterfaceDescriptions::describe(const QDBusConnection& connection, const QString& interfaceName,
                                            const QSet<QString>& described)
{
    // Each round costs more than describing another interface in it: the
    // first round describes the one interface asked for, the second every
    // other shipped one that isn't yet, so no third is needed.
    QString xml;
    QStringList names;
    for (int i = 0; i < shippedCount; ++i) {
        const QString name = QLatin1String(shipped[i].name);
        if (name == interfaceName || (!described.isEmpty() && !described.contains(name))) {
            xml += QLatin1String(shipped[i].xml);
            names.append(name);
        }
    }
    if (!names.contains(interfaceName)) {
        xml += QStringLiteral("<interface name=\"%1\"/>").arg(interfaceName);
        names.append(interfaceName);
    }

    // One describer at a time: they share the path.
    static QMutex mutex;
    const QMutexLocker locker(&mutex);
    QDBusConnection local(connection);
    Describer describer(xml);
    if (!local.registerVirtualObject(describerPath, &describer))
        return QStringList();
    {
        // Making the interface is what stores the descriptions.
        const QDBusInterface reader(local.baseService(), describerPath, interfaceName, local);
    }
    local.unregisterObject(describerPath);
    return names;
}
