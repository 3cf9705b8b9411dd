#ifndef UISTATUSINFORMATIONITEMPRIORITY_H
#define UISTATUSINFORMATIONITEMPRIORITY_H

#include "VanteloConnectorExport.h"

#include <QtGlobal>

// How urgent a UI status information item is: one 32-bit value whose meaning
// the UI status information service defines.
class VANTELO_CONNECTOR_EXPORT UiStatusInformationItemPriority
{
public:
    UiStatusInformationItemPriority() = default;
    explicit UiStatusInformationItemPriority(qint32 value)
        : m_value(value)
    {
    }
    virtual ~UiStatusInformationItemPriority();

    qint32 value() const { return m_value; }
    void setValue(qint32 value) { m_value = value; }

    bool operator==(const UiStatusInformationItemPriority& other) const { return m_value == other.m_value; }
    bool operator!=(const UiStatusInformationItemPriority& other) const { return m_value != other.m_value; }

private:
    qint32 m_value = 0;
};

#endif // UISTATUSINFORMATIONITEMPRIORITY_H
