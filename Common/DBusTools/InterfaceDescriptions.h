#ifndef INTERFACEDESCRIPTIONS_H
#define INTERFACEDESCRIPTIONS_H

#include <QDBusConnection>
#include <QStringList>

// The descriptions of the device's interfaces, as the library ships them.
//
// A QDBusInterface asks its object to describe itself when it is made, unless
// its connection already holds a description of that interface name: Qt keeps
// one per interface name and connection. Handing the connection the shipped
// descriptions first means no connector ever waits for a service to describe
// itself, and one that hangs can't hold up the application.
namespace InterfaceDescriptions {

// Gives the connection the description of `interfaceName` and of every
// interface the library ships, without sending anything on the bus; an
// interface the library doesn't ship is described as one without members.
// Returns the interface names now described.
QStringList describe(const QDBusConnection& connection, const QString& interfaceName);

} // namespace InterfaceDescriptions

#endif // INTERFACEDESCRIPTIONS_H
