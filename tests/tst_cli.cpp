#include "SimulatorControl.h"

#include <QProcess>
#include <QtTest>

// Runs the client against the simulator serving its default scenario.
class CliTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void printsAnswersWithExitCodes_data();
    void printsAnswersWithExitCodes();
    void monitorPrintsRelayedSignals();
    void demoRunsToTheEnd();
};

void CliTest::initTestCase()
{
    SimulatorControl::requirePrivateBusWithSimulator();
}

void CliTest::printsAnswersWithExitCodes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");

    const QStringList serial{QStringLiteral("call"), QStringLiteral("device-info"), QStringLiteral("getInformation"),
                             QStringLiteral("Device1"), QStringLiteral("serialNumber")};
    QTest::newRow("blocking") << serial << 0 << QStringLiteral("SN-2026-0042\n") << QString();
    QTest::newRow("asynchronous") << serial + QStringList{QStringLiteral("--async")} << 0
                                  << QStringLiteral("SN-2026-0042\n") << QString();
    QTest::newRow("json") << serial + QStringList{QStringLiteral("--json")} << 0 << QStringLiteral("\"SN-2026-0042\"\n")
                          << QString();
    QTest::newRow("compound") << QStringList{QStringLiteral("call"), QStringLiteral("DBusDeviceInfoConnector"),
                                             QStringLiteral("getInformation"), QStringLiteral("Device1"),
                                             QStringLiteral("all")}
                              << 0 << QStringLiteral("\"serialNumber\": \"SN-2026-0042\"") << QString();
    QTest::newRow("service error") << QStringList{QStringLiteral("call"), QStringLiteral("controller"),
                                                  QStringLiteral("setFaultController")}
                                   << 1 << QString() << QStringLiteral("failed (3): No fault controller is configured");
    QTest::newRow("stopped service") << QStringList{QStringLiteral("call"), QStringLiteral("device-info"),
                                                    QStringLiteral("--module"), QStringLiteral("Stopped"),
                                                    QStringLiteral("getListOfInstances"), QStringLiteral("all")}
                                     << 1 << QString() << QStringLiteral("is not usable: the service is not running");
    QTest::newRow("missing argument") << QStringList(serial.mid(0, 4)) << 2 << QString()
                                      << QStringLiteral("getInformation takes 2 argument(s)");
    QTest::newRow("bad bool") << QStringList{QStringLiteral("call"), QStringLiteral("configuration"),
                                             QStringLiteral("setConfiguration"), QStringLiteral("a"), QStringLiteral("b"),
                                             QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("maybe")}
                              << 2 << QString() << QStringLiteral("persistent must be true or false");
    QTest::newRow("no async twin") << QStringList{QStringLiteral("call"), QStringLiteral("display"),
                                                  QStringLiteral("getScreenshot"), QStringLiteral("--async")}
                                   << 2 << QString() << QStringLiteral("no asynchronous operation");
    QTest::newRow("unknown connector") << QStringList{QStringLiteral("call"), QStringLiteral("toaster"),
                                                      QStringLiteral("toast")}
                                       << 2 << QString() << QStringLiteral("Usage: vantelo-cli call");
    QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")} << 2 << QString()
                                     << QStringLiteral("no command \"frobnicate\"");
    QTest::newRow("list") << QStringList{QStringLiteral("list")} << 0
                          << QStringLiteral("  signal configurationChanged(instanceName)") << QString();
    QTest::newRow("help") << QStringList{QStringLiteral("monitor"), QStringLiteral("--help")} << 0
                          << QStringLiteral("Usage: vantelo-cli monitor") << QString();
}

void CliTest::printsAnswersWithExitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);

    QProcess cli;
    cli.start(QStringLiteral(VANTELO_CLI), arguments);
    QVERIFY(cli.waitForFinished(30000));
    const QString standardOutput = QString::fromUtf8(cli.readAllStandardOutput());
    const QString standardError = QString::fromUtf8(cli.readAllStandardError());
    QVERIFY2(cli.exitCode() == exitCode, qPrintable(standardOutput + standardError));
    QVERIFY2(standardOutput.contains(output), qPrintable(standardOutput));
    QVERIFY2(standardError.contains(error), qPrintable(standardError));
}

void CliTest::monitorPrintsRelayedSignals()
{
    QProcess cli;
    cli.start(QStringLiteral(VANTELO_CLI), {QStringLiteral("monitor"), QStringLiteral("mount-service"),
                                            QStringLiteral("--for"), QStringLiteral("60")});
    QByteArray announced;
    QTRY_VERIFY2_WITH_TIMEOUT((announced += cli.readAllStandardError()).contains("Monitoring"),
                              announced.constData(), 10000);

    SimulatorControl simulator;
    simulator.emitSignal(QStringLiteral("/com/vantelo/ExternalMediaMountService"),
                         QStringLiteral("com.vantelo.ExternalMediaMountService"), QStringLiteral("externalMediaMounted"),
                         {QStringLiteral("/media/usb1")});
    QByteArray printed;
    QTRY_VERIFY_WITH_TIMEOUT((printed += cli.readAllStandardOutput()).contains("externalMediaMounted(\"/media/usb1\")"),
                             10000);
    cli.kill();
    cli.waitForFinished(10000);
}

void CliTest::demoRunsToTheEnd()
{
    QProcess cli;
    cli.start(QStringLiteral(VANTELO_CLI), {QStringLiteral("demo")});
    QVERIFY(cli.waitForFinished(60000));
    const QString output = QString::fromUtf8(cli.readAllStandardOutput());
    QVERIFY2(cli.exitCode() == 0, qPrintable(output + cli.readAllStandardError()));
    QVERIFY2(output.contains(QStringLiteral("Summary: 13 connectors, 13 calls")), qPrintable(output));
    QVERIFY(output.contains(QStringLiteral("2 of 2 signals relayed")));
}

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
