#include "DBusConnectorBase.h"
#include "DBusControllerConnector.h"
#include "DBusTemporaryTimeout.h"
#include "ProbeConnector.h"
#include "SimulatedDevice.h"
#include "VanteloDefinitions.h"
#include "WarningLog.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QString probeModule = QStringLiteral("Probe");
const QString probeObject = QStringLiteral("Probe/Object");
// A device interface, so that the simulated device takes answers for its methods.
const QString probeInterface = QStringLiteral("com.vantelo.DeviceInfo");

QSharedPointer<ProbeConnector> makeProbe(const QString& module = probeModule, const QString& object = probeObject,
                                         const QString& interface = probeInterface)
{
    return ProbeConnector::create(module, object, interface);
}
} // namespace

class CallHelpersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void answersAreDecoded();
    void failuresAreReportedExactly();
    void unusableInterfaceSendsNothing();
    void pendingReplyDeliversTheAnswerOnce();
    void temporaryTimeoutIsRestored();
    void setErrorMakesAnErrorWhateverTheCode();
    void factoryMakesReadyConnectors();

private:
    SimulatedDevice m_device;
};

void CallHelpersTest::initTestCase()
{
    QVERIFY2(m_device.attach(), qPrintable(m_device.errorString()));
    QVERIFY2(m_device.startService(probeModule), qPrintable(m_device.errorString()));
    QVERIFY2(m_device.startService(VanteloDefinitions::getModuleName()), qPrintable(m_device.errorString()));
}

void CallHelpersTest::init()
{
    QVERIFY2(m_device.reset(), qPrintable(m_device.errorString()));
}

void CallHelpersTest::answersAreDecoded()
{
    const auto probe = makeProbe();
    QSignalSpy errors(probe.data(), &DBusConnectorBase::dBusConnectionErrorOccurred);
    const QString method = QStringLiteral("getInformation");

    QVERIFY2(m_device.setReply(probeInterface, method, 0, QString(), QStringLiteral("text")),
             qPrintable(m_device.errorString()));
    DBusReply reply = probe->syncCallHelper(method);
    QVERIFY(!reply.isError());
    QCOMPARE(reply.getValue(), QVariant(QStringLiteral("text")));

    QVERIFY2(m_device.setReply(probeInterface, method, 0, QString(), 7), qPrintable(m_device.errorString()));
    QCOMPARE(probe->syncCallHelper(method).getValue(), QVariant(7));

    // Compound values stay D-Bus arguments for the caller to read.
    const QVariantMap map{{QStringLiteral("key"), 3}};
    QVERIFY2(m_device.setReply(probeInterface, method, 0, QString(), map), qPrintable(m_device.errorString()));
    reply = probe->syncCallHelper(method);
    QCOMPARE(reply.getValue().userType(), qMetaTypeId<QDBusArgument>());
    QCOMPARE(qdbus_cast<QVariantMap>(reply.getValue()), map);

    // The service's own error code, whatever its sign, and message, with the value it sent along.
    for (const int code : {5, -7}) {
        QVERIFY2(m_device.setReply(probeInterface, method, code, QStringLiteral("instance unknown"),
                                   QStringLiteral("detail")),
                 qPrintable(m_device.errorString()));
        reply = probe->syncCallHelper(method);
        QVERIFY(reply.isError());
        QCOMPARE(reply.getError().getErrorCode(), code);
        QCOMPARE(reply.getError().getErrorMessage(), QStringLiteral("instance unknown"));
        QCOMPARE(reply.getValue(), QVariant(QStringLiteral("detail")));
    }
    QCOMPARE(errors.count(), 0);

    // A variant without the envelope inside: malformed, but no call failure.
    {
        WarningLog log;
        QVERIFY2(
            m_device.setRawReply(probeInterface, method, QVariant::fromValue(QDBusVariant(QStringLiteral("bare")))),
            qPrintable(m_device.errorString()));
        reply = probe->syncCallHelper(method);
        QVERIFY(reply.isError());
        QCOMPARE(reply.getError().getErrorCode(), ErrorContainer::getDefaultErrorCode());
        QVERIFY2(reply.getError().getErrorMessage().startsWith(QStringLiteral("Malformed reply")),
                 qPrintable(reply.getError().getErrorMessage()));
        QVERIFY(log.records().isEmpty());
        QCOMPARE(errors.count(), 0);
    }

    // An answer that is no variant at all fails with Qt's signature error.
    WarningLog log;
    QVERIFY2(m_device.setRawReply(probeInterface, method, QStringLiteral("bare")), qPrintable(m_device.errorString()));
    reply = probe->syncCallHelper(method);
    QVERIFY(reply.isError());
    QCOMPARE(reply.getError().getErrorCode(), ErrorContainer::getDefaultErrorCode());
    const QString message = reply.getError().getErrorMessage();
    QVERIFY2(
        message.startsWith(QStringLiteral("D-Bus call to method getInformation failed: Unexpected reply signature")),
        qPrintable(message));
    QVERIFY(message.endsWith(QLatin1Char('!')));
    QCOMPARE(log.records().size(), 2);
    QCOMPARE(errors.count(), 1);
}

void CallHelpersTest::failuresAreReportedExactly()
{
    const auto probe = makeProbe();
    QSignalSpy errors(probe.data(), &DBusConnectorBase::dBusConnectionErrorOccurred);
    const QString errorName = QStringLiteral("com.vantelo.Error.Failed");

    const QList<QPair<QString, QString>> cases = {
        {QStringLiteral("no such instance"),
         QStringLiteral("D-Bus call to method runAction failed: no such instance!")},
        {QString(), QStringLiteral("D-Bus call to method runAction failed: !")},
    };
    for (const auto& failure : cases) {
        errors.clear();
        QVERIFY2(m_device.setError(probeInterface, QStringLiteral("runAction"), errorName, failure.first),
                 qPrintable(m_device.errorString()));
        WarningLog log;
        const DBusReply reply = probe->syncCallHelper(QStringLiteral("runAction"), QStringLiteral("x"));
        QCOMPARE(reply.getError().getErrorCode(), ErrorContainer::getDefaultErrorCode());
        QCOMPARE(reply.getError().getErrorMessage(), failure.second);

        // Two records, each the text as a quoted string, from the helper itself.
        const QString quoted = QLatin1Char('"') + failure.second + QLatin1Char('"');
        QCOMPARE(log.messages(), (QStringList{quoted, quoted}));
        for (const WarningLog::Record& record : log.records()) {
            QVERIFY2(record.function.contains(QStringLiteral("syncCallHelper")), qPrintable(record.function));
            QVERIFY(record.file.endsWith(QStringLiteral("DBusConnectorBase.h")));
        }
        QVERIFY(log.records().at(0).line != log.records().at(1).line);
        QCOMPARE(errors.count(), 1);
    }

    // Sent without waiting: a remote error is never seen.
    errors.clear();
    WarningLog log;
    const DBusReply reply = probe->syncCallNoBlock(QStringLiteral("runAction"), QStringLiteral("x"));
    QVERIFY(!reply.isError());
    QVERIFY(!reply.getValue().isValid());
    QVERIFY(log.records().isEmpty());
    QCOMPARE(errors.count(), 0);
}

void CallHelpersTest::unusableInterfaceSendsNothing()
{
    struct Case
    {
        QString module;
        QString object;
        QString reason;
        QString interface = probeInterface;
    };
    const QList<Case> cases = {
        {QStringLiteral("Absent"), probeObject, QStringLiteral("the service is not running")},
        {QStringLiteral("1Bad"), probeObject, QStringLiteral("'com.vantelo.1Bad' is not a valid bus name")},
        {probeModule, QStringLiteral("bad//path"),
         QStringLiteral("'/com/vantelo/bad//path' is not a valid object path")},
        {probeModule, QString(), QStringLiteral("'/com/vantelo/' is not a valid object path")},
        {probeModule, probeObject, QStringLiteral("'Probe' is not a valid interface name"), QStringLiteral("Probe")},
    };

    for (const Case& unusable : cases) {
        const auto probe = makeProbe(unusable.module, unusable.object, unusable.interface);
        QVERIFY(!probe->isDBusInterfaceValid());
        const QString message = probe->getInvalidDBusInterfaceMessage();
        QVERIFY2(message.endsWith(unusable.reason), qPrintable(message));
        QVERIFY(message.contains(probe->getServiceName()) && message.contains(unusable.interface));
        QSignalSpy errors(probe.data(), &DBusConnectorBase::dBusConnectionErrorOccurred);
        const QString quoted = QLatin1Char('"') + message + QLatin1Char('"');

        {
            WarningLog log;
            const DBusReply reply = probe->syncCallHelper(QStringLiteral("m"), QStringLiteral("a"));
            QCOMPARE(reply.getError().getErrorCode(), ErrorContainer::getDefaultErrorCode());
            QCOMPARE(reply.getError().getErrorMessage(), message);
            QCOMPARE(log.messages(), (QStringList{quoted, quoted}));
        }
        {
            WarningLog log;
            const DBusReply reply = probe->syncCallNoBlock(QStringLiteral("m"));
            QCOMPARE(reply.getError().getErrorMessage(), message);
            QCOMPARE(log.messages(), (QStringList{quoted, quoted}));
        }
        {
            WarningLog log;
            QVERIFY(probe->asyncCallHelper(QStringLiteral("m"), QStringLiteral("a")).isNull());
            QCOMPARE(log.messages(), QStringList{quoted});
        }
        QCOMPARE(errors.count(), 3);
    }
    QVERIFY2(m_device.calls().isEmpty() && m_device.errorString().isEmpty(), qPrintable(m_device.errorString()));

    // Not initialised: not ready, and says so.
    ProbeConnector uninitialised(probeModule, probeObject, probeInterface);
    QVERIFY(!uninitialised.isDBusInterfaceValid());
    QVERIFY(uninitialised.getInvalidDBusInterfaceMessage().endsWith(QStringLiteral("not initialised")));
}

void CallHelpersTest::pendingReplyDeliversTheAnswerOnce()
{
    const auto probe = makeProbe();
    QVERIFY2(
        m_device.setReply(probeInterface, QStringLiteral("getListOfActions"), 0, QString(), QStringLiteral("later")),
        qPrintable(m_device.errorString()));
    QVERIFY2(m_device.setNoReply(probeInterface, QStringLiteral("getListOfActions")),
             qPrintable(m_device.errorString()));

    DBusPendingReply::SharedPointer pending =
        probe->asyncCallHelper(QStringLiteral("getListOfActions"), QStringLiteral("a"));
    QVERIFY(!pending.isNull());
    // Every listener hears it once, however many there are.
    QSignalSpy finished(pending.data(), &DBusPendingReply::finished);
    QSignalSpy alsoFinished(pending.data(), &DBusPendingReply::finished);
    QCOMPARE(m_device.calls().size(), 1);
    QVERIFY(!pending->isFinished());
    QCOMPARE(m_device.releaseHeld(), 1);
    QVERIFY(finished.wait(10000));
    QVERIFY(pending->isFinished());
    QVERIFY(!pending->getReply().isError());
    pending->waitForFinished();
    QCoreApplication::processEvents();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(alsoFinished.count(), 1);

    // Each call its own reply, gone with its last pointer.
    QVERIFY2(m_device.reset(), qPrintable(m_device.errorString()));
    QVERIFY2(m_device.setReply(probeInterface, QStringLiteral("getListOfActions"), 0, QString(), QStringLiteral("now")),
             qPrintable(m_device.errorString()));
    DBusPendingReply::SharedPointer second = probe->asyncCallHelper(QStringLiteral("getListOfActions"));
    QVERIFY(second != pending);
    QCOMPARE(second->getReply().getValue(), QVariant(QStringLiteral("now")));
    QPointer<DBusPendingReply> watched(second.data());
    second.reset();
    QVERIFY(watched.isNull());

    // A failed call carries Qt's message as it is.
    QVERIFY2(m_device.setError(probeInterface, QStringLiteral("getListOfActions"),
                               QStringLiteral("com.vantelo.Error.Busy"), QStringLiteral("busy")),
             qPrintable(m_device.errorString()));
    const DBusReply failed = probe->asyncCallHelper(QStringLiteral("getListOfActions"))->getReply();
    QCOMPARE(failed.getError().getErrorCode(), ErrorContainer::getDefaultErrorCode());
    QCOMPARE(failed.getError().getErrorMessage(), QStringLiteral("busy"));
}

void CallHelpersTest::temporaryTimeoutIsRestored()
{
    const auto probe = makeProbe();
    const QSharedPointer<QDBusInterface> interface = probe->interface();
    interface->setTimeout(5000);
    {
        DBusTemporaryTimeout outer(interface, 240);
        QCOMPARE(interface->timeout(), 240000);
        {
            DBusTemporaryTimeout inner(interface, 2);
            QCOMPARE(interface->timeout(), 2000);
        }
        QCOMPARE(interface->timeout(), 240000);
    }
    QCOMPARE(interface->timeout(), 5000);

    // The guard holds its own reference; a null interface changes nothing.
    DBusTemporaryTimeout nothing(QSharedPointer<QDBusInterface>(), 240);
    Q_UNUSED(nothing);
}

void CallHelpersTest::setErrorMakesAnErrorWhateverTheCode()
{
    QVERIFY(!DBusReply().isError());
    QVERIFY(!ErrorContainer().isError());
    for (const int code : {0, ErrorContainer::getDefaultErrorCode(), 3}) {
        DBusReply reply;
        reply.setError(code, QStringLiteral("refused"));
        QVERIFY2(reply.isError(), qPrintable(QString::number(code)));
        QCOMPARE(reply.getError().getErrorCode(), code);
        QVERIFY(ErrorContainer(code, QStringLiteral("refused")).isError());
    }
}

void CallHelpersTest::factoryMakesReadyConnectors()
{
    WarningLog log;
    QSharedPointer<DBusControllerConnector> controller = DBusControllerConnector::createAndConnect(
        VanteloDefinitions::getModuleName(), QStringLiteral("ControllerData"));
    QVERIFY(!controller.isNull());
    QVERIFY(controller->isDBusInterfaceValid());
    QVERIFY(log.records().isEmpty());

    QCOMPARE(controller->metaObject()->className(), "DBusControllerConnector");
    QCOMPARE(controller->qt_metacast("DBusControllerConnector"), static_cast<void*>(controller.data()));
    QCOMPARE(controller->qt_metacast(nullptr), static_cast<void*>(nullptr));
    QCOMPARE(controller->qt_metacast("DBusConnectorBase"),
             static_cast<void*>(static_cast<DBusConnectorBase*>(controller.data())));

    QWeakPointer<DBusControllerConnector> weak = controller;
    QPointer<DBusControllerConnector> watched(controller.data());
    controller.reset();
    QVERIFY(weak.isNull());
    QVERIFY(watched.isNull());
}

QTEST_GUILESS_MAIN(CallHelpersTest)
#include "tst_callhelpers.moc"
