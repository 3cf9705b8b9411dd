#include "InterfaceDescriptions.h"

#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QRegularExpression>

namespace {
const QString describerPath = QStringLiteral("/com/vantelo/DBusTools/InterfaceDescriptions");

// The <interface> elements of every shipped file, in one <node>.
struct Shipped
{
    QString xml;
    QStringList names;
};

const Shipped& shipped()
{
    static const Shipped descriptions = [] {
        Shipped result;
        const QRegularExpression element(QStringLiteral("<interface name=\"([^\"]+)\">.*?</interface>"),
                                         QRegularExpression::DotMatchesEverythingOption);
        const QDir directory(QStringLiteral(":/vantelo/interfaces"));
        for (const QString& file : directory.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name)) {
            QFile input(directory.filePath(file));
            if (!input.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(input.readAll());
            auto matches = element.globalMatch(text);
            while (matches.hasNext()) {
                const QRegularExpressionMatch match = matches.next();
                result.xml += match.captured(0) + QLatin1Char('\n');
                result.names.append(match.captured(1));
            }
        }
        return result;
    }();
    return descriptions;
}

// Answers the one question a QDBusInterface asks when it is made, from
// within the process: Qt delivers a call to its own connection locally.
class Describer : public QDBusVirtualObject
{
public:
    explicit Describer(const QString& xml)
        : m_xml(QStringLiteral("<node>\n") + xml + QStringLiteral("</node>\n"))
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

QStringList InterfaceDescriptions::describe(const QDBusConnection& connection, const QString& interfaceName)
{
    const Shipped& descriptions = shipped();
    QString xml = descriptions.xml;
    QStringList names = descriptions.names;
    if (!names.contains(interfaceName)) {
        xml += QStringLiteral("<interface name=\"%1\"/>\n").arg(interfaceName);
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
