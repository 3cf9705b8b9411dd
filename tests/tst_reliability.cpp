#include "ConfigurationDataFileHandlerDBusConnector.h"
#include "ConfigurationFileHandlerDBusConnector.h"
#include "DBusConnection.h"
#include "DBusTemporaryTimeout.h"
#include "PrivateBus.h"
#include "ProbeConnector.h"
#include "SimulatedDevice.h"
#include "UiStatusInformationDataDBusConnector.h"
#include "VanteloDefinitions.h"
#include "WarningLog.h"

#include <QDBusError>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// What an application meets when the bus itself misbehaves: the daemon
// restarting under it, the daemon's limits, and failures told apart by their
// D-Bus error names. Each test runs on a bus of its own, which it may kill:
// a PrivateBus where it kills the daemon, keeps the first daemon's guid or sets
// limits, which the test kit's device does not offer; the simulator on it is
// driven through the kit, attached.
class ReliabilityTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void applicationSurvivesABusRestart();
    void longRequestsKeepTheirTimeoutAfterARestart();
    void busyThreadsRelayAgainAfterARestart();
    void callsBeyondThePendingReplyLimitFail();
    void failuresKeepTheirErrorNames();
    void busNotesFollowTheLoggingRules_data();
    void busNotesFollowTheLoggingRules();

private:
    // Points the library at the bus; a bus at another address gets a link of its own.
    static void use(const PrivateBus& bus) { qputenv("VANTELO_DBUS_ADDRESS", bus.address().toUtf8()); }
};

namespace {
const int boundMs = 15000;
// A device interface, so that the simulated device takes answers for its methods.
const QString probeInterface = QStringLiteral("com.vantelo.DeviceInfo");

// Listens where the bus was and hangs up on every caller, counting them.
class HangUp
{
public:
    explicit HangUp(const QString& path)
        : m_path(QFile::encodeName(path))
    {
        ::unlink(m_path.constData());
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, m_path.constData(), sizeof address.sun_path);
        if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(m_socket, 16) == 0)
            m_thread = std::thread([this] {
                for (int caller; (caller = ::accept(m_socket, nullptr, nullptr)) >= 0; ++m_calls)
                    ::close(caller);
            });
    }

    ~HangUp()
    {
        ::shutdown(m_socket, SHUT_RDWR); // ends the accept() that waits
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_socket);
        ::unlink(m_path.constData());
    }

    int calls() const { return m_calls; }

private:
    const QByteArray m_path;
    const int m_socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    std::atomic<int> m_calls{0};
    std::thread m_thread;
};

// Answers every call with an empty envelope, noting the time-out that the
// calling connector's interface had while the call was on its way.
class TimeoutWitness : public QDBusVirtualObject
{
public:
    std::function<int()> timeoutOfCaller;
    int seen = 0;

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        seen = timeoutOfCaller();
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(QString()))));
        return true;
    }
    QString introspect(const QString&) const override { return QString(); }
};

// Opens the interface, which connectors keep protected.
class OpenConfigurationData : public ConfigurationDataFileHandlerDBusConnector
{
public:
    using ConfigurationDataFileHandlerDBusConnector::ConfigurationDataFileHandlerDBusConnector;
    int timeout() const { return dBusInterface ? dBusInterface->timeout() : 0; }
};

QStringList texts(const QSignalSpy& spy)
{
    QStringList result;
    for (const QList<QVariant>& arguments : spy)
        result.append(arguments.value(0).toString());
    return result;
}
} // namespace

void ReliabilityTest::applicationSurvivesABusRestart()
{
    PrivateBus bus;
    QVERIFY(bus.start());
    use(bus);
    QVERIFY(bus.startSimulator());
    const QString module = QStringLiteral("Restart");
    auto device = std::make_unique<SimulatedDevice>();
    QVERIFY2(device->attach() && device->startService(module), qPrintable(device->errorString()));

    // One connector that follows its service and one that lets the bus start it.
    const auto followed = ConfigurationFileHandlerDBusConnector::createAndConnect(module, QStringLiteral("Settings"));
    const auto onDemand = UiStatusInformationDataDBusConnector::createAndConnect(module, QStringLiteral("Status"));
    QSignalSpy changed(followed.data(), &ConfigurationFileHandlerDBusConnector::configurationChanged);
    QSignalSpy itemChanged(onDemand.data(), &UiStatusInformationDataDBusConnector::uiStatusInformationItemChanged);
    const QString x = QStringLiteral("x");

    // Each emission arrives exactly once: a second copy would come before the next one.
    const auto relayedOnce = [&](const QString& round) {
        changed.clear();
        itemChanged.clear();
        for (const QString& suffix : {QStringLiteral("-a"), QStringLiteral("-b")}) {
            QVERIFY2(device->emitSignal(followed->getDBusPath(), followed->getInterfaceName(),
                                        QStringLiteral("configurationChanged"), {round + suffix}) &&
                         device->emitSignal(onDemand->getDBusPath(), onDemand->getInterfaceName(),
                                            QStringLiteral("uiStatusInformationItemChanged"), {round + suffix}),
                     qPrintable(device->errorString()));
        }
        QTRY_VERIFY_WITH_TIMEOUT(texts(changed).contains(round + QStringLiteral("-b")), boundMs);
        QTRY_VERIFY_WITH_TIMEOUT(texts(itemChanged).contains(round + QStringLiteral("-b")), boundMs);
        const QStringList expected{round + QStringLiteral("-a"), round + QStringLiteral("-b")};
        QCOMPARE(texts(changed), expected);
        QCOMPARE(texts(itemChanged), expected);
    };

    QVERIFY(!followed->getConfiguration(x, x, x).isError());
    relayedOnce(QStringLiteral("before"));
    if (QTest::currentTestFailed())
        return;

    // Twice: the connection made after a restart is followed as the first one was. The address
    // keeps the first daemon's guid, which a restarted one doesn't have.
    const QString configured = bus.address();
    for (int restart = 1; restart <= 2; ++restart) {
        bus.kill();
        QTRY_VERIFY_WITH_TIMEOUT(!followed->isDBusInterfaceValid() && !onDemand->isDBusInterfaceValid(), boundMs);
        WarningLog log;
        QElapsedTimer elapsed;
        elapsed.start();
        const DBusReply lost = followed->getConfiguration(x, x, x);
        QVERIFY2(elapsed.elapsed() < 1000, "a call while the bus is gone fails at once");
        QVERIFY2(lost.getError().getErrorMessage().contains(QStringLiteral("the connection to the bus at ") +
                                                            configured + QStringLiteral(" was lost (")),
                 qPrintable(lost.getError().getErrorMessage()));
        QCOMPARE(lost.getError().getErrorName(), QDBusError::errorString(QDBusError::Disconnected));
        QVERIFY(onDemand->getUiStatusInformationItemList(x).isEmpty());

        // Tries to connect again come after pauses that double from 0.1 s, never in a busy loop:
        // three of them take 0.6 s at least.
        {
            const HangUp listener(bus.socketPath());
            QElapsedTimer tried;
            tried.start();
            QTRY_VERIFY_WITH_TIMEOUT(listener.calls() >= 3, boundMs);
            QVERIFY2(tried.elapsed() >= 500, qPrintable(QStringLiteral("3 tries in %1 ms").arg(tried.elapsed())));
        }

        // Calls go on while the bus comes back: each fails at once or succeeds.
        QVERIFY(bus.start());
        QTRY_VERIFY_WITH_TIMEOUT(DBusConnection::getQDBusConnection().isConnected(), boundMs);
        QVERIFY(bus.startSimulator());
        device = std::make_unique<SimulatedDevice>();
        QVERIFY2(device->attach() && device->startService(module), qPrintable(device->errorString()));
        QElapsedTimer recovering;
        recovering.start();
        while (followed->getConfiguration(x, x, x).isError() && recovering.elapsed() < boundMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QVERIFY2(!followed->getConfiguration(x, x, x).isError(), "calls work again once the bus is back");
        QTRY_VERIFY_WITH_TIMEOUT(onDemand->isDBusInterfaceValid(), boundMs);
        relayedOnce(QStringLiteral("after restart %1").arg(restart));
        if (QTest::currentTestFailed())
            return;
    }
}

void ReliabilityTest::longRequestsKeepTheirTimeoutAfterARestart()
{
    PrivateBus bus;
    QVERIFY(bus.start());
    use(bus);
    const QString module = QStringLiteral("LongRequest");
    // A thread without an event loop: its connector hears of the new connection only when called.
    std::unique_ptr<OpenConfigurationData> connector;
    std::thread([&] {
        connector = std::make_unique<OpenConfigurationData>(module, QStringLiteral("Data"));
        connector->initObject();
    }).join();
    QVERIFY(connector->isDBusInterfaceValid());

    bus.kill();
    QTRY_VERIFY_WITH_TIMEOUT(!DBusConnection::getQDBusConnection().isConnected(), boundMs);
    QVERIFY(bus.start());
    QTRY_VERIFY_WITH_TIMEOUT(DBusConnection::getQDBusConnection().isConnected(), boundMs);

    TimeoutWitness witness;
    witness.timeoutOfCaller = [&] { return connector->timeout(); };
    QDBusConnection service = bus.connection();
    QVERIFY(service.registerService(VanteloDefinitions::serviceNameOfModule(module)));
    QVERIFY(service.registerVirtualObject(connector->getDBusPath(), &witness));

    std::atomic<bool> answered{false};
    std::thread caller([&] {
        connector->requestConfigurationWrite(QStringLiteral("i"), QStringLiteral("c"));
        answered = true;
    });
    const auto joinCaller = qScopeGuard([&] { caller.join(); });
    QTRY_VERIFY_WITH_TIMEOUT(answered, boundMs);
    QCOMPARE(witness.seen, 240 * 1000);
    service.unregisterObject(connector->getDBusPath());
}

void ReliabilityTest::busyThreadsRelayAgainAfterARestart()
{
    PrivateBus bus;
    QVERIFY(bus.start());
    use(bus);
    QVERIFY(bus.startSimulator());
    const QString module = QStringLiteral("Busy");
    {
        SimulatedDevice device;
        QVERIFY2(device.attach() && device.startService(module), qPrintable(device.errorString()));
    }
    QThread worker;
    QObject inWorker;
    inWorker.moveToThread(&worker);
    worker.start();
    QSharedPointer<UiStatusInformationDataDBusConnector> onDemand;
    QMetaObject::invokeMethod(
        &inWorker,
        [&] { onDemand = UiStatusInformationDataDBusConnector::createAndConnect(module, QStringLiteral("Status")); },
        Qt::BlockingQueuedConnection);
    const auto stopWorker = qScopeGuard([&] {
        QMetaObject::invokeMethod(
            &inWorker, [&] { onDemand.reset(); }, Qt::BlockingQueuedConnection);
        worker.quit();
        worker.wait();
    });
    QSignalSpy itemChanged(onDemand.data(), &UiStatusInformationDataDBusConnector::uiStatusInformationItemChanged);

    // The worker's event loop is busy while the bus goes and comes back.
    QSemaphore busy;
    QMetaObject::invokeMethod(&inWorker, [&] { busy.acquire(); });
    bus.kill();
    QTRY_VERIFY_WITH_TIMEOUT(!DBusConnection::getQDBusConnection().isConnected(), boundMs);
    QVERIFY(bus.start());
    QTRY_VERIFY_WITH_TIMEOUT(DBusConnection::getQDBusConnection().isConnected(), boundMs);
    QVERIFY(bus.startSimulator());
    SimulatedDevice device;
    QVERIFY2(device.attach() && device.startService(module), qPrintable(device.errorString()));
    busy.release();

    QTRY_VERIFY_WITH_TIMEOUT(
        (device.emitSignal(onDemand->getDBusPath(), onDemand->getInterfaceName(),
                           QStringLiteral("uiStatusInformationItemChanged"), {QStringLiteral("again")}),
         texts(itemChanged).contains(QStringLiteral("again"))),
        boundMs);
}

void ReliabilityTest::callsBeyondThePendingReplyLimitFail()
{
    const int limit = 4;
    PrivateBus bus(PrivateBus::openPolicy() +
                   QStringLiteral("<limit name=\"max_replies_per_connection\">%1</limit>").arg(limit));
    QVERIFY(bus.start());
    use(bus);
    QVERIFY(bus.startSimulator());
    SimulatedDevice device;
    QVERIFY2(device.attach() && device.startService(QStringLiteral("Limited")) &&
                 device.setDelay(probeInterface, QStringLiteral("getInformation"), 300),
             qPrintable(device.errorString()));

    const auto probe = ProbeConnector::create(QStringLiteral("Limited"), QStringLiteral("Probe"), probeInterface);
    QList<DBusPendingReply::SharedPointer> calls;
    for (int i = 0; i <= limit; ++i)
        calls.append(probe->asyncCallHelper(QStringLiteral("getInformation"), i));

    const DBusReply refused = calls.takeLast()->getReply();
    QCOMPARE(refused.getError().getErrorName(), QDBusError::errorString(QDBusError::LimitsExceeded));
    for (const DBusPendingReply::SharedPointer& call : calls) {
        const DBusReply reply = call->getReply();
        QVERIFY2(!reply.isError(), qPrintable(reply.getError().getErrorMessage()));
    }
}

void ReliabilityTest::failuresKeepTheirErrorNames()
{
    SimulatedDevice device;
    QVERIFY2(device.start(QString(), {QStringLiteral("--bare")}) && device.startService(QStringLiteral("Named")),
             qPrintable(device.errorString()));
    const auto probe = ProbeConnector::create(QStringLiteral("Named"), QStringLiteral("Probe"), probeInterface);
    const auto absent = ProbeConnector::create(QStringLiteral("Absent"), QStringLiteral("Probe"), probeInterface);
    const auto startable = ProbeConnector::create(QStringLiteral("Absent"), QStringLiteral("Probe"), probeInterface,
                                                  DBusConnectorBase::StartOnDemand);
    const QString method = QStringLiteral("getListOfActions");

    struct Row
    {
        const char* failure;
        std::function<bool()> arrange;
        QSharedPointer<ProbeConnector> connector;
        QString errorName;
        int errorCode;
    };
    const int defaultCode = ErrorContainer::getDefaultErrorCode();
    const QList<Row> rows = {
        {"the service's code in its reply",
         [&] { return device.setReply(probeInterface, method, 7, QStringLiteral("busy"), 0); }, probe, QString(), 7},
        {"the service's own error",
         [&] { return device.setError(probeInterface, method, QStringLiteral("com.vantelo.Error.Busy"), {}); }, probe,
         QStringLiteral("com.vantelo.Error.Busy"), defaultCode},
        {"no answer in time", [&] { return device.setNoReply(probeInterface, method); }, probe,
         QDBusError::errorString(QDBusError::NoReply), defaultCode},
        {"an answer of the wrong shape",
         [&] {
             return device.setRawReply(probeInterface, method,
                                       QVariant::fromValue(QDBusVariant(QStringLiteral("bare"))));
         },
         probe, QDBusError::errorString(QDBusError::InvalidSignature), defaultCode},
        {"a service the bus can't start", [] { return true; }, startable,
         QDBusError::errorString(QDBusError::ServiceUnknown), defaultCode},
        {"a followed service that isn't running", [] { return true; }, absent,
         QDBusError::errorString(QDBusError::ServiceUnknown), defaultCode},
    };
    for (const Row& row : rows) {
        QVERIFY2(device.reset() && row.arrange(), qPrintable(device.errorString()));
        // A short wait for answers, so that "no answer" fails fast.
        const DBusTemporaryTimeout shortWait(row.connector->interface(), 1);
        WarningLog log;
        const DBusReply blocking = row.connector->syncCallHelper(method);
        QVERIFY2(blocking.getError().getErrorName() == row.errorName,
                 qPrintable(QStringLiteral("%1: %2").arg(row.failure, blocking.getError().getErrorName())));
        QCOMPARE(blocking.getError().getErrorCode(), row.errorCode);

        const DBusPendingReply::SharedPointer pending = row.connector->asyncCallHelper(method);
        if (!pending) {
            QCOMPARE(row.connector->getInvalidDBusInterfaceErrorName(), row.errorName);
            continue;
        }
        QCOMPARE(pending->getReply().getError().getErrorName(), row.errorName);
        QCOMPARE(pending->getErrorName(), row.errorName);
    }
    QVERIFY2(device.releaseHeld() >= 0, qPrintable(device.errorString()));
}

void ReliabilityTest::busNotesFollowTheLoggingRules_data()
{
    QTest::addColumn<QString>("rules");
    QTest::addColumn<bool>("noteShown");
    QTest::newRow("no rules") << QString() << true;
    QTest::newRow("the library's bus quiet") << QStringLiteral("vantelo.bus.info=false") << false;
    QTest::newRow("every vantelo category quiet") << QStringLiteral("vantelo.*=false") << false;
    QTest::newRow("another category quiet") << QStringLiteral("vantelo.qml=false") << true;
}

// The library's note on a lost bus is its own category's; the warnings of a
// call are the connectors' contract and stay in the default category.
void ReliabilityTest::busNotesFollowTheLoggingRules()
{
    QFETCH(QString, rules);
    QFETCH(bool, noteShown);

    struct Record
    {
        QtMsgType type;
        QString category;
        QString message;
    };
    static QList<Record> records;
    records.clear();
    QLoggingCategory::setFilterRules(rules);
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            records.append({type, QString::fromLatin1(context.category), message});
        });
    const auto restore = qScopeGuard([previous] {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
    });
    const auto shown = [](QtMsgType type, const QString& category, const QString& text) {
        return std::count_if(records.cbegin(), records.cend(), [&](const Record& record) {
            return record.type == type && record.category == category && record.message.contains(text);
        });
    };

    PrivateBus bus;
    QVERIFY(bus.start());
    use(bus);
    QVERIFY(bus.startSimulator());
    const auto connector =
        ConfigurationFileHandlerDBusConnector::createAndConnect(QStringLiteral("Logging"), QStringLiteral("Settings"));
    QTRY_VERIFY_WITH_TIMEOUT(DBusConnection::getQDBusConnection().isConnected(), boundMs);
    bus.kill();
    // The library tries the bus again only once it has taken note of the loss.
    const HangUp listener(bus.socketPath());
    QTRY_VERIFY_WITH_TIMEOUT(listener.calls() >= 1, boundMs);
    QVERIFY(!connector->isDBusInterfaceValid());
    const QString x = QStringLiteral("x");
    QVERIFY(connector->getConfiguration(x, x, x).isError());

    // Buses of earlier tests may go now too: only this one counts.
    const QString lost = bus.address() + QStringLiteral(" was lost");
    QCOMPARE(shown(QtWarningMsg, QStringLiteral("default"), lost), 2);
    QCOMPARE(shown(QtInfoMsg, QStringLiteral("vantelo.bus"), lost), noteShown ? 1 : 0);
}

QTEST_GUILESS_MAIN(ReliabilityTest)
#include "tst_reliability.moc"
