#include "ConnectorExpectations.h"
#include "DBusDeviceInfoConnector.h"
#include "DBusTemporaryTimeout.h"
#include "InterfaceCatalogue.h"
#include "SimulatedDevice.h"
#include "WarningLog.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

// What goes over the wire, for every operation of all thirteen connectors:
// its own D-Bus method with its own arguments, exactly once, to its own object;
// and how it waits, shown by what it does while the service holds the call.
class ContractTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void descriptionsMatchTheExpectations();
    void eachOperationSendsItsOwnCallAndWaitsAsItsModeSays();
    void withoutTheServiceEachConnectorFailsAsItsModeSays();

private:
    InterfaceCatalogue m_catalogue;
    SimulatedDevice m_device;
};

namespace {
const QString controlInterface = QStringLiteral("com.vantelo.Simulator.Control");
// The time-out given to every interface here: a call that waits where it
// should not comes back after it, with an error.
const int shortTimeoutSeconds = 1;
const qint64 returnsAtOnceMs = 500;
const int answerWaitMs = 5000;

QString describe(const QVariant& value)
{
    QString text;
    QDebug(&text).nospace() << value;
    return text;
}

QString callText(const QString& path, const QString& interface, const QString& member, const QString& signature)
{
    return QStringLiteral("%1 %2.%3(%4)").arg(path, interface, member, signature);
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// A value as text in lists and maps of its shape: the kit hands sent
// arguments over as plain Qt values, the table has them as callers pass them.
// Their D-Bus types are compared by the call's signature.
QVariant canonical(const QVariant& value)
{
    const QVariant plain = comparable(value);
    const int type = plain.userType();
    if (type == QMetaType::QVariantList || type == QMetaType::QStringList) {
        QVariantList list;
        for (const QVariant& element : plain.toList())
            list.append(canonical(element));
        return list;
    }
    if (type == QMetaType::QVariantMap) {
        QVariantMap map;
        const QVariantMap entries = plain.toMap();
        for (auto entry = entries.cbegin(); entry != entries.cend(); ++entry)
            map.insert(entry.key(), canonical(entry.value()));
        return map;
    }
    return plain.toString();
}
} // namespace

void ContractTest::initTestCase()
{
    QVERIFY2(m_device.attach(), qPrintable(m_device.errorString()));
    QString error;
    QVERIFY2(m_catalogue.load(QStringLiteral(VANTELO_INTERFACES_DIR), &error), qPrintable(error));
    for (const QString& service : expectedServices())
        QVERIFY2(m_device.startService(service), qPrintable(m_device.errorString()));
}

void ContractTest::init()
{
    QVERIFY2(m_device.reset(), qPrintable(m_device.errorString()));
}

void ContractTest::descriptionsMatchTheExpectations()
{
    // Every expected call and signal is described, with its signature...
    QSet<QString> expected;
    for (const ConnectorExpectation& connector : connectorExpectations()) {
        const InterfaceCatalogue::Interface* described = m_catalogue.find(connector.interface);
        QVERIFY2(described, qPrintable(connector.interface + QStringLiteral(" is not described")));
        for (const OperationExpectation& operation : connector.operations) {
            const QString where = connector.className + QStringLiteral("::") + operation.name;
            QVERIFY2(described->methods.contains(operation.member), qPrintable(where));
            QVERIFY2(described->methods.value(operation.member).signature == operation.signature, qPrintable(where));
            expected.insert(connector.interface + QLatin1Char('.') + operation.member);
        }
        for (const SignalExpectation& signal : connector.relayedSignals) {
            QVERIFY2(described->signalMembers.contains(signal.name), qPrintable(signal.name));
            QCOMPARE(described->signalMembers.value(signal.name).signature, signal.signature);
            expected.insert(connector.interface + QStringLiteral(".signal.") + signal.name);
        }
    }
    // ...and everything described is expected of some connector.
    for (const QString& name : m_catalogue.names()) {
        if (name == controlInterface)
            continue;
        const InterfaceCatalogue::Interface* described = m_catalogue.find(name);
        for (const QString& method : described->methods.keys())
            QVERIFY2(expected.contains(name + QLatin1Char('.') + method), qPrintable(name + QLatin1Char('.') + method));
        for (const QString& signal : described->signalMembers.keys()) {
            QVERIFY2(expected.contains(name + QStringLiteral(".signal.") + signal),
                     qPrintable(name + QLatin1Char('.') + signal));
        }
    }
}

void ContractTest::eachOperationSendsItsOwnCallAndWaitsAsItsModeSays()
{
    for (const ConnectorExpectation& row : connectorExpectations()) {
        const QSharedPointer<DBusConnectorBase> connector = row.open();
        QVERIFY2(connector->isDBusInterfaceValid(), qPrintable(connector->getInvalidDBusInterfaceMessage()));
        for (const OperationExpectation& operation : row.operations) {
            // Two rounds with other values, so a value fixed in the code shows too.
            for (int round = 0; round < 2; ++round) {
                const QString where = QStringLiteral("%1::%2 (round %3)").arg(row.className, operation.name).arg(round);
                const QVariantList arguments = argumentValues(operation.name, operation.signature, round);
                QVERIFY2(m_device.reset(), qPrintable(m_device.errorString()));
                QVariant answer = remoteValue(QStringLiteral("s"), operation.name + QStringLiteral("-answer"), round);
                if (!operation.answerType.isEmpty())
                    answer = remoteValue(operation.answerType, operation.name + QStringLiteral("-answer"), round);
                const QString refusal = QStringLiteral("refused-") + operation.name;
                switch (operation.mode) {
                case CallMode::Blocking:
                    QVERIFY2(m_device.setReply(row.interface, operation.member, 0, QString(), answer),
                             qPrintable(m_device.errorString()));
                    break;
                case CallMode::NoWait:
                case CallMode::Asynchronous:
                    QVERIFY2(m_device.setNoReply(row.interface, operation.member), qPrintable(m_device.errorString()));
                    break;
                case CallMode::UiStatus:
                    // A success to decode, then a refusal that only a reader of the answer sees.
                    QVERIFY2(m_device.setReply(row.interface, operation.member, round == 0 ? 0 : 4,
                                               round == 0 ? QString() : refusal, answer),
                             qPrintable(m_device.errorString()));
                    break;
                }

                WarningLog log;
                QElapsedTimer clock;
                clock.start();
                Outcome outcome;
                {
                    const DBusTemporaryTimeout shortWait(row.interfaceOf(*connector), shortTimeoutSeconds);
                    outcome = operation.call(*connector, arguments);
                }
                const qint64 elapsed = clock.elapsed();

                // Exactly its own call, with its own arguments, to its own object.
                QStringList sent;
                QVariantList sentArguments;
                for (const SimulatedDevice::Call& call : m_device.recordedCalls()) {
                    sent.append(callText(call.path, call.interface, call.member, call.signature));
                    for (const QVariant& argument : call.arguments)
                        sentArguments.append(canonical(argument));
                }
                QVERIFY2(sent == QStringList(callText(row.path, row.interface, operation.member, operation.signature)),
                         qPrintable(where + QStringLiteral(" sent ") + sent.join(QStringLiteral(", "))));
                QVariantList expectedArguments;
                for (const QVariant& argument : arguments)
                    expectedArguments.append(canonical(argument));
                QVERIFY2(sentArguments == expectedArguments,
                         qPrintable(where + QStringLiteral(" sent ") + describe(sentArguments)));

                // How it waited.
                const DBusReply& reply = outcome.reply;
                switch (operation.mode) {
                case CallMode::Blocking:
                    QVERIFY2(!reply.isError(),
                             qPrintable(where + QStringLiteral(": ") + reply.getError().getErrorMessage()));
                    QVERIFY2(reply.getValue() == answer,
                             qPrintable(where + QStringLiteral(" answered ") + describe(reply.getValue())));
                    break;
                case CallMode::NoWait:
                    QVERIFY2(elapsed < returnsAtOnceMs && !reply.isError() && !reply.getValue().isValid(),
                             qPrintable(where + QStringLiteral(" waited %1 ms for the held call: ").arg(elapsed) +
                                        reply.getError().getErrorMessage()));
                    QCOMPARE(m_device.releaseHeld(), 1);
                    break;
                case CallMode::Asynchronous: {
                    QVERIFY2(outcome.pending, qPrintable(where));
                    QVERIFY2(elapsed < returnsAtOnceMs && !outcome.pending->isFinished(),
                             qPrintable(where + QStringLiteral(" waited %1 ms for the held call").arg(elapsed)));
                    QSignalSpy finished(outcome.pending.data(), &DBusPendingReply::finished);
                    QCOMPARE(m_device.releaseHeld(), 1);
                    QVERIFY2(finished.wait(answerWaitMs), qPrintable(where + QStringLiteral(" never finished")));
                    QVERIFY2(!outcome.pending->getReply().isError(),
                             qPrintable(where + QStringLiteral(": ") +
                                        outcome.pending->getReply().getError().getErrorMessage()));
                    break;
                }
                case CallMode::UiStatus:
                    if (round == 0) {
                        QVERIFY2(log.records().isEmpty(),
                                 qPrintable(where + QStringLiteral(": ") + log.messages().join(QLatin1Char('\n'))));
                        if (!operation.answerType.isEmpty()) {
                            QVERIFY2(outcome.decoded == comparable(answer),
                                     qPrintable(where + QStringLiteral(" decoded ") + describe(outcome.decoded)));
                        }
                    } else {
                        QVERIFY2(
                            log.records().size() == 1 && log.messages().first().endsWith(quoted(refusal)),
                            qPrintable(where + QStringLiteral(" wrote ") + log.messages().join(QLatin1Char('\n'))));
                    }
                    break;
                }
            }
        }
    }
}

void ContractTest::withoutTheServiceEachConnectorFailsAsItsModeSays()
{
    for (const QString& service : expectedServices())
        QVERIFY2(m_device.stopService(service), qPrintable(m_device.errorString()));
    auto restore = qScopeGuard([this] {
        for (const QString& service : expectedServices())
            m_device.startService(service); // a failure shows in the test that follows
    });

    QList<QSharedPointer<DBusConnectorBase>> connectors;
    for (const ConnectorExpectation& row : connectorExpectations()) {
        const QSharedPointer<DBusConnectorBase> connector = row.create();
        connectors.append(connector);
        QCOMPARE(connector->getServiceName(), row.service);
        QCOMPARE(connector->getDBusPath(), row.path);
        QCOMPARE(connector->getInterfaceName(), row.interface);
        QCOMPARE(connector->getConnectionMode(), row.mode);

        // A followed service must run; one started on demand need not.
        const bool followed = row.mode == DBusConnectorBase::FollowService;
        const QString invalid = connector->getInvalidDBusInterfaceMessage();
        QVERIFY2(connector->isDBusInterfaceValid() != followed, qPrintable(row.className));
        if (followed)
            QVERIFY2(invalid.endsWith(QStringLiteral("the service is not running")), qPrintable(invalid));
        if (const auto* device = qobject_cast<DBusDeviceInfoConnector*>(connector.data()))
            QVERIFY(!*device);

        for (const OperationExpectation& operation : row.operations) {
            const QString where = row.className + QStringLiteral("::") + operation.name;
            // Sent, a call fails at the bus, which names the missing service.
            const QString sentAndFailed =
                QStringLiteral("D-Bus call to method ") + operation.member + QStringLiteral(" failed: ");
            WarningLog log;
            const Outcome outcome = operation.call(*connector, argumentValues(operation.name, operation.signature, 0));
            const QString error = outcome.reply.getError().getErrorMessage();
            const QStringList warnings = log.messages();
            switch (operation.mode) {
            case CallMode::Blocking:
            case CallMode::NoWait:
                QCOMPARE(outcome.reply.getError().getErrorCode(), ErrorContainer::getDefaultErrorCode());
                if (followed) {
                    QVERIFY2(error == invalid, qPrintable(where + QStringLiteral(": ") + error));
                    QVERIFY2(warnings == QStringList({quoted(invalid), quoted(invalid)}), qPrintable(where));
                } else {
                    QVERIFY2(error.startsWith(sentAndFailed) && error.contains(row.service),
                             qPrintable(where + QStringLiteral(": ") + error));
                }
                break;
            case CallMode::Asynchronous:
                QVERIFY2(outcome.pending.isNull() == followed, qPrintable(where));
                if (followed)
                    QVERIFY2(warnings == QStringList(quoted(invalid)), qPrintable(where));
                break;
            case CallMode::UiStatus:
                QVERIFY2(!warnings.isEmpty() && warnings.last().contains(sentAndFailed) &&
                             warnings.last().contains(row.service),
                         qPrintable(where + QStringLiteral(" wrote ") + warnings.join(QLatin1Char('\n'))));
                break;
            }
        }
    }
    QVERIFY2(m_device.calls().isEmpty() && m_device.errorString().isEmpty(), qPrintable(m_device.errorString()));

    // Back again: the followed ones notice, so the factory made them ready.
    restore.dismiss();
    for (const QString& service : expectedServices())
        QVERIFY2(m_device.startService(service), qPrintable(m_device.errorString()));
    for (const QSharedPointer<DBusConnectorBase>& connector : connectors) {
        QTRY_VERIFY2_WITH_TIMEOUT(connector->isDBusInterfaceValid(),
                                  qPrintable(connector->getInvalidDBusInterfaceMessage()), answerWaitMs);
        if (const auto* device = qobject_cast<DBusDeviceInfoConnector*>(connector.data()))
            QVERIFY(*device);
    }
}

QTEST_GUILESS_MAIN(ContractTest)
#include "tst_contract.moc"
