#ifndef UISTATUSINFORMATIONITEMPRIORITY_H
#define UISTATUSINFORMATIONITEMPRIORITY_H

#include "VanteloConnectorExport.h"

#include <QtGlobal>

/**
 * How urgent a UI status information item is: one 32-bit value whose meaning
 * the UI status information service defines. It travels as the item's last
 * field, `i`. A default priority is 0.
 */
class VANTELO_CONNECTOR_EXPORT UiStatusInformationItemPriority
{
public:
    /// Priority 0.
    UiStatusInformationItemPriority() = default;
    /// The priority \a value.
    explicit UiStatusInformationItemPriority(qint32 value)
        : m_value(value)
    {
    }
    /// Destroys the priority.
    virtual ~UiStatusInformationItemPriority();

    /// The value, as it travels on the bus.
    qint32 value() const { return m_value; }
    /// Sets the value to \a value.
    void setValue(qint32 value) { m_value = value; }

    /// Whether \a other has the same value.
    bool operator==(const UiStatusInformationItemPriority& other) const { return m_value == other.m_value; }
    /// Whether \a other has another value.
    bool operator!=(const UiStatusInformationItemPriority& other) const { return m_value != other.m_value; }

private:
    qint32 m_value = 0;
};

#endif // UISTATUSINFORMATIONITEMPRIORITY_H
