#ifndef SIMULATEDDEVICE_H
#define SIMULATEDDEVICE_H

#include "VanteloTestingExport.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <memory>

class SimulatedDevicePrivate;

/**
 * The device, simulated, for an application's tests: a private D-Bus bus
 * and `vantelo-simulator` on it, for the life of the object.
 *
 * start() starts both and points `VANTELO_DBUS_ADDRESS` of this process at
 * the bus, so that the connectors made after it call the simulated
 * services. The library picks its bus when a connector first needs it, per
 * address: connectors made before start() stay on the bus they were made
 * for, so call start() before making the first connector (in QtTest, in
 * `initTestCase()` or in the test function before the code under test).
 *
 * The other members change what the services answer, read what they were
 * called with, and play the faults a device shows: an error, a service that
 * hangs or answers late, a service that goes away and comes back, and a bus
 * that restarts. Each reports failure by returning false (or, for calls()
 * and releaseHeld(), an empty list and -1) and tells why in errorString(),
 * which is empty after a member that succeeded.
 *
 * Answers and faults are per method name, as the simulator keys them: one
 * set for `getInformation` of `com.vantelo.DeviceInfo` applies to every
 * served interface with a method of that name. The interface given must be
 * one the simulator serves with that method; calls() filters by it.
 *
 * A test that runs under `vantelo-with-simulator` (as those registered with
 * `vantelo_add_device_test()` do) finds bus and simulator running already:
 * attach() drives that simulator instead of starting one.
 *
 * Use it in the thread of the application's event loop, the main thread.
 * Everything it starts ends with it, and `VANTELO_DBUS_ADDRESS` gets back the
 * value it had before start(). Should the test's process be killed (as CTest
 * kills a test that takes too long), the bus and the simulator get SIGTERM
 * from the kernel: nothing keeps running.
 *
 * \code
 * SimulatedDevice device;
 * QVERIFY2(device.start(), qPrintable(device.errorString()));
 * QVERIFY(device.setError("com.vantelo.DeviceInfo", "getInformation", "com.vantelo.Error.Busy", "busy"));
 * \endcode
 */
class VANTELO_TESTING_EXPORT SimulatedDevice
{
public:
    /// One recorded method call, as recordedCalls() gives it.
    struct Call
    {
        /// The object path it was sent to.
        QString path;
        /// The interface it named.
        QString interface;
        /// The method's name.
        QString member;
        /// The D-Bus signature of its arguments, for example `ss`.
        QString signature;
        /// Its arguments as Qt values, read as calls() reads them.
        QVariantList arguments;
    };

    /// A device that is not started yet; nothing runs before start().
    SimulatedDevice();
    /// Stops the simulator and the bus, and restores `VANTELO_DBUS_ADDRESS`.
    ~SimulatedDevice();

    /// Not copyable: it owns the processes it started.
    SimulatedDevice(const SimulatedDevice&) = delete;
    /// Not copyable: it owns the processes it started.
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    /**
     * Starts a private bus and the simulator on it, serving \a scenarioFile
     * (a scenario as `vantelo-simulator --scenario` takes it), or the default
     * scenario when it is empty; waits, bounded, until everything is served;
     * then points `VANTELO_DBUS_ADDRESS` at the bus. False, with the
     * simulator's own message for a refused scenario, when it did not come up.
     * A device that runs already is refused.
     *
     * The simulator is `$VANTELO_SIMULATOR`, or the one installed with this
     * library, or the first `vantelo-simulator` on `PATH`; the bus is a
     * `dbus-daemon` from `PATH`.
     *
     * \a simulatorOptions go to the simulator as they are, for example
     * `--bare` for the permissive peer that answers every method of every
     * object with an empty success and serves no scenario; restartBus()
     * starts the new simulator with them too.
     */
    bool start(const QString& scenarioFile = QString(), const QStringList& simulatorOptions = QStringList());

    /**
     * Drives the simulator that runs already on the bus `VANTELO_DBUS_ADDRESS`
     * names, the one `vantelo-with-simulator` started around the test: waits,
     * bounded, until it is on the bus. The bus and the simulator stay the
     * runner's: nothing is stopped at the end and `VANTELO_DBUS_ADDRESS` is
     * left as it is; restartBus() is refused. False when the variable names
     * no bus address (unset, `system` or `session`: the machine's buses are
     * never driven), the bus can't be reached or the simulator doesn't
     * appear; a device that runs already is refused.
     */
    bool attach();

    /// Whether start() or attach() succeeded and the device has not failed since.
    bool isRunning() const;

    /// The bus address `VANTELO_DBUS_ADDRESS` gets (or had, after attach()); it stays the same across restartBus().
    QString address() const;

    /// Why the last member failed; empty after one that succeeded.
    QString errorString() const;

    /**
     * Answers calls of \a member with the envelope of \a code, \a message
     * and \a value (code 0 is success), instead of the scenario's answer.
     */
    bool setReply(const QString& interface, const QString& member, int code, const QString& message,
                  const QVariant& value = QVariant());

    /**
     * Answers calls of \a member with the D-Bus error \a errorName (for
     * example `org.freedesktop.DBus.Error.AccessDenied`) and \a message.
     */
    bool setError(const QString& interface, const QString& member, const QString& errorName, const QString& message);

    /**
     * Answers calls of \a member with \a value alone, not wrapped in the
     * envelope the device's methods answer with: a malformed answer, as a
     * faulty service sends it. A QDBusVariant \a value makes the answer a
     * variant (the envelope's type, without the envelope inside); any other
     * value is the answer's argument as it is, for example a plain string.
     */
    bool setRawReply(const QString& interface, const QString& member, const QVariant& value);

    /// Holds the calls of \a member unanswered, as a service that hangs, until releaseHeld().
    bool setNoReply(const QString& interface, const QString& member);

    /// Answers calls of \a member after \a milliseconds (at most 10 minutes); 0 answers at once again.
    bool setDelay(const QString& interface, const QString& member, int milliseconds);

    /// Answers the held calls as the device would; the number answered, -1 on failure.
    int releaseHeld();

    /**
     * Emits the signal \a name of \a interface from the object \a object
     * (an object name such as `ControllerData`, or a full object path) with
     * \a arguments, from each service that serves that object.
     */
    bool emitSignal(const QString& object, const QString& interface, const QString& name,
                    const QVariantList& arguments = QVariantList());

    /**
     * The recorded calls of \a member of \a interface, oldest first: for each
     * call its arguments as Qt values (arrays and structs as QVariantList,
     * dictionaries as QVariantMap, variants unwrapped). Empty \a member or
     * \a interface matches every one.
     */
    QList<QVariantList> calls(const QString& interface = QString(), const QString& member = QString());

    /**
     * The recorded calls of \a member of \a interface, oldest first, each
     * with the object it went to, its names and signature as well as its
     * arguments (read as calls() reads them). Empty \a member or
     * \a interface matches every one.
     */
    QList<Call> recordedCalls(const QString& interface = QString(), const QString& member = QString());

    /// Forgets the recorded calls.
    bool clearCalls();

    /**
     * Stops the service of \a module (the bus name `com.vantelo.<module>`),
     * or of the bus name \a module names when it has a dot (for example a
     * connector's getServiceName()): its name leaves the bus, so followed
     * connectors see their service go.
     */
    bool stopService(const QString& module);

    /**
     * Starts the service of \a module (a module or a bus name, as for
     * stopService()) again: its name is back on the bus. Started with
     * `--bare`, the device takes any name under which it should answer.
     */
    bool startService(const QString& module);

    /**
     * Kills the bus daemon, as a crash would, and starts a new one at the same
     * address with a new simulator serving the same scenario (overrides,
     * recorded and held calls are gone); returns once the library's own
     * connection is back, bounded. Refused after attach(): that bus is the
     * runner's.
     */
    bool restartBus();

    /// Forgets every override, the recorded and the held calls.
    bool reset();

private:
    std::unique_ptr<SimulatedDevicePrivate> d;
};

#endif // SIMULATEDDEVICE_H
