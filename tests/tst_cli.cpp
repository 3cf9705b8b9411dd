#include "SimulatorControl.h"

#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

// Runs the client against the simulator serving its default scenario.
class CliTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void printsAnswersWithExitCodes_data();
    void printsAnswersWithExitCodes();
    void monitorPrintsRelayedSignals_data();
    void monitorPrintsRelayedSignals();
    void demoSaysWhetherItWorked_data();
    void demoSaysWhetherItWorked();

private:
    SimulatorControl m_simulator;
};

namespace {
const int waitMs = 10000;

QStringList words(std::initializer_list<const char*> list)
{
    QStringList result;
    for (const char* word : list)
        result.append(QLatin1String(word));
    return result;
}
} // namespace

void CliTest::initTestCase()
{
    SimulatorControl::requirePrivateBusWithSimulator();
}

void CliTest::init()
{
    m_simulator.reset();
}

void CliTest::printsAnswersWithExitCodes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("notInError");
    // The one call the simulator got: its method, then its arguments.
    QTest::addColumn<QStringList>("recorded");
    const auto row = [](const char* name, const QStringList& arguments, int exitCode, const char* output,
                         const char* error, const char* notInError = "", const QStringList& recorded = {}) {
        QTest::newRow(name) << arguments << exitCode << QString::fromUtf8(output) << QString::fromUtf8(error)
                            << QString::fromUtf8(notInError) << recorded;
    };

    const QStringList serial = words({"call", "device-info", "getInformation", "Device1", "serialNumber"});
    const QStringList stopped = words({"call", "device-info", "--module", "Stopped", "getListOfInstances", "all"});
    // What the library itself writes, as Qt prints a quoted text.
    const char* libraryWarning = "\"D-Bus interface com.vantelo.DeviceInfo at /com/vantelo/DeviceInfo of service "
                                 "com.vantelo.Stopped is not usable: the service is not running\"";
    row("blocking", serial, 0, "SN-2026-0042\n", "", "", words({"getInformation", "Device1", "serialNumber"}));
    row("asynchronous", serial + words({"--async"}), 0, "SN-2026-0042\n", "", "",
        words({"getInformation", "Device1", "serialNumber"}));
    row("asynchronous twin of a SyncCall",
        words({"call", "provider-registry", "getRegisteredProvidersListSyncCall", "Sensor", "en", "--async"}), 0,
        "\"BusControlInfo\"", "", "", words({"getRegisteredProvidersList", "Sensor", "en"}));
    row("json", serial + words({"--json"}), 0, "\"SN-2026-0042\"\n", "");
    row("compound", words({"call", "DBusDeviceInfoConnector", "getInformation", "Device1", "all"}), 0,
        "\"serialNumber\": \"SN-2026-0042\"", "");
    row("service error", words({"call", "controller", "setFaultController"}), 1, "",
        "failed (3): No fault controller is configured");
    row("library warnings hidden", stopped, 1, "", "is not usable: the service is not running", libraryWarning);
    row("library warnings shown", words({"--verbose"}) + stopped, 1, "", libraryWarning);
    row("missing argument", serial.mid(0, 4), 2, "", "getInformation takes 2 argument(s)");
    row("bad bool", words({"call", "configuration", "setConfiguration", "a", "b", "c", "d", "maybe"}), 2, "",
        "persistent must be true or false");
    row("no async twin", words({"call", "display", "getScreenshot", "--async"}), 2, "", "no asynchronous operation");
    row("unknown connector", words({"call", "toaster", "toast"}), 2, "", "Usage: vantelo-cli call");
    row("unknown command", words({"frobnicate"}), 2, "", "no command \"frobnicate\"");
    row("list", words({"list"}), 0, "  signal configurationChanged(instanceName)", "");
    row("help", words({"monitor", "--help"}), 0, "Usage: vantelo-cli monitor", "");
}

void CliTest::printsAnswersWithExitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QFETCH(QString, notInError);
    QFETCH(QStringList, recorded);

    QProcess cli;
    cli.start(QStringLiteral(VANTELO_CLI), arguments);
    QVERIFY(cli.waitForFinished(waitMs));
    const QString standardOutput = QString::fromUtf8(cli.readAllStandardOutput());
    const QString standardError = QString::fromUtf8(cli.readAllStandardError());
    QVERIFY2(cli.exitCode() == exitCode, qPrintable(standardOutput + standardError));
    QVERIFY2(standardOutput.contains(output), qPrintable(standardOutput));
    QVERIFY2(standardError.contains(error), qPrintable(standardError));
    QVERIFY2(notInError.isEmpty() || !standardError.contains(notInError), qPrintable(standardError));
    if (!recorded.isEmpty()) {
        const QList<RecordedCall> calls = m_simulator.calls();
        QCOMPARE(calls.size(), 1);
        QStringList sent {calls.first().member};
        for (const QVariant& argument : calls.first().arguments)
            sent.append(argument.toString());
        QCOMPARE(sent, recorded);
    }
}

void CliTest::monitorPrintsRelayedSignals_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("endsByItself");
    QTest::newRow("until terminated") << QStringList() << false;
    QTest::newRow("for a while") << words({"--for", "2"}) << true;
}

void CliTest::monitorPrintsRelayedSignals()
{
    QFETCH(QStringList, options);
    QFETCH(bool, endsByItself);

    QProcess cli;
    cli.start(QStringLiteral(VANTELO_CLI), words({"monitor", "mount-service"}) + options);
    QVERIFY(cli.waitForStarted(waitMs));
    const auto stop = qScopeGuard([&cli] {
        if (cli.state() == QProcess::Running)
            cli.terminate();
        if (!cli.waitForFinished(waitMs))
            cli.kill();
    });
    // Waits for the text on the channel; a client that ended early fails at once.
    const auto shows = [&cli](QProcess::ProcessChannel channel, const QByteArray& text) {
        QByteArray seen;
        cli.setReadChannel(channel);
        return QTest::qWaitFor(
                   [&] { return (seen += cli.readAll()).contains(text) || cli.state() == QProcess::NotRunning; },
                   waitMs) &&
            seen.contains(text);
    };
    QVERIFY(shows(QProcess::StandardError, "Monitoring"));
    for (const char* mountPath : {"/media/usb1", "/media/usb2"}) {
        m_simulator.emitSignal(QStringLiteral("/com/vantelo/ExternalMediaMountService"),
            QStringLiteral("com.vantelo.ExternalMediaMountService"), QStringLiteral("externalMediaMounted"),
            {QLatin1String(mountPath)});
        QVERIFY2(shows(QProcess::StandardOutput, QByteArrayLiteral("externalMediaMounted(\"") + mountPath + "\")"),
            mountPath);
    }
    if (endsByItself) {
        QVERIFY(cli.waitForFinished(waitMs));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 0);
    } else {
        QCOMPARE(cli.state(), QProcess::Running);
    }
}

void CliTest::demoSaysWhetherItWorked_data()
{
    // A null bus is the test's own, with the simulator on it.
    QTest::addColumn<QString>("bus");
    QTest::addColumn<QString>("failingMethod");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");

    QTest::newRow("against the simulator")
        << QString() << QString() << 0
        << QStringLiteral("Summary: 13 connectors, 13 calls, 13 answered, 0 failed; 2 of 2 signals relayed.")
        << QString();
    QTest::newRow("a call fails") << QString() << QStringLiteral("getScreenshot") << 1
                                  << QStringLiteral("12 answered, 1 failed") << QString();
    const QString nowhere = QStringLiteral("unix:path=") +
        QDir::temp().filePath(QStringLiteral("vantelo-no-bus-%1")).arg(QCoreApplication::applicationPid());
    QTest::newRow("no bus") << nowhere << QString() << 1 << QString()
                            << QStringLiteral("the bus at %1 is not reachable").arg(nowhere);
}

void CliTest::demoSaysWhetherItWorked()
{
    QFETCH(QString, bus);
    QFETCH(QString, failingMethod);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);

    if (!failingMethod.isEmpty())
        m_simulator.setError(failingMethod, QStringLiteral("com.vantelo.Error.Failed"), QStringLiteral("broken"));
    QProcess cli;
    if (!bus.isNull()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VANTELO_DBUS_ADDRESS"), bus);
        cli.setProcessEnvironment(environment);
    }
    cli.start(QStringLiteral(VANTELO_CLI), words({"demo"}));
    QVERIFY(cli.waitForFinished(waitMs * 3));
    const QString standardOutput = QString::fromUtf8(cli.readAllStandardOutput());
    const QString standardError = QString::fromUtf8(cli.readAllStandardError());
    QVERIFY2(cli.exitCode() == exitCode, qPrintable(standardOutput + standardError));
    QVERIFY2(standardOutput.contains(output), qPrintable(standardOutput));
    QVERIFY2(standardError.contains(error), qPrintable(standardError));
}

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
