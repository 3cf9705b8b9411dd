#include "QmlSimulatedDevice.h"

#include <QJSValue>
#include <QUrl>

namespace {
// Arguments as QML hands them over: JavaScript arrays and objects as plain Qt values.
QVariant plain(const QVariant& value)
{
    if (value.userType() == qMetaTypeId<QJSValue>())
        return qvariant_cast<QJSValue>(value).toVariant();
    return value;
}
} // namespace

QmlSimulatedDevice::QmlSimulatedDevice(QObject* parent)
    : QObject(parent)
{
}

template <typename Result>
Result QmlSimulatedDevice::reported(Result result)
{
    if (m_device.isRunning() != m_wasRunning) {
        m_wasRunning = m_device.isRunning();
        Q_EMIT runningChanged();
    }
    if (m_device.errorString() != m_lastError) {
        m_lastError = m_device.errorString();
        Q_EMIT errorStringChanged();
    }
    return result;
}

bool QmlSimulatedDevice::start(const QString& scenarioFile)
{
    const QUrl url(scenarioFile);
    return reported(m_device.start(url.isLocalFile() ? url.toLocalFile() : scenarioFile));
}

bool QmlSimulatedDevice::attach()
{
    return reported(m_device.attach());
}

bool QmlSimulatedDevice::setReply(const QString& interfaceName, const QString& member, int code, const QString& message,
                                  const QVariant& value)
{
    return reported(m_device.setReply(interfaceName, member, code, message, plain(value)));
}

bool QmlSimulatedDevice::setError(const QString& interfaceName, const QString& member, const QString& errorName,
                                  const QString& message)
{
    return reported(m_device.setError(interfaceName, member, errorName, message));
}

bool QmlSimulatedDevice::setRawReply(const QString& interfaceName, const QString& member, const QVariant& value)
{
    return reported(m_device.setRawReply(interfaceName, member, plain(value)));
}

bool QmlSimulatedDevice::setNoReply(const QString& interfaceName, const QString& member)
{
    return reported(m_device.setNoReply(interfaceName, member));
}

bool QmlSimulatedDevice::setDelay(const QString& interfaceName, const QString& member, int milliseconds)
{
    return reported(m_device.setDelay(interfaceName, member, milliseconds));
}

int QmlSimulatedDevice::releaseHeld()
{
    return reported(m_device.releaseHeld());
}

bool QmlSimulatedDevice::emitSignal(const QString& object, const QString& interfaceName, const QString& name,
                                    const QVariantList& arguments)
{
    QVariantList values;
    for (const QVariant& argument : arguments)
        values.append(plain(argument));
    return reported(m_device.emitSignal(object, interfaceName, name, values));
}

QVariantList QmlSimulatedDevice::calls(const QString& interfaceName, const QString& member)
{
    QVariantList result;
    for (const QVariantList& arguments : m_device.calls(interfaceName, member))
        result.append(QVariant(arguments));
    return reported(result);
}

bool QmlSimulatedDevice::clearCalls()
{
    return reported(m_device.clearCalls());
}

bool QmlSimulatedDevice::stopService(const QString& module)
{
    return reported(m_device.stopService(module));
}

bool QmlSimulatedDevice::startService(const QString& module)
{
    return reported(m_device.startService(module));
}

bool QmlSimulatedDevice::restartBus()
{
    return reported(m_device.restartBus());
}

bool QmlSimulatedDevice::reset()
{
    return reported(m_device.reset());
}
