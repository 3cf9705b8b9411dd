#ifndef DBUSNAMERULES_H
#define DBUSNAMERULES_H

#include <QString>

// The bus's own rules for names; checked before anything is sent, so that a
// bad name never reaches the bus.
namespace DBusNameRules {
bool isValidBusName(const QString& name);
bool isValidObjectPath(const QString& path);
bool isValidInterfaceName(const QString& name);
} // namespace DBusNameRules

#endif // DBUSNAMERULES_H
