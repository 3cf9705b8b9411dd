#ifndef QMLSIMULATEDDEVICE_H
#define QMLSIMULATEDDEVICE_H

#include "SimulatedDevice.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqml.h>

/**
 * QML type `SimulatedDevice` of `Vantelo.Connectors.Testing 1.0`: the
 * simulated device of the test kit (the C++ class SimulatedDevice), for
 * Qt Quick Test.
 *
 * \code
 * import QtTest 1.2
 * import Vantelo.Connectors 1.0
 * import Vantelo.Connectors.Testing 1.0
 *
 * TestCase {
 *     SimulatedDevice { id: device }
 *     function initTestCase() { verify(device.start(), device.errorString) }
 *     // make Connector items after start(), with createTemporaryObject()
 * }
 * \endcode
 *
 * The device starts only when start() is called: connectors made before it
 * stay on the bus they were made for, so make them after, dynamically. Every
 * method returns false (releaseHeld() -1, calls() an empty list) on failure
 * and sets errorString.
 */
class QmlSimulatedDevice : public QObject
{
    Q_OBJECT
    QML_NAMED_ELEMENT(SimulatedDevice)
    /// Whether start() or attach() succeeded.
    Q_PROPERTY(bool running READ isRunning NOTIFY runningChanged)
    /// Why the last method failed; empty after one that succeeded.
    Q_PROPERTY(QString errorString READ errorString NOTIFY errorStringChanged)
    /// The private bus's address.
    Q_PROPERTY(QString address READ address CONSTANT)

public:
    /// A device that is not started yet.
    explicit QmlSimulatedDevice(QObject* parent = nullptr);

    /// See the property.
    bool isRunning() const { return m_device.isRunning(); }
    /// See the property.
    QString errorString() const { return m_device.errorString(); }
    /// See the property.
    QString address() const { return m_device.address(); }

    /// Starts the bus and the simulator serving \a scenarioFile (a path or a file: URL), or the default scenario.
    Q_INVOKABLE bool start(const QString& scenarioFile = QString());
    /// Drives the simulator that vantelo-with-simulator runs already around the test; stops nothing of it.
    Q_INVOKABLE bool attach();
    /// Answers \a member with the envelope of \a code, \a message and \a value.
    Q_INVOKABLE bool setReply(const QString& interfaceName, const QString& member, int code, const QString& message,
                              const QVariant& value = QVariant());
    /// Answers \a member with the D-Bus error \a errorName and \a message.
    Q_INVOKABLE bool setError(const QString& interfaceName, const QString& member, const QString& errorName,
                              const QString& message);
    /// Answers \a member with \a value alone, without the envelope: a malformed answer.
    Q_INVOKABLE bool setRawReply(const QString& interfaceName, const QString& member, const QVariant& value);
    /// Holds the calls of \a member until releaseHeld().
    Q_INVOKABLE bool setNoReply(const QString& interfaceName, const QString& member);
    /// Answers \a member after \a milliseconds.
    Q_INVOKABLE bool setDelay(const QString& interfaceName, const QString& member, int milliseconds);
    /// Answers the held calls; how many, -1 on failure.
    Q_INVOKABLE int releaseHeld();
    /// Emits the signal \a name of \a interfaceName from \a object with \a arguments.
    Q_INVOKABLE bool emitSignal(const QString& object, const QString& interfaceName, const QString& name,
                                const QVariantList& arguments = QVariantList());
    /// The recorded calls of \a member of \a interfaceName: a list of argument lists.
    Q_INVOKABLE QVariantList calls(const QString& interfaceName = QString(), const QString& member = QString());
    /// Forgets the recorded calls.
    Q_INVOKABLE bool clearCalls();
    /// Takes the name of \a module's service off the bus.
    Q_INVOKABLE bool stopService(const QString& module);
    /// Puts the name of \a module's service back on the bus.
    Q_INVOKABLE bool startService(const QString& module);
    /// Restarts the bus at the same address, with a new simulator.
    Q_INVOKABLE bool restartBus();
    /// Forgets overrides, recorded and held calls.
    Q_INVOKABLE bool reset();

Q_SIGNALS:
    /// running changed.
    void runningChanged();
    /// errorString changed.
    void errorStringChanged();

private:
    // Tells QML what changed after a member ran; passes its result through.
    template <typename Result>
    Result reported(Result result);

    SimulatedDevice m_device;
    bool m_wasRunning = false;
    QString m_lastError;
};

#endif // QMLSIMULATEDDEVICE_H
