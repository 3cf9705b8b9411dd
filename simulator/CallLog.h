#ifndef CALLLOG_H
#define CALLLOG_H

#include <QDBusMessage>
#include <QString>

namespace CallLog {
// One line on stdout for a call a service got: the name it went to, the
// object, the interface and method with the signature, and the error it was
// refused with, if it was.
void write(const QString& service, const QDBusMessage& call, const QString& refusal = QString());
} // namespace CallLog

#endif // CALLLOG_H
