#include "ConnectorExpectations.h"
#include "SimulatedDevice.h"
#include "StatusItemRecord.h"

#include <QDBusMetaType>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
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
    void emptyErrorMessagesReadWell();
    void jsonKeepsDBusTypes_data();
    void jsonKeepsDBusTypes();
    void monitorPrintsRelayedSignals_data();
    void monitorPrintsRelayedSignals();
    void demoSaysWhetherItWorked_data();
    void demoSaysWhetherItWorked();
    void busOptionsOverrideTheVariable_data();
    void busOptionsOverrideTheVariable();
    void outputWritesRawBytes_data();
    void outputWritesRawBytes();
    void completionOffersCommandsConnectorsAndOperations_data();
    void completionOffersCommandsConnectorsAndOperations();

private:
    SimulatedDevice m_device;
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

struct Run
{
    int exitCode = -1;
    QString output;
    QString error;
};

Run runCli(const QStringList& arguments, const QProcessEnvironment& environment = {})
{
    QProcess cli;
    if (!environment.isEmpty())
        cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(VANTELO_CLI), arguments);
    Run run;
    if (!cli.waitForFinished(waitMs))
        cli.kill();
    else
        run.exitCode = cli.exitCode();
    run.output = QString::fromUtf8(cli.readAllStandardOutput());
    run.error = QString::fromUtf8(cli.readAllStandardError());
    return run;
}
} // namespace

void CliTest::initTestCase()
{
    QVERIFY2(m_device.attach(), qPrintable(m_device.errorString()));
    // Items as the simulator's records, for its answers.
    qDBusRegisterMetaType<StatusItemRecord>();
}

void CliTest::init()
{
    QVERIFY2(m_device.reset(), qPrintable(m_device.errorString()));
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
    const QStringList addItem = words({"call", "ui-status", "addUiStatusInformationItem"});
    const QStringList monitorFor = words({"monitor", "mount-service", "--for"});
    // What the library itself writes, as Qt prints a quoted text.
    const char* libraryWarning = "\"D-Bus interface com.vantelo.DeviceInfo at /com/vantelo/DeviceInfo of service "
                                 "com.vantelo.Stopped is not usable: the service is not running\"";
    // An empty output is no output at all.
    row("blocking", serial, 0, "SN-2026-0042\n", "", "", words({"getInformation", "Device1", "serialNumber"}));
    row("asynchronous", serial + words({"--async"}), 0, "SN-2026-0042\n", "", "",
        words({"getInformation", "Device1", "serialNumber"}));
    row("asynchronous twin of a SyncCall",
        words({"call", "provider-registry", "getRegisteredProvidersListSyncCall", "Sensor", "en", "--async"}), 0,
        "\"BusControlInfo\"", "", "", words({"getRegisteredProvidersList", "Sensor", "en"}));
    row("compound", words({"call", "DBusDeviceInfoConnector", "getInformation", "Device1", "all"}), 0,
        "\"serialNumber\": \"SN-2026-0042\"", "");
    row("no value", words({"call", "display", "toggleDisplayState"}), 0, "", "", "", words({"toggleDisplayState"}));
    row("empty value", words({"call", "controller", "registerControllerObject", "c1"}), 0, "", "");
    row("item added", addItem + words({R"({"uuid": "u9", "title": "Hi", "priority": 2})"}), 0, "", "", "",
        words({"addUiStatusInformationItem", "u9", "", "", "Hi", "", "", "", "", "2"}));
    row("service error", words({"call", "controller", "setFaultController"}), 1, "",
        "failed (3): No fault controller is configured");
    row("error name", stopped, 1, "", "failed (-1, org.freedesktop.DBus.Error.ServiceUnknown): D-Bus interface");
    row("library warnings hidden", stopped, 1, "", "is not usable: the service is not running", libraryWarning);
    row("library warnings shown", words({"--verbose"}) + stopped, 1, "", libraryWarning);
    row("options after the command", stopped + words({"--verbose"}), 1, "", libraryWarning);
    row("options before the command", words({"--module", "Stopped", "--verbose"}) + stopped.mid(0, 2) + stopped.mid(4),
        1, "", libraryWarning);
    row("version", words({"--version"}), 0, "vantelo-cli " VANTELO_VERSION " (Qt ", "");
    row("version after a command", words({"call", "--version"}), 0, "vantelo-cli " VANTELO_VERSION, "");
    row("missing argument", serial.mid(0, 4), 2, "", "getInformation takes 2 argument(s)");
    row("bad bool", words({"call", "configuration", "setConfiguration", "a", "b", "c", "d", "maybe"}), 2, "",
        "persistent must be true or false");
    row("item not an object", addItem + words({"[]"}), 2, "", "item is a JSON object", "missing");
    row("item uuid a number", addItem + words({R"({"uuid": 5})"}), 2, "", "item.uuid must be text");
    row("item without uuid", addItem + words({R"({"title": "Hi"})"}), 2, "", "item.uuid is missing or empty");
    row("item empty uuid", addItem + words({R"({"uuid": ""})"}), 2, "", "item.uuid is missing or empty");
    row("item misspelt field", addItem + words({R"({"uuid": "u1", "titel": "Hi"})"}), 2, "",
        "item has no field \"titel\"");
    row("item title null", addItem + words({R"({"uuid": "u1", "title": null})"}), 2, "", "item.title must be text");
    row("item priority text", addItem + words({R"({"uuid": "u1", "priority": "2"})"}), 2, "",
        "item.priority must be a whole number");
    row("item priority fraction", addItem + words({R"({"uuid": "u1", "priority": 2.5})"}), 2, "",
        "item.priority must be a whole number");
    row("item priority beyond int32", addItem + words({R"({"uuid": "u1", "priority": 2147483648})"}), 2, "",
        "item.priority must be a whole number");
    // Item text is read strictly: the refusal says where and why.
    row("item key given twice", addItem + words({R"({"uuid": "a", "uuid": "b"})"}), 2, "",
        "item: 1:15: uuid: given twice; item is a JSON object");
    row("item NUL character", addItem + words({R"({"uuid": "u\u0000x"})"}), 2, "",
        "item: 1:12: \\u0000: D-Bus text cannot carry the NUL character");
    row("item invalid escape", addItem + words({R"({"uuid": "\q"})"}), 2, "", "item: 1:11: invalid escape");
    row("item lone surrogate", addItem + words({R"({"uuid": "\udc00"})"}), 2, "", "item: 1:11: a lone low surrogate");
    row("item raw control character", addItem + words({"{\"uuid\": \"a\tb\"}"}), 2, "",
        "item: 1:12: a control character (0x09) must be escaped");
    row("item priority a double can't hold", addItem + words({R"({"uuid": "u", "priority": 2147483647.0000001})"}), 2,
        "", "item: 1:27: 2147483647.0000001 is not a whole number");
    for (const char* seconds : {"soon", "nan", "inf", "-1", "1e10", ""}) {
        row(qPrintable(QStringLiteral("--for %1").arg(QLatin1String(seconds))),
            words({"monitor", "mount-service", "--for=" + QByteArray(seconds)}), 2, "",
            qPrintable(QStringLiteral("--for takes a number of seconds from 0 to 2147483, not \"%1\"")
                           .arg(QLatin1String(seconds))));
    }
    row("--for as the next word", monitorFor + words({"nan"}), 2, "", "--for takes a number of seconds");
    row("no async twin", words({"call", "display", "getScreenshot", "--async"}), 2, "", "no asynchronous operation");
    row("unknown connector", words({"call", "toaster", "toast"}), 2, "", "See 'vantelo-cli help call'.\n");
    row("unknown command", words({"frobnicate"}), 2, "", "no command \"frobnicate\"");
    row("no command", {}, 2, "", "no command given");
    for (const char* command : {"call", "list", "monitor", "demo", "snapshot", "help"}) {
        row(qPrintable(QStringLiteral("unknown option of %1").arg(QLatin1String(command))),
            words({command, "--frobnicate"}), 2, "",
            qPrintable(QStringLiteral("vantelo-cli: Unknown option 'frobnicate'.\nSee 'vantelo-cli help %1'.\n")
                           .arg(QLatin1String(command))));
    }
    row("unknown option before the command", words({"--frobnicate", "list"}), 2, "", "See 'vantelo-cli help list'");
    row("option of another command", words({"list", "--output", "x"}), 2, "", "Unknown option 'output'");
    row("list relaying names", words({"list", "--names", "--relaying"}), 0, "mount-service\n", "", "", {});
    row("list relaying alone", words({"list", "--relaying"}), 2, "", "--relaying goes with --names");
    row("list objects", words({"list", "--objects"}), 0, "DeviceInfo\n", "");
    row("list objects of one", words({"list", "--objects", "device-info"}), 0, "DeviceInfo\n", "");
    row("list modules", words({"list", "--modules"}), 0, "SystemInformation\n", "");
    row("list names and modules", words({"list", "--modules", "--names"}), 2, "", "exclude each other");
    row("list", words({"list"}), 0, "  signal configurationChanged(instanceName)", "");
    row("list as JSON", words({"list", "display", "--json"}), 0,
        R"({"member":"toggleDisplayState","mode":"without waiting","name":"toggleDisplayState","parameters":[]})", "");
    row("list names", words({"list", "--names", "display"}), 0, "getScreenshot\ntoggleDisplayState\n", "");
    row("help", words({"monitor", "--help"}), 0, "Usage: vantelo-cli monitor", "");
    row("help COMMAND", words({"help", "call"}), 0, "Usage: vantelo-cli call", "");
    row("help alone", words({"help"}), 0, "Commands:", "");
    row("help of no command", words({"help", "frobnicate"}), 2, "", "no command \"frobnicate\"");
}

void CliTest::printsAnswersWithExitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QFETCH(QString, notInError);
    QFETCH(QStringList, recorded);

    const Run run = runCli(arguments);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.output + run.error));
    QVERIFY2(output.isEmpty() ? run.output.isEmpty() : run.output.contains(output), qPrintable(run.output));
    QVERIFY2(run.error.contains(error), qPrintable(run.error));
    // Wrong usage is said in a few lines: what is wrong, and where the help is.
    if (exitCode == 2) {
        QVERIFY2(run.error.count(QLatin1Char('\n')) <= 3, qPrintable(run.error));
        QVERIFY2(run.error.contains(QLatin1String("See 'vantelo-cli help")), qPrintable(run.error));
    }
    QVERIFY2(notInError.isEmpty() || !run.error.contains(notInError), qPrintable(run.error));
    // Refused means nothing sent.
    const QList<SimulatedDevice::Call> calls = m_device.recordedCalls();
    if (exitCode == 2)
        QVERIFY(calls.isEmpty());
    if (!recorded.isEmpty()) {
        QCOMPARE(calls.size(), 1);
        QStringList sent{calls.first().member};
        // Arrays come as lists of Qt values.
        for (const QVariant& argument : calls.first().arguments) {
            if (argument.userType() != QMetaType::QVariantList) {
                sent.append(argument.toString());
                continue;
            }
            for (const QVariant& element : argument.toList())
                sent.append(element.toString());
        }
        QCOMPARE(sent, recorded);
    }
}

void CliTest::emptyErrorMessagesReadWell()
{
    // The library's text keeps Qt's empty message: "failed: !"; the client reads it out.
    QVERIFY2(m_device.setError(QStringLiteral("com.vantelo.Display"), QStringLiteral("getScreenshot"),
                               QStringLiteral("com.vantelo.Error.Quiet"), QString()),
             qPrintable(m_device.errorString()));
    const Run failed = runCli(words({"call", "display", "getScreenshot"}));
    QCOMPARE(failed.exitCode, 1);
    QVERIFY2(
        failed.error.endsWith(QStringLiteral(
            "failed (-1, com.vantelo.Error.Quiet): D-Bus call to method getScreenshot failed (no reason given)\n")),
        qPrintable(failed.error));
}

void CliTest::jsonKeepsDBusTypes_data()
{
    QTest::addColumn<QStringList>("arguments");
    // The simulator's answer to the method: a value, or with an error name a D-Bus error of that message.
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariant>("answer");
    QTest::addColumn<QString>("errorName");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output"); // JSON on stdout, or on stderr when the exit code is 1

    const QStringList serial = words({"--json", "call", "device-info", "getInformation", "Device1", "serialNumber"});
    const QString getInformation = QStringLiteral("getInformation");
    QTest::newRow("text") << serial << QString() << QVariant() << QString() << 0
                          << QByteArray(R"({"type": "s", "data": "SN-2026-0042"})");
    QTest::newRow("u") << serial << getInformation << QVariant(7u) << QString() << 0
                       << QByteArray(R"({"type": "u", "data": 7})");
    QTest::newRow("a{sv}") << words({"call", "device-info", "getInformation", "Device1", "all", "--json"}) << QString()
                           << QVariant() << QString() << 0
                           << QByteArray(R"({"type": "a{sv}", "data": {"firmware": {"type": "s", "data": "4.2.1"},)"
                                         R"( "hardware": {"type": "s", "data": "Rev. C"},)"
                                         R"( "serialNumber": {"type": "s", "data": "SN-2026-0042"}}})");
    QTest::newRow("ay") << serial << getInformation << QVariant(QByteArray("\x01\xff")) << QString() << 0
                        << QByteArray(R"({"type": "ay", "data": [1, 255]})");
    QTest::newRow("item") << words({"--json", "call", "ui-status", "getUiStatusInformationItem", "", "u1"})
                          << QStringLiteral("getUiStatusInformationItem")
                          << remoteValue(QStringLiteral("(ssssssssi)"), QStringLiteral("i"), 0) << QString() << 0
                          << QByteArray(R"j({"type": "(ssssssssi)", "data": ["i-uuid-r0", "i-source-r0",)j"
                                        R"( "i-category-r0", "i-title-r0", "i-text-r0", "i-iconName-r0",)"
                                        R"( "i-timestamp-r0", "i-action-r0", 7]})");
    QTest::newRow("no value") << words({"--json", "call", "display", "toggleDisplayState"}) << QString() << QVariant()
                              << QString() << 0 << QByteArray(R"({"type": "", "data": null})");
    QTest::newRow("empty value") << words({"--json", "call", "controller", "registerControllerObject", "c1"})
                                 << QString() << QVariant() << QString() << 0
                                 << QByteArray(R"({"type": "s", "data": ""})");
    QTest::newRow("D-Bus error") << serial << getInformation << QVariant(QStringLiteral("busy"))
                                 << "com.vantelo.Error.Busy" << 1
                                 << QByteArray(R"({"error": "com.vantelo.Error.Busy", "code": -1,)"
                                               R"( "message": "D-Bus call to method getInformation failed: busy!"})");
    QTest::newRow("service's code") << words({"call", "controller", "setFaultController", "--json"}) << QString()
                                    << QVariant() << QString() << 1
                                    << QByteArray(R"({"error": "", "code": 3,)"
                                                  R"( "message": "No fault controller is configured"})");
}

void CliTest::jsonKeepsDBusTypes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, method);
    QFETCH(QVariant, answer);
    QFETCH(QString, errorName);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);

    if (!errorName.isEmpty())
        QVERIFY2(m_device.setError(interfaceWithMethod(method), method, errorName, answer.toString()),
                 qPrintable(m_device.errorString()));
    else if (!method.isEmpty())
        QVERIFY2(m_device.setReply(interfaceWithMethod(method), method, 0, QString(), answer),
                 qPrintable(m_device.errorString()));
    const Run run = runCli(arguments);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.output + run.error));
    const QString shown = exitCode == 0 ? run.output : run.error;
    QVERIFY2((exitCode == 0 ? run.error : run.output).isEmpty(), qPrintable(run.output + run.error));
    // One object on one line.
    QVERIFY2(shown.endsWith(QLatin1Char('\n')) && shown.count(QLatin1Char('\n')) == 1, qPrintable(shown));
    QCOMPARE(QJsonDocument::fromJson(shown.toUtf8()), QJsonDocument::fromJson(output));
}

void CliTest::monitorPrintsRelayedSignals_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("endsByItself");
    QTest::addColumn<QString>("line"); // what shows the signal, with %1 for its argument
    const QString plain = QStringLiteral(" externalMediaMounted(\"%1\")\n");
    QTest::newRow("until terminated") << QStringList() << false << plain;
    QTest::newRow("for a while") << words({"--for", "2"}) << true << plain;
    QTest::newRow("json") << words({"--json"}) << false
                          << QStringLiteral(R"({"arguments":{"data":["%1"],"type":"s"},)"
                                            R"("signal":"externalMediaMounted","time":")");
}

void CliTest::monitorPrintsRelayedSignals()
{
    QFETCH(QStringList, options);
    QFETCH(bool, endsByItself);
    QFETCH(QString, line);

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
        QVERIFY2(m_device.emitSignal(QStringLiteral("/com/vantelo/ExternalMediaMountService"),
                                     QStringLiteral("com.vantelo.ExternalMediaMountService"),
                                     QStringLiteral("externalMediaMounted"), {QLatin1String(mountPath)}),
                 qPrintable(m_device.errorString()));
        QVERIFY2(shows(QProcess::StandardOutput, line.arg(QLatin1String(mountPath)).toUtf8()), mountPath);
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
    const QString nowhere =
        QStringLiteral("unix:path=") +
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
        QVERIFY2(m_device.setError(interfaceWithMethod(failingMethod), failingMethod,
                                   QStringLiteral("com.vantelo.Error.Failed"), QStringLiteral("broken")),
                 qPrintable(m_device.errorString()));
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

void CliTest::busOptionsOverrideTheVariable_data()
{
    // VANTELO_DBUS_ADDRESS and the options; "bus" stands for the test's bus, "nowhere" for none.
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");

    QTest::newRow("the variable alone") << "bus" << QStringList() << 0 << QString();
    QTest::newRow("--address over the variable") << "nowhere" << words({"--address", "bus"}) << 0 << QString();
    QTest::newRow("--address=") << "nowhere" << words({"--address=bus"}) << 0 << QString();
    QTest::newRow("--address elsewhere") << "bus" << words({"--address", "nowhere"}) << 1 << "not reachable";
    QTest::newRow("--session over the variable") << "nowhere" << words({"--session"}) << 0 << QString();
    QTest::newRow("--system over the variable")
        << "bus" << words({"--system"}) << 1 << "the bus at system is not reachable";
    QTest::newRow("--session and --system") << "bus" << words({"--session", "--system"}) << 2 << "exclude each other";
    QTest::newRow("--address and --session")
        << "bus" << words({"--address", "bus", "--session"}) << 2 << "exclude each other";
    QTest::newRow("--address empty") << "bus" << words({"--address="}) << 2 << "--address needs a D-Bus address";
    QTest::newRow("--address without value") << "bus" << words({"--address"}) << 2 << "Missing value after";
}

void CliTest::busOptionsOverrideTheVariable()
{
    QFETCH(QString, variable);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QString, error);

    // The session bus is the test's, the system bus none: the machine's own buses stay out of reach.
    const QString bus = qEnvironmentVariable("VANTELO_DBUS_ADDRESS");
    QVERIFY(!bus.isEmpty());
    const QString nowhere =
        QStringLiteral("unix:path=") +
        QDir::temp().filePath(QStringLiteral("vantelo-no-bus-%1")).arg(QCoreApplication::applicationPid());
    const auto place = [&](const QString& word) {
        if (word.endsWith(QLatin1String("bus")))
            return word.chopped(3) + bus;
        return word.endsWith(QLatin1String("nowhere")) ? word.chopped(7) + nowhere : word;
    };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTELO_DBUS_ADDRESS"), place(variable));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), nowhere);
    QStringList arguments = words({"call", "device-info", "getInformation", "Device1", "serialNumber"});
    for (const QString& option : options)
        arguments.append(place(option));
    const Run run = runCli(arguments, environment);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.output + run.error));
    QCOMPARE(run.output, exitCode == 0 ? QStringLiteral("SN-2026-0042\n") : QString());
    QVERIFY2(run.error.contains(error), qPrintable(run.error));
    QCOMPARE(m_device.calls().size(), exitCode == 0 ? 1 : 0);
}

void CliTest::outputWritesRawBytes_data()
{
    QTest::addColumn<QStringList>("arguments"); // FILE stands for a file in a scratch folder
    // The simulator's answer to the method, or none for the scenario's.
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariant>("answer");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("written"); // null: no file made
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("error");

    // The start of a PNG image: bytes that no text or JSON form keeps.
    const QByteArray image("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff", 17);
    const QString getScreenshot = QStringLiteral("getScreenshot");
    const QStringList screenshot = words({"call", "display", "getScreenshot", "--output"});
    QTest::newRow("to a file") << screenshot + words({"FILE"}) << getScreenshot << QVariant(image) << 0 << image
                               << QByteArray() << QString();
    QTest::newRow("to standard output") << screenshot + words({"-"}) << getScreenshot << QVariant(image) << 0
                                        << QByteArray() << image << QString();
    QTest::newRow("before the command") << words({"--output", "FILE", "--json"}) + screenshot.mid(0, 3) << getScreenshot
                                        << QVariant(image) << 0 << image << QByteArray() << QString();
    QTest::newRow("empty byte array") << screenshot + words({"FILE"}) << getScreenshot << QVariant(QByteArray("")) << 0
                                      << QByteArray("") << QByteArray() << QString();
    QTest::newRow("a text") << words({"call", "device-info", "getInformation", "Device1", "serialNumber", "--output",
                                      "FILE"})
                            << QString() << QVariant() << 2 << QByteArray() << QByteArray()
                            << "--output takes an answer that is a byte array; getInformation answered QString";
    QTest::newRow("no value") << words({"call", "display", "toggleDisplayState", "--output", "FILE"}) << QString()
                              << QVariant() << 2 << QByteArray() << QByteArray()
                              << "toggleDisplayState answered nothing";
    QTest::newRow("a failed call") << screenshot + words({"FILE"}) << QString() << QVariant() << 1 << QByteArray()
                                   << QByteArray() << "getScreenshot failed";
    QTest::newRow("no such folder") << screenshot + words({"FILE/image.png"}) << getScreenshot << QVariant(image) << 1
                                    << QByteArray() << QByteArray() << "cannot write";
}

void CliTest::outputWritesRawBytes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, method);
    QFETCH(QVariant, answer);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, written);
    QFETCH(QByteArray, output);
    QFETCH(QString, error);

    if (!method.isEmpty())
        QVERIFY2(m_device.setReply(interfaceWithMethod(method), method, 0, QString(), answer),
                 qPrintable(m_device.errorString()));
    else if (exitCode == 1)
        QVERIFY2(m_device.setError(QStringLiteral("com.vantelo.Display"), QStringLiteral("getScreenshot"),
                                   QStringLiteral("com.vantelo.Error.Failed"), QStringLiteral("broken")),
                 qPrintable(m_device.errorString()));
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString file = scratch.filePath(QStringLiteral("screenshot.png"));
    arguments.replaceInStrings(QStringLiteral("FILE"), file);

    QProcess cli;
    cli.start(QStringLiteral(VANTELO_CLI), arguments);
    QVERIFY(cli.waitForFinished(waitMs));
    const QByteArray standardOutput = cli.readAllStandardOutput();
    const QString standardError = QString::fromUtf8(cli.readAllStandardError());
    QVERIFY2(cli.exitCode() == exitCode, qPrintable(standardError));
    QCOMPARE(standardOutput, output);
    QVERIFY2(standardError.contains(error), qPrintable(standardError));
    QFile result(file);
    QCOMPARE(result.exists(), !written.isNull());
    if (!written.isNull()) {
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll(), written);
    }
}

void CliTest::completionOffersCommandsConnectorsAndOperations_data()
{
    QTest::addColumn<QStringList>("typed"); // the words after the program, the last one being completed
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QStringList>("notOffered");

    QTest::newRow("commands") << words({""}) << words({"call", "demo", "help", "list", "monitor", "snapshot"})
                              << QStringList();
    QTest::newRow("global options") << words({"--v"}) << words({"--verbose", "--version"}) << words({"--async"});
    QTest::newRow("bus options") << words({"list", "--s"}) << words({"--session", "--system"}) << words({"--verbose"});
    QTest::newRow("relaying connectors for monitor")
        << words({"monitor", ""}) << words({"mount-service", "ui-status", "process-description"})
        << words({"display", "device-info", "controller", "DBusDeviceInfoConnector"});
    QTest::newRow("modules") << words({"call", "controller", "--module", ""}) << words({"SystemInformation"})
                             << words({"controller", "getListOfInstances"});
    QTest::newRow("objects of the connector") << words({"call", "device-info", "--object", ""}) << words({"DeviceInfo"})
                                              << words({"ControllerData", "device-info"});
    QTest::newRow("objects of any connector")
        << words({"monitor", "--object", ""}) << words({"DeviceInfo", "ControllerData"}) << words({"mount-service"});
    QTest::newRow("no value for --address") << words({"--address", ""}) << QStringList() << words({"list", "--json"});
    QTest::newRow("connectors") << words({"call", ""})
                                << words({"ui-status", "UiStatusInformationDataDBusConnector", "display"})
                                << words({"getScreenshot"});
    QTest::newRow("connectors after options")
        << words({"--json", "monitor", "--module", "M", "mou"}) << words({"mount-service"}) << words({"monitor"});
    QTest::newRow("operations of the connector")
        << words({"--verbose", "call", "display", ""}) << words({"getScreenshot", "toggleDisplayState"})
        << words({"getInformation", "display"});
    QTest::newRow("operations by prefix")
        << words({"call", "device-info", "getInf"}) << words({"getInformation", "getInformationAsynchron"})
        << words({"getListOfActions"});
    QTest::newRow("options of call") << words({"call", "--"}) << words({"--async", "--object", "--json"})
                                     << words({"--for"});
    QTest::newRow("no objects to offer") << words({"call", "display", "--object", ""}) << QStringList()
                                         << words({"getScreenshot", "display", "DeviceInfo"});
    QTest::newRow("help") << words({"help", "mo"}) << words({"monitor"}) << QStringList();
}

void CliTest::completionOffersCommandsConnectorsAndOperations()
{
    QFETCH(QStringList, typed);
    QFETCH(QStringList, offered);
    QFETCH(QStringList, notOffered);

    // Bash as it completes: the words so far, the cursor in the last.
    QProcess bash;
    const QString script =
        QStringLiteral("source \"$1\"; shift; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); _vantelo_cli; "
                       "printf '%s\\n' \"${COMPREPLY[@]}\"");
    bash.start(QStringLiteral("bash"),
               QStringList{QStringLiteral("-c"), script, QStringLiteral("bash"), QStringLiteral(VANTELO_CLI_COMPLETION),
                           QStringLiteral(VANTELO_CLI)} +
                   typed);
    QVERIFY(bash.waitForFinished(waitMs));
    QCOMPARE(bash.exitCode(), 0);
    const QStringList replies = QString::fromUtf8(bash.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString& word : offered)
        QVERIFY2(replies.contains(word),
                 qPrintable(word + QStringLiteral(" not in ") + replies.join(QLatin1Char(' '))));
    for (const QString& word : notOffered)
        QVERIFY2(!replies.contains(word), qPrintable(word + QStringLiteral(" in ") + replies.join(QLatin1Char(' '))));
}

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
