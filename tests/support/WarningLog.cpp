#include "WarningLog.h"

#include <QStringList>

WarningLog* WarningLog::s_current = nullptr;

WarningLog::WarningLog()
    : m_previous(qInstallMessageHandler(&WarningLog::handler))
{
    s_current = this;
}

WarningLog::~WarningLog()
{
    qInstallMessageHandler(m_previous);
    s_current = nullptr;
}

QStringList WarningLog::messages() const
{
    QStringList result;
    for (const Record& record : m_records)
        result.append(record.message);
    return result;
}

void WarningLog::handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && s_current)
        s_current->m_records.append(
            {message, QString::fromUtf8(context.file), context.line, QString::fromUtf8(context.function)});
}
