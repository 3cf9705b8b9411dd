#include "DBusConnection.h"
#include "DBusDeviceInfoConnector.h"
#include "DBusReply.h"
#include "SimulatedDevice.h"
#include "VanteloDefinitions.h"

#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace {
const QString echoModule = QStringLiteral("Echo");
const QString echoService = VanteloDefinitions::serviceNameOfModule(echoModule);
const QString echoObject = QStringLiteral("DeviceInfo");
const int callsPerThread = 150;

QString echoOf(const QString& member, const QStringList& arguments)
{
    return member + QLatin1Char('(') + arguments.join(QLatin1Char(',')) + QLatin1Char(')');
}

// A service in a thread of its own that answers every call with an envelope
// naming the call, so that each caller can tell its own answer.
class EchoService : public QDBusVirtualObject
{
public:
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& connection) override
    {
        QStringList arguments;
        for (const QVariant& argument : call.arguments())
            arguments.append(argument.toString());
        DBusReply envelope;
        envelope.setValue(echoOf(call.member(), arguments));
        connection.send(call.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(envelope)))));
        return true;
    }

    QString introspect(const QString&) const override { return QString(); }
};

// Makes connectors and calls them, blocking and asynchronously, in the
// thread it runs in; counts the answers that are not its own.
int callFromThisThread(const QString& tag)
{
    const auto device = DBusDeviceInfoConnector::createAndConnect(echoModule, echoObject);
    int wrong = 0;
    for (int i = 0; i < callsPerThread; ++i) {
        const QString number = QString::number(i);
        const QVariant blocking = device->getInformation(tag, number).getValue();
        wrong += blocking != echoOf(QStringLiteral("getInformation"), {tag, number});
        const DBusPendingReply::SharedPointer pending = device->getListOfActionsAsynchron(tag, number);
        wrong +=
            !pending || pending->getReply().getValue() != echoOf(QStringLiteral("getListOfActions"), {tag, number});
    }
    return wrong;
}

// A plain thread, without an event loop, that runs what it is given in turn.
class PlainThread
{
public:
    PlainThread()
        : m_thread([this] { serve(); })
    {
    }

    ~PlainThread()
    {
        run({});
        m_thread.join();
    }

    // Runs the task in the thread and waits for it; an empty task ends the thread.
    void run(std::function<void()> task)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const bool ends = !task;
        m_tasks.push_back(std::move(task));
        m_changed.notify_all();
        if (!ends)
            m_changed.wait(lock, [this] { return m_tasks.empty(); });
    }

private:
    void serve()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return !m_tasks.empty(); });
            std::function<void()> task = std::move(m_tasks.front());
            if (!task)
                return;
            task();
            m_tasks.pop_front();
            m_changed.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_tasks;
    std::thread m_thread;
};

// A worker thread with an event loop of its own.
class Worker : public QThread
{
public:
    explicit Worker(const QString& tag)
        : m_tag(tag)
    {
    }

    std::atomic<int> wrong{-1};

protected:
    void run() override
    {
        QTimer::singleShot(0, [this] {
            wrong = callFromThisThread(m_tag);
            quit();
        });
        exec();
    }

private:
    QString m_tag;
};
} // namespace

// Connectors made and called in several threads at once, and in threads
// without an event loop.
class ThreadsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void everyAnswerBelongsToItsCall();
    void connectorsInThreadsWithoutEventLoopFollowTheirService();

private:
    QThread m_serviceThread;
    EchoService* m_echo = nullptr;
};

void ThreadsTest::initTestCase()
{
    // Only on the runner's private bus, with the simulator on it.
    SimulatedDevice device;
    QVERIFY2(device.attach(), qPrintable(device.errorString()));
    qDBusRegisterMetaType<DBusReply>();
    QDBusConnection connection = QDBusConnection::connectToBus(DBusConnection::busAddress(), QStringLiteral("echo"));
    m_echo = new EchoService;
    m_echo->moveToThread(&m_serviceThread);
    m_serviceThread.start();
    QVERIFY(connection.registerVirtualObject(VanteloDefinitions::objectPathOfObject(echoObject), m_echo));
    QVERIFY(connection.registerService(echoService));
}

void ThreadsTest::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(QStringLiteral("echo"));
    m_serviceThread.quit();
    m_serviceThread.wait();
    delete m_echo;
}

void ThreadsTest::everyAnswerBelongsToItsCall()
{
    QList<Worker*> workers;
    for (int i = 0; i < 4; ++i) {
        workers.append(new Worker(QStringLiteral("worker%1").arg(i)));
        workers.last()->start();
    }
    QCOMPARE(callFromThisThread(QStringLiteral("main")), 0);
    for (Worker* worker : workers) {
        QVERIFY(worker->wait(30000));
        QCOMPARE(worker->wrong.load(), 0);
        delete worker;
    }
}

void ThreadsTest::connectorsInThreadsWithoutEventLoopFollowTheirService()
{
    QDBusConnection echo(QStringLiteral("echo"));
    PlainThread thread;
    QSharedPointer<DBusDeviceInfoConnector> device;
    bool valid = false;
    thread.run([&] {
        device = DBusDeviceInfoConnector::createAndConnect(echoModule, echoObject);
        valid = device->isDBusInterfaceValid();
    });
    QVERIFY(valid);

    // The service goes: the main thread's event loop hears of it, and the
    // connector in the other thread knows at once.
    QVERIFY(echo.unregisterService(echoService));
    QTRY_VERIFY_WITH_TIMEOUT((thread.run([&] { valid = device->isDBusInterfaceValid(); }), !valid), 10000);
    QString failure;
    thread.run([&] {
        failure = device->getInformation(QStringLiteral("a"), QStringLiteral("b")).getError().getErrorMessage();
    });
    QVERIFY2(failure.endsWith(QStringLiteral("the service is not running")), qPrintable(failure));

    QVERIFY(echo.registerService(echoService));
    QTRY_VERIFY_WITH_TIMEOUT((thread.run([&] { valid = device->isDBusInterfaceValid(); }), valid), 10000);
    QVariant answer;
    thread.run([&] {
        answer = device->getInformation(QStringLiteral("a"), QStringLiteral("b")).getValue();
        device.reset();
    });
    QCOMPARE(answer, QVariant(echoOf(QStringLiteral("getInformation"), {QStringLiteral("a"), QStringLiteral("b")})));
}

QTEST_GUILESS_MAIN(ThreadsTest)
#include "tst_threads.moc"
