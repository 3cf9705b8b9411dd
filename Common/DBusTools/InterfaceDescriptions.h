#ifndef INTERFACEDESCRIPTIONS_H
#define INTERFACEDESCRIPTIONS_H

#include <QDBusConnection>
#include <QString>

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

// What Qt is handed for `interfaceName`: the shipped description, or one
// without members for an interface the library doesn't ship.
QString descriptionOf(const QString& interfaceName);

// Gives the connection the description of `interfaceName` alone, without
// sending anything on the bus. False if the connection could not take it.
bool describe(const QDBusConnection& connection, const QString& interfaceName);

} // namespace InterfaceDescriptions

#endif // INTERFACEDESCRIPTIONS_H
