#ifndef WORDARGUMENTS_H
#define WORDARGUMENTS_H

#include <QString>
#include <QStringList>
#include <QVariantList>

struct OperationEntry;

// An operation's arguments as the command line gives them: one word each;
// a bool as true/false (also 1/0, yes/no), an item as a JSON object.
namespace WordArguments {
// The words made into the operation's arguments and checked by it. On failure
// says which argument is wrong and why.
bool parse(const OperationEntry& operation, const QStringList& words, QVariantList* arguments, QString* error);
// The parameters as one line: "name" for text, "name:bool", "name:item".
QString synopsis(const OperationEntry& operation);
} // namespace WordArguments

#endif // WORDARGUMENTS_H
