#ifndef STATUSITEMRECORD_H
#define STATUSITEMRECORD_H

#include <QDBusArgument>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <array>

// A UI status information item as the service keeps it. On the bus it is the
// struct (ssssssssi): the eight texts in the order of fieldNames(), then the priority.
struct StatusItemRecord
{
    std::array<QString, 8> texts;
    int priority = 0;

    QString uuid() const { return texts[0]; }

    // The names of the eight texts, as scenarios and the library call them.
    static QStringList fieldNames();
};

Q_DECLARE_METATYPE(StatusItemRecord)

QDBusArgument& operator<<(QDBusArgument& argument, const StatusItemRecord& record);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusItemRecord& record);

#endif // STATUSITEMRECORD_H
