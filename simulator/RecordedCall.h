#ifndef RECORDEDCALL_H
#define RECORDEDCALL_H

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantList>

// One method call as it arrived: where it went, what it was called, what it carried.
// On the bus a call is the struct (ssssav).
struct RecordedCall
{
    QString path;
    QString interface;
    QString member;
    QString signature;
    QVariantList arguments;
};

Q_DECLARE_METATYPE(RecordedCall)

QDBusArgument& operator<<(QDBusArgument& argument, const RecordedCall& call);
const QDBusArgument& operator>>(const QDBusArgument& argument, RecordedCall& call);

#endif // RECORDEDCALL_H
