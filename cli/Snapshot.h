#ifndef SNAPSHOT_H
#define SNAPSHOT_H

#include <QString>
#include <QVariantList>

class QTextStream;

// vantelo-cli snapshot: the device's state as a scenario the simulator
// serves. Asks every read-only operation (OperationEntry::readOnly) of every
// connector, on the bus the client is on, and writes the answers as a
// scenario: the objects that answered, one answer per method and object,
// and the UI status items. Operations that take arguments are asked with
// empty text and false for each, and their answer serves any arguments.
// Answers the format can't hold (D-Bus errors, a service away) are left out,
// each named on `err`. Returns the exit code: 0, or 1 when nothing answered.
int runSnapshot(QTextStream& out, QTextStream& err);

// The command's help text.
QString snapshotHelp();

struct OperationEntry;
// What the snapshot asks an operation with: empty text for each text parameter, false for each flag.
QVariantList snapshotArguments(const OperationEntry& operation);

#endif // SNAPSHOT_H
