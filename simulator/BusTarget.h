#ifndef BUSTARGET_H
#define BUSTARGET_H

#include <QDBusConnection>
#include <QString>

// The bus the simulator serves on: the system or session bus, or a bus at an
// address. The simulator connects to it once for each name it serves.
class BusTarget
{
public:
    static BusTarget systemBus();
    static BusTarget sessionBus();
    static BusTarget atAddress(const QString& address);

    // For messages: "system bus", "session bus" or "bus at ADDRESS".
    QString description() const;
    QDBusConnection connect(const QString& connectionName) const;

    // Whether the connection's bus is the machine's system bus, however it was
    // reached: compares the ids of both buses, when the system bus can be
    // reached at all.
    static bool isSystemBus(const QDBusConnection& connection);

private:
    enum Kind {
        System,
        Session,
        Address
    };

    BusTarget(Kind kind, const QString& address);

    Kind m_kind;
    QString m_address;
};

#endif // BUSTARGET_H
