#ifndef INTERFACEDESCRIPTIONS_H
#define INTERFACEDESCRIPTIONS_H

#include <QDBusConnection>
#include <QSet>
#include <QStringList>

// The descriptions of the device's interfaces, as the library ships them.
//
// A QDBusInterface asks its object to describe itself when it is made, unless
// its connection already holds a description of that interface name: Qt keeps
// one per interface name and connection. Handing the connection the shipped
// description first means no connector ever waits for a service to describe
// itself, and one that hangs can't hold up the application.
namespace InterfaceDescriptions {

// One interface: its name and what Qt needs of its description, made at
// build time from the interface files.
struct Entry
{
    const char* name;
    const char* xml;
};
extern const Entry shipped[];
extern const int shippedCount;

// Gives the connection the description of `interfaceName`, without sending
// anything on the bus; an interface the library doesn't ship is described as
// one without members. Unless `described` (what the connection holds
// already) is empty, every shipped interface not in it is described as well.
// Returns the interface names now described.
QStringList describe(const QDBusConnection& connection, const QString& interfaceName, const QSet<QString>& described);

} // namespace InterfaceDescriptions

#endif // INTERFACEDESCRIPTIONS_H
