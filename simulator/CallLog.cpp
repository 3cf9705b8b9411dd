#include "CallLog.h"

#include <QTextStream>

void CallLog::write(const QString& service, const QDBusMessage& call, const QString& refusal)
{
    QTextStream out(stdout);
    out << service << ' ' << call.path() << ' ' << call.interface() << '.' << call.member() << '(' << call.signature()
        << ')';
    if (!refusal.isEmpty())
        out << " refused: " << refusal;
    out << '\n';
}
