// vantelo-cli snapshot: a device's state recorded as a scenario, served by a
// second simulator, answers every read-only operation as the first did.

#include "ConnectorTable.h"
#include "JsonValue.h"
#include "SimulatedDevice.h"
#include "Snapshot.h"
#include "VanteloDefinitions.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// Every read-only operation's answer, as the catalogue asks it: value with its type, or the failure.
QMap<QString, QString> readOnlyAnswers()
{
    QMap<QString, QString> answers;
    for (const ConnectorEntry& entry : connectorTable()) {
        const QSharedPointer<DBusConnectorBase> connector =
            entry.create(VanteloDefinitions::getModuleName(), entry.defaultObject);
        for (const OperationEntry& operation : entry.operations) {
            const QString key = entry.className + QLatin1Char('.') + operation.member;
            if (!operation.readOnly || answers.contains(key))
                continue;
            const DBusReply reply = operation.run(*connector, snapshotArguments(operation));
            const ErrorContainer& error = reply.getError();
            answers.insert(key, reply.isError() ? QStringLiteral("error %1 %2 %3")
                                                      .arg(error.getErrorCode())
                                                      .arg(error.getErrorName(), error.getErrorMessage())
                                                : JsonValue::toCompactText(
                                                      JsonValue::typed(reply.getValue(), operation.resultType)));
        }
    }
    return answers;
}
} // namespace

class TestSnapshot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void servedSnapshotAnswersAsTheDevice();
};

void TestSnapshot::servedSnapshotAnswersAsTheDevice()
{
    QTemporaryDir scratch;
    const QString snapshotFile = scratch.filePath(QStringLiteral("device.json"));
    QMap<QString, QString> original;
    {
        SimulatedDevice device;
        QVERIFY2(device.start(QStringLiteral(VANTELO_SNAPSHOT_SOURCE)), qPrintable(device.errorString()));
        QProcess cli;
        cli.setStandardOutputFile(snapshotFile);
        cli.start(QStringLiteral(VANTELO_CLI), {QStringLiteral("snapshot")});
        QVERIFY(cli.waitForFinished(30000));
        QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
        original = readOnlyAnswers();
    }
    QFile written(snapshotFile);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    QVERIFY2(text.contains("SN-SNAP-0007") && text.contains("Filter clogged"), text.constData());

    SimulatedDevice served;
    QVERIFY2(served.start(snapshotFile), qPrintable(served.errorString()));
    const QMap<QString, QString> replayed = readOnlyAnswers();
    QVERIFY(original.size() > 20);
    // Typed values, service codes and empty envelopes alike; the items from the service's own state.
    QVERIFY(original.value(QStringLiteral("DBusDeviceInfoConnector.getInformation")).contains(QLatin1String("\"t\"")));
    QVERIFY(original.value(QStringLiteral("MaintenanceDBusConnector.getListOfInstances"))
                .startsWith(QLatin1String("error 4")));
    for (auto it = original.cbegin(); it != original.cend(); ++it)
        QCOMPARE(replayed.value(it.key()), it.value());
    QCOMPARE(replayed.keys(), original.keys());
}

QTEST_GUILESS_MAIN(TestSnapshot)
#include "tst_snapshot.moc"
