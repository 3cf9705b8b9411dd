#ifndef WARNINGCAPTURE_H
#define WARNINGCAPTURE_H

#include <QStringList>
#include <QtGlobal>

// Keeps the warnings written while it lives and passes them on to the
// handler that was in place before.
class WarningCapture
{
public:
    WarningCapture();
    ~WarningCapture();

    QStringList messages() const { return m_messages; }

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);

    QStringList m_messages;
    QtMessageHandler m_previous;
    WarningCapture* m_outer;
};

#endif // WARNINGCAPTURE_H
