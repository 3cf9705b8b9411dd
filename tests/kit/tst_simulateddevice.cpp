// The test kit as an application uses it: SimulatedDevice in this process,
// and vantelo-with-simulator around other programs.

#include "SimulatedDevice.h"

#include <ConfigurationFileHandlerDBusConnector.h>
#include <DBusDeviceInfoConnector.h>
#include <VanteloDefinitions.h>

#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>

namespace {
const QString deviceInfo = QStringLiteral("com.vantelo.DeviceInfo");
const QString configurationInterface = QStringLiteral("com.vantelo.Configuration");

QSharedPointer<DBusDeviceInfoConnector> makeDeviceInfo()
{
    return DBusDeviceInfoConnector::createAndConnect(VanteloDefinitions::getModuleName(), QStringLiteral("DeviceInfo"));
}

// Every process whose command line names `text`: what a run left behind.
QStringList processesNaming(const QString& text)
{
    QStringList found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : entries) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (pid.toInt() > 0 && cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(text.toUtf8()))
            found.append(pid);
    }
    return found;
}
} // namespace

class TestSimulatedDevice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void errorReachesTheCaller();
    void replyAndCalls();
    void heldCallsAnswerWhenReleased();
    void signalIsRelayed();
    void followedConnectorSeesServiceGoAndCome_data();
    void followedConnectorSeesServiceGoAndCome();
    void rawReplyIsMalformed_data();
    void rawReplyIsMalformed();
    void recordedCallsCarryTheirNames();
    void attachedDeviceDrivesTheRunningSimulator();
    void attachRefusesTheMachinesBuses_data();
    void attachRefusesTheMachinesBuses();
    void bareDeviceKeepsItsOptionsAcrossARestart();
    void busRestartKeepsAddress();
    void refusedOrders_data();
    void refusedOrders();
    void refusedScenario();
    void runner_data();
    void runner();
    void runnerSignalled();
    void runnerAsksLeftoversToEnd();
    void deviceEndsWithAKilledTest();
    void holdDeviceUntilKilled();
    void sessionBusPointsToTheRunner_data();
    void sessionBusPointsToTheRunner();

private:
    SimulatedDevice m_device;
    QTemporaryDir m_scratch;
};

void TestSimulatedDevice::initTestCase()
{
    QVERIFY(!m_device.reset()); // not running yet: refused, not ignored
    QVERIFY(!m_device.errorString().isEmpty());
    QVERIFY2(m_device.start(), qPrintable(m_device.errorString()));
    QVERIFY(m_device.errorString().isEmpty());
    QCOMPARE(qEnvironmentVariable("VANTELO_DBUS_ADDRESS"), m_device.address());
    QVERIFY(!m_device.start());
}

void TestSimulatedDevice::init()
{
    QVERIFY2(m_device.reset() && m_device.clearCalls(), qPrintable(m_device.errorString()));
}

void TestSimulatedDevice::errorReachesTheCaller()
{
    const auto connector = makeDeviceInfo();
    QVERIFY(m_device.setError(deviceInfo, QStringLiteral("getInformation"), QStringLiteral("com.vantelo.Error.Busy"),
                              QStringLiteral("try later")));
    const DBusReply reply = connector->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber"));
    QVERIFY(reply.isError());
    QCOMPARE(reply.getError().getErrorName(), QStringLiteral("com.vantelo.Error.Busy"));
    QVERIFY2(reply.getError().getErrorMessage().contains(QStringLiteral("try later")),
             qPrintable(reply.getError().getErrorMessage()));

    QVERIFY(m_device.reset());
    QCOMPARE(connector->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber")).getValue(),
             QVariant(QStringLiteral("SN-2026-0042")));
}

void TestSimulatedDevice::replyAndCalls()
{
    const auto connector = makeDeviceInfo();
    QVERIFY(m_device.setReply(deviceInfo, QStringLiteral("getInformation"), 0, QString(), QStringLiteral("SN-X")));
    QCOMPARE(connector->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber")).getValue(),
             QVariant(QStringLiteral("SN-X")));
    QVERIFY(m_device.setReply(deviceInfo, QStringLiteral("getInformation"), 5, QStringLiteral("no such device")));
    const DBusReply failed = connector->getInformation(QStringLiteral("Device2"), QStringLiteral("model"));
    QCOMPARE(failed.getError().getErrorCode(), 5);
    QCOMPARE(failed.getError().getErrorMessage(), QStringLiteral("no such device"));

    // Both calls, oldest first, with their arguments; other members don't count.
    connector->getListOfInstances(QStringLiteral("all"));
    const QList<QVariantList> calls = m_device.calls(deviceInfo, QStringLiteral("getInformation"));
    QCOMPARE(calls, (QList<QVariantList>{{QStringLiteral("Device1"), QStringLiteral("serialNumber")},
                                         {QStringLiteral("Device2"), QStringLiteral("model")}}));
    QCOMPARE(m_device.calls(configurationInterface, QStringLiteral("getInformation")).size(), 0);
    QCOMPARE(m_device.calls().size(), 3);
    QVERIFY(m_device.clearCalls());
    QVERIFY(m_device.calls().isEmpty());
    QVERIFY(m_device.errorString().isEmpty());
}

void TestSimulatedDevice::heldCallsAnswerWhenReleased()
{
    const auto connector = makeDeviceInfo();
    QVERIFY(m_device.setNoReply(deviceInfo, QStringLiteral("getInformation")));
    const DBusPendingReply::SharedPointer pending =
        connector->getInformationAsynchron(QStringLiteral("Device1"), QStringLiteral("serialNumber"));
    QVERIFY(pending);
    QSignalSpy finished(pending.data(), &DBusPendingReply::finished);
    // The call is held once the simulator has it; only then is there something to release.
    QTRY_COMPARE_WITH_TIMEOUT(m_device.calls(deviceInfo, QStringLiteral("getInformation")).size(), 1, 5000);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(m_device.releaseHeld(), 1);
    QVERIFY(finished.count() == 1 || finished.wait(5000));
    QCOMPARE(pending->getReply().getValue(), QVariant(QStringLiteral("SN-2026-0042")));
}

void TestSimulatedDevice::signalIsRelayed()
{
    const auto configuration = ConfigurationFileHandlerDBusConnector::createAndConnect(
        VanteloDefinitions::getModuleName(), QStringLiteral("Configuration"));
    QSignalSpy changed(configuration.data(), &ConfigurationFileHandlerDBusConnector::configurationChanged);
    QVERIFY2(m_device.emitSignal(QStringLiteral("Configuration"), configurationInterface,
                                 QStringLiteral("configurationChanged"), {QStringLiteral("Network")}),
             qPrintable(m_device.errorString()));
    QVERIFY(changed.wait(5000));
    QCOMPARE(changed.at(0).at(0), QVariant(QStringLiteral("Network")));
}

void TestSimulatedDevice::followedConnectorSeesServiceGoAndCome_data()
{
    QTest::addColumn<QString>("service");
    QTest::newRow("by module") << "SystemInformation";
    QTest::newRow("by bus name") << "com.vantelo.SystemInformation";
}

void TestSimulatedDevice::followedConnectorSeesServiceGoAndCome()
{
    QFETCH(QString, service);
    const auto connector = makeDeviceInfo();
    QVERIFY(connector->isDBusInterfaceValid());
    QVERIFY2(m_device.stopService(service), qPrintable(m_device.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(!connector->isDBusInterfaceValid(), 5000);
    QCOMPARE(connector->getInvalidDBusInterfaceErrorName(),
             QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"));
    QVERIFY(!m_device.stopService(service)); // gone already
    QVERIFY(m_device.errorString().contains(QStringLiteral("com.vantelo.SystemInformation")));

    QVERIFY2(m_device.startService(service), qPrintable(m_device.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(connector->isDBusInterfaceValid(), 5000);
    QVERIFY(!connector->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber")).isError());
}

// What a connector makes of an answer without the envelope: a variant with
// something else inside is malformed, anything but a variant has the wrong type.
void TestSimulatedDevice::rawReplyIsMalformed_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("a variant") << QVariant::fromValue(QDBusVariant(QStringLiteral("bare"))) << "Malformed reply";
    QTest::newRow("a plain string") << QVariant(QStringLiteral("bare")) << "Unexpected reply signature";
}

void TestSimulatedDevice::rawReplyIsMalformed()
{
    QFETCH(QVariant, value);
    QFETCH(QString, message);
    const auto connector = makeDeviceInfo();
    QVERIFY2(m_device.setRawReply(deviceInfo, QStringLiteral("getInformation"), value),
             qPrintable(m_device.errorString()));
    const DBusReply reply = connector->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber"));
    QVERIFY(reply.isError());
    QCOMPARE(reply.getError().getErrorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidSignature"));
    QVERIFY2(reply.getError().getErrorMessage().contains(message), qPrintable(reply.getError().getErrorMessage()));
    // Only that member: the others answer as the scenario says.
    QVERIFY(!connector->getListOfInstances(QStringLiteral("all")).isError());

    QVERIFY(!m_device.setRawReply(configurationInterface, QStringLiteral("getInformation"), value));
    QVERIFY(!m_device.setRawReply(deviceInfo, QStringLiteral("getInformation"), QVariant()));
}

void TestSimulatedDevice::recordedCallsCarryTheirNames()
{
    const auto connector = makeDeviceInfo();
    connector->getInformation(QStringLiteral("Device1"), QStringLiteral("firmware"));
    connector->getListOfInstances(QStringLiteral("all"));
    const QList<SimulatedDevice::Call> calls = m_device.recordedCalls();
    QCOMPARE(calls.size(), 2);
    const SimulatedDevice::Call& first = calls.at(0);
    QCOMPARE(QStringList({first.path, first.interface, first.member, first.signature}),
             QStringList({QStringLiteral("/com/vantelo/DeviceInfo"), deviceInfo, QStringLiteral("getInformation"),
                          QStringLiteral("ss")}));
    QCOMPARE(first.arguments, (QVariantList{QStringLiteral("Device1"), QStringLiteral("firmware")}));
    QCOMPARE(calls.at(1).member, QStringLiteral("getListOfInstances"));
    // Filtered as calls() is.
    const QList<SimulatedDevice::Call> listed =
        m_device.recordedCalls(deviceInfo, QStringLiteral("getListOfInstances"));
    QCOMPARE(listed.size(), 1);
    QCOMPARE(listed.at(0).arguments, QVariantList{QStringLiteral("all")});
    QVERIFY(m_device.recordedCalls(configurationInterface).isEmpty());
    QVERIFY(m_device.errorString().isEmpty());
}

// The runner's simulator is m_device's here: VANTELO_DBUS_ADDRESS points at it.
void TestSimulatedDevice::attachedDeviceDrivesTheRunningSimulator()
{
    const auto connector = makeDeviceInfo();
    {
        SimulatedDevice attached;
        QVERIFY2(attached.attach(), qPrintable(attached.errorString()));
        QVERIFY(attached.isRunning());
        QCOMPARE(attached.address(), m_device.address());
        QVERIFY(!attached.attach());
        QVERIFY(!attached.start());
        QVERIFY2(attached.setReply(deviceInfo, QStringLiteral("getInformation"), 0, QString(), QStringLiteral("SN-A")),
                 qPrintable(attached.errorString()));
        QCOMPARE(connector->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber")).getValue(),
                 QVariant(QStringLiteral("SN-A")));
        QCOMPARE(attached.calls(deviceInfo, QStringLiteral("getInformation")).size(), 1);
        QVERIFY(!attached.restartBus());
        QVERIFY2(attached.errorString().contains(QStringLiteral("attached")), qPrintable(attached.errorString()));
        QVERIFY2(attached.reset(), qPrintable(attached.errorString()));
    }
    // Gone, it left the bus, the simulator and the variable as they were.
    QCOMPARE(qEnvironmentVariable("VANTELO_DBUS_ADDRESS"), m_device.address());
    QCOMPARE(connector->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber")).getValue(),
             QVariant(QStringLiteral("SN-2026-0042")));
}

void TestSimulatedDevice::attachRefusesTheMachinesBuses_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::newRow("unset") << QByteArray();
    QTest::newRow("the session bus") << QByteArray("session");
    QTest::newRow("the system bus") << QByteArray("system");
}

void TestSimulatedDevice::attachRefusesTheMachinesBuses()
{
    QFETCH(QByteArray, address);
    // Should the refusal fail, the machine's buses are still out of reach.
    for (const char* machineBus : {"DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS"})
        qputenv(machineBus, "unix:path=" + QFile::encodeName(m_scratch.filePath(QStringLiteral("no-bus"))));
    const QByteArray ours = qgetenv("VANTELO_DBUS_ADDRESS");
    if (address.isNull())
        qunsetenv("VANTELO_DBUS_ADDRESS");
    else
        qputenv("VANTELO_DBUS_ADDRESS", address);
    SimulatedDevice attached;
    const bool done = attached.attach();
    qputenv("VANTELO_DBUS_ADDRESS", ours);
    QVERIFY(!done);
    QVERIFY(!attached.isRunning());
    QVERIFY2(attached.errorString().contains(QStringLiteral("names no bus address")),
             qPrintable(attached.errorString()));
}

void TestSimulatedDevice::bareDeviceKeepsItsOptionsAcrossARestart()
{
    SimulatedDevice refused;
    QVERIFY(!refused.start(QStringLiteral("/nonexistent/scenario.json"), {QStringLiteral("--bare")}));
    QVERIFY2(refused.errorString().contains(QStringLiteral("--bare")), qPrintable(refused.errorString()));

    const QByteArray ours = qgetenv("VANTELO_DBUS_ADDRESS");
    {
        SimulatedDevice bare;
        QVERIFY2(bare.start(QString(), {QStringLiteral("--bare")}), qPrintable(bare.errorString()));
        // The bare peer takes any name and answers every method with an empty success.
        QVERIFY2(bare.startService(QStringLiteral("Elsewhere")), qPrintable(bare.errorString()));
        for (int round = 0; round < 2; ++round) {
            const auto connector =
                DBusDeviceInfoConnector::createAndConnect(QStringLiteral("Elsewhere"), QStringLiteral("DeviceInfo"));
            const DBusReply reply = connector->getInformation(QStringLiteral("Device1"), QStringLiteral("model"));
            QVERIFY2(!reply.isError(), qPrintable(reply.getError().getErrorMessage()));
            QCOMPARE(reply.getValue(), QVariant(QString()));
            if (round == 0) {
                QVERIFY2(bare.restartBus() && bare.startService(QStringLiteral("Elsewhere")),
                         qPrintable(bare.errorString()));
            }
        }
    }
    QCOMPARE(qgetenv("VANTELO_DBUS_ADDRESS"), ours);
}

void TestSimulatedDevice::busRestartKeepsAddress()
{
    const auto connector = makeDeviceInfo();
    QVERIFY(m_device.setError(deviceInfo, QStringLiteral("getInformation"), QStringLiteral("com.vantelo.Error.Busy"),
                              QString()));
    const QString address = m_device.address();
    QVERIFY2(m_device.restartBus(), qPrintable(m_device.errorString()));
    QCOMPARE(m_device.address(), address);
    // A new simulator: the override went with the old one, the connector follows the new bus.
    QTRY_VERIFY_WITH_TIMEOUT(connector->isDBusInterfaceValid(), 10000);
    QCOMPARE(connector->getInformation(QStringLiteral("Device1"), QStringLiteral("serialNumber")).getValue(),
             QVariant(QStringLiteral("SN-2026-0042")));
    QCOMPARE(m_device.calls(deviceInfo, QStringLiteral("getInformation")).size(), 1);
}

void TestSimulatedDevice::refusedOrders_data()
{
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("reason");
    QTest::newRow("unknown interface") << "error com.vantelo.Nothing getInformation"
                                       << "no interface";
    QTest::newRow("member of another interface") << "error com.vantelo.Configuration getInformation"
                                                 << "has no method getInformation";
    QTest::newRow("malformed error name") << "error com.vantelo.DeviceInfo getInformation"
                                          << "no valid D-Bus error";
    QTest::newRow("delay beyond ten minutes") << "delay com.vantelo.DeviceInfo getInformation"
                                              << "beyond";
    QTest::newRow("negative delay") << "negative com.vantelo.DeviceInfo getInformation"
                                    << "is none";
    QTest::newRow("no such service") << "stop NoSuchModule"
                                     << "scenario serves no objects";
    QTest::newRow("signal from nowhere") << "signal NoObject"
                                         << "No service serves";
}

void TestSimulatedDevice::refusedOrders()
{
    QFETCH(QString, order);
    QFETCH(QString, reason);
    const QStringList words = order.split(QLatin1Char(' '));
    bool done = true;
    if (words[0] == QLatin1String("error"))
        done = m_device.setError(words[1], words[2], QStringLiteral("not..valid"), QString());
    else if (words[0] == QLatin1String("delay"))
        done = m_device.setDelay(words[1], words[2], 10 * 60 * 1000 + 1);
    else if (words[0] == QLatin1String("negative"))
        done = m_device.setDelay(words[1], words[2], -1);
    else if (words[0] == QLatin1String("stop"))
        done = m_device.stopService(words[1]);
    else if (words[0] == QLatin1String("signal"))
        done = m_device.emitSignal(words[1], configurationInterface, QStringLiteral("configurationChanged"));
    QVERIFY(!done);
    QVERIFY2(m_device.errorString().contains(reason), qPrintable(m_device.errorString()));
}

void TestSimulatedDevice::refusedScenario()
{
    QFile scenario(m_scratch.filePath(QStringLiteral("typo.json")));
    QVERIFY(scenario.open(QIODevice::WriteOnly));
    scenario.write(R"({"objects": [], "vaule": 1})");
    scenario.close();
    const QByteArray address = qgetenv("VANTELO_DBUS_ADDRESS");
    SimulatedDevice other;
    QVERIFY(!other.start(scenario.fileName()));
    QVERIFY2(other.errorString().contains(QStringLiteral("typo.json")) &&
                 other.errorString().contains(QStringLiteral("vaule")),
             qPrintable(other.errorString()));
    QVERIFY(!other.isRunning());
    QCOMPARE(qgetenv("VANTELO_DBUS_ADDRESS"), address);
}

void TestSimulatedDevice::runner_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    const QString cli = QStringLiteral(VANTELO_CLI);
    QTest::newRow("the client's answer") << QStringList{QStringLiteral("--"),
                                                        cli,
                                                        QStringLiteral("call"),
                                                        QStringLiteral("device-info"),
                                                        QStringLiteral("getInformation"),
                                                        QStringLiteral("Device1"),
                                                        QStringLiteral("serialNumber")}
                                         << 0 << "SN-2026-0042";
    QTest::newRow("the command's status")
        << QStringList{QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                       QStringLiteral("echo $VANTELO_DBUS_ADDRESS $DBUS_SESSION_BUS_ADDRESS; exit 7")}
        << 7 << "unix:path=";
    QTest::newRow("a command that crashes")
        << QStringList{QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                       QStringLiteral("echo $VANTELO_DBUS_ADDRESS; kill -SEGV $$")}
        << 128 + SIGSEGV << "unix:path=";
    // The child names the bus in its command line, so that the check below finds it if it lives on.
    QTest::newRow("what the command left running")
        << QStringList{QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                       QStringLiteral(
                           "echo $VANTELO_DBUS_ADDRESS; sh -c \"sleep 60; : $VANTELO_DBUS_ADDRESS\" & exit 3")}
        << 3 << "unix:path=";
    // It tells when it is deaf, in the runner's folder, before the command ends.
    QTest::newRow("what the command left running, deaf to SIGTERM")
        << QStringList{QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                       QStringLiteral("echo $VANTELO_DBUS_ADDRESS; d=$(dirname ${VANTELO_DBUS_ADDRESS#unix:path=}); "
                                      "sh -c \"trap '' TERM; touch $d/deaf; sleep 60; : $d\" & "
                                      "until [ -e $d/deaf ]; do sleep 0.01; done; exit 3")}
        << 3 << "unix:path=";
    QTest::newRow("a scenario refused") << QStringList{QStringLiteral("--scenario"),
                                                       QStringLiteral("/nonexistent/scenario.json"),
                                                       QStringLiteral("--"),
                                                       QStringLiteral("sh"),
                                                       QStringLiteral("-c"),
                                                       QStringLiteral("echo ran")}
                                        << 2 << "";
    QTest::newRow("the bus is the runner's")
        << QStringList{QStringLiteral("--session"), QStringLiteral("--"), QStringLiteral("true")} << 2 << "";
    QTest::newRow("no command") << QStringList{QStringLiteral("--")} << 2 << "";
}

void TestSimulatedDevice::runner()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QProcess runner;
    runner.start(QStringLiteral(VANTELO_WITH_SIMULATOR), arguments);
    QVERIFY(runner.waitForFinished(20000));
    const QString said = QString::fromUtf8(runner.readAllStandardOutput()).trimmed();
    QCOMPARE(runner.exitCode(), status);
    if (output.isEmpty())
        QVERIFY2(said.isEmpty(), qPrintable(said)); // refused before anything ran
    else
        QVERIFY2(said.startsWith(output), qPrintable(said));
    // Both addresses point at the one bus, and nothing that used it lives on.
    const QString address = said.section(QLatin1Char(' '), 0, 0);
    if (address.startsWith(QLatin1String("unix:path="))) {
        QCOMPARE(said.section(QLatin1Char(' '), 1), status == 7 ? address : QString());
        const QString folder = QFileInfo(address.mid(int(qstrlen("unix:path=")))).path();
        QVERIFY2(processesNaming(folder).isEmpty(), qPrintable(processesNaming(folder).join(QLatin1Char(' '))));
        QVERIFY(!QFileInfo::exists(folder));
    }
}

void TestSimulatedDevice::runnerSignalled()
{
    QProcess runner;
    runner.start(QStringLiteral(VANTELO_WITH_SIMULATOR),
                 {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                  QStringLiteral("echo $VANTELO_DBUS_ADDRESS; exec sleep 60")});
    QVERIFY(runner.waitForReadyRead(20000));
    const QString address = QString::fromUtf8(runner.readLine()).trimmed();
    const QString folder = QFileInfo(address.mid(int(qstrlen("unix:path=")))).path();
    QVERIFY(!processesNaming(folder).isEmpty());
    runner.terminate();
    QVERIFY(runner.waitForFinished(10000));
    QCOMPARE(runner.exitCode(), 143);
    QVERIFY2(processesNaming(folder).isEmpty(), qPrintable(processesNaming(folder).join(QLatin1Char(' '))));
}

// What the command left running is asked to end first (SIGTERM), so that it
// can clean up, and killed only if it does not.
void TestSimulatedDevice::runnerAsksLeftoversToEnd()
{
    QTemporaryDir directory;
    const QString ready = directory.filePath(QStringLiteral("ready"));
    const QString asked = directory.filePath(QStringLiteral("asked"));
    const QString leftover =
        QStringLiteral("trap 'touch %1; exit 0' TERM; touch %2; sleep 60 & wait").arg(asked, ready);
    QProcess runner;
    runner.start(QStringLiteral(VANTELO_WITH_SIMULATOR),
                 {QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                  QStringLiteral("sh -c \"%1\" & until [ -e %2 ]; do sleep 0.01; done").arg(leftover, ready)});
    QVERIFY(runner.waitForFinished(20000));
    QCOMPARE(runner.exitCode(), 0);
    QVERIFY(QFileInfo::exists(asked));
}

// The device's bus and simulator end with the test's process, also when it
// is killed outright, as CTest kills a test that takes too long.
void TestSimulatedDevice::deviceEndsWithAKilledTest()
{
    QProcess holder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTELO_TEST_HOLD_DEVICE"), QStringLiteral("1"));
    holder.setProcessEnvironment(environment);
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("holdDeviceUntilKilled")});
    QString address;
    const QDeadlineTimer deadline(20000);
    while (address.isEmpty() && !deadline.hasExpired() && holder.waitForReadyRead(int(deadline.remainingTime()))) {
        while (holder.canReadLine()) {
            const QString line = QString::fromUtf8(holder.readLine()).trimmed();
            if (line.startsWith(QLatin1String("device at ")))
                address = line.mid(int(qstrlen("device at ")));
        }
    }
    QVERIFY2(address.startsWith(QLatin1String("unix:path=")), qPrintable(address));
    const QString folder = QFileInfo(address.mid(int(qstrlen("unix:path=")))).path();
    QVERIFY(!processesNaming(folder).isEmpty());
    ::kill(pid_t(holder.processId()), SIGKILL);
    QVERIFY(holder.waitForFinished(5000));
    QTRY_VERIFY2_WITH_TIMEOUT(processesNaming(folder).isEmpty(),
                              qPrintable(processesNaming(folder).join(QLatin1Char(' '))), 5000);
}

// Run by deviceEndsWithAKilledTest() in a process of its own: names the
// device's bus and waits, bounded by its standard input, to be killed.
void TestSimulatedDevice::holdDeviceUntilKilled()
{
    if (!qEnvironmentVariableIsSet("VANTELO_TEST_HOLD_DEVICE"))
        QSKIP("the other half of deviceEndsWithAKilledTest()");
    std::printf("device at %s\n", qPrintable(m_device.address()));
    std::fflush(stdout);
    QFile input;
    QVERIFY(input.open(stdin, QIODevice::ReadOnly));
    input.readLine();
}

// A new user's first try, `dbus-run-session -- env VANTELO_DBUS_ADDRESS=session ./app`:
// a followed connector never starts its service, and the failure names the way that works.
void TestSimulatedDevice::sessionBusPointsToTheRunner_data()
{
    QTest::addColumn<QString>("runner");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::newRow("a session bus alone") << "dbus-run-session" << 1 << "vantelo-with-simulator -- COMMAND";
    QTest::newRow("under vantelo-with-simulator") << VANTELO_WITH_SIMULATOR << 0 << "SN-2026-0042";
}

void TestSimulatedDevice::sessionBusPointsToTheRunner()
{
    QFETCH(QString, runner);
    QFETCH(int, status);
    QFETCH(QString, output);
    QProcess app;
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(runner, {QStringLiteral("--"), QStringLiteral("env"), QStringLiteral("VANTELO_DBUS_ADDRESS=session"),
                       QStringLiteral(VANTELO_CLI), QStringLiteral("call"), QStringLiteral("device-info"),
                       QStringLiteral("getInformation"), QStringLiteral("Device1"), QStringLiteral("serialNumber")});
    QVERIFY(app.waitForFinished(20000));
    const QString said = QString::fromUtf8(app.readAll());
    QCOMPARE(app.exitCode(), status);
    QVERIFY2(said.contains(output), qPrintable(said));
}

QTEST_GUILESS_MAIN(TestSimulatedDevice)
#include "tst_simulateddevice.moc"
