#include "RecordedCall.h"

QDBusArgument& operator<<(QDBusArgument& argument, const RecordedCall& call)
{
    argument.beginStructure();
    argument << call.path << call.interface << call.member << call.signature << call.arguments;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, RecordedCall& call)
{
    argument.beginStructure();
    argument >> call.path >> call.interface >> call.member >> call.signature >> call.arguments;
    argument.endStructure();
    return argument;
}
