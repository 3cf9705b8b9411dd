#include "WarningCapture.h"

namespace {
WarningCapture* current = nullptr;
}

WarningCapture::WarningCapture()
    : m_previous(qInstallMessageHandler(&WarningCapture::handler))
    , m_outer(current)
{
    current = this;
}

WarningCapture::~WarningCapture()
{
    current = m_outer;
    qInstallMessageHandler(m_previous);
}

void WarningCapture::handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg)
        current->m_messages.append(message);
    if (current->m_previous)
        current->m_previous(type, context, message);
}
