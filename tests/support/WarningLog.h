#ifndef WARNINGLOG_H
#define WARNINGLOG_H

#include <QList>
#include <QString>
#include <QtGlobal>

// Collects the warning records written while it lives, with their context.
class WarningLog
{
public:
    struct Record
    {
        QString message;
        QString file;
        int line;
        QString function;
    };

    WarningLog();
    ~WarningLog();

    QList<Record> records() const { return m_records; }
    QStringList messages() const;

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);

    QList<Record> m_records;
    QtMessageHandler m_previous;
    static WarningLog* s_current;
};

#endif // WARNINGLOG_H
