#include "ConfigurationFileHandlerDBusConnector.h"
#include "ConnectorExpectations.h"
#include "DBusConnection.h"
#include "DBusDeviceInfoConnector.h"
#include "SimulatedDevice.h"
#include "VanteloDefinitions.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {
const QString hungModule = QStringLiteral("Hung");
const char hangOption[] = "--own-and-hang";

// The method calls that the library's connection sends between two markers,
// as dbus-monitor sees them on the bus.
class WireCount
{
public:
    WireCount()
    {
        m_monitor.start(QStringLiteral("dbus-monitor"),
                        {QStringLiteral("--address"), DBusConnection::busAddress(), QStringLiteral("--profile")});
        // The monitor is listening once it shows a marker sent after it started.
        QTRY_VERIFY_WITH_TIMEOUT((mark(QStringLiteral("Ready")), seen(QStringLiteral("Ready"))), 10000);
        mark(QStringLiteral("Start"));
    }

    ~WireCount()
    {
        m_monitor.kill();
        m_monitor.waitForFinished(10000);
    }

    // The members of the calls made since the start, in order.
    QStringList calls()
    {
        mark(QStringLiteral("End"));
        [&] { QTRY_VERIFY_WITH_TIMEOUT(seen(QStringLiteral("End")), 10000); }();
        const QString self = DBusConnection::getQDBusConnection().baseService();
        QStringList members;
        bool counting = false;
        for (const QString& line : m_lines) {
            const QStringList fields = line.split(QLatin1Char('\t'));
            if (fields.value(7) == QLatin1String("Start"))
                counting = true;
            if (counting && fields.value(0) == QLatin1String("mc") && fields.value(3) == self)
                members.append(fields.value(7));
        }
        return members;
    }

private:
    static void mark(const QString& name)
    {
        DBusConnection::getQDBusConnection().send(
            QDBusMessage::createSignal(QStringLiteral("/com/vantelo/Test"), QStringLiteral("com.vantelo.Test"), name));
    }

    bool seen(const QString& name)
    {
        while (m_monitor.canReadLine())
            m_lines.append(QString::fromUtf8(m_monitor.readLine()).trimmed());
        return std::any_of(m_lines.cbegin(), m_lines.cend(),
                           [&](const QString& line) { return line.endsWith(QLatin1Char('\t') + name); });
    }

    QProcess m_monitor;
    QStringList m_lines;
};
} // namespace

// What making connectors costs on the bus, and that a service that hangs
// can't hold it up.
class CreationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void connectorsAskTheBusAlmostNothing_data();
    void connectorsAskTheBusAlmostNothing();
    void aHungServiceHoldsNothingUp();

private:
    SimulatedDevice m_device;
};

void CreationTest::initTestCase()
{
    QVERIFY2(m_device.attach(), qPrintable(m_device.errorString()));
    for (const QString& service : expectedServices())
        QVERIFY2(m_device.startService(service), qPrintable(m_device.errorString()));
}

void CreationTest::connectorsAskTheBusAlmostNothing_data()
{
    QTest::addColumn<int>("copies");
    QTest::newRow("one of each class") << 1;
    QTest::newRow("a hundred of each class") << 100;
}

void CreationTest::connectorsAskTheBusAlmostNothing()
{
    QFETCH(int, copies);
    QList<QSharedPointer<DBusConnectorBase>> made;
    WireCount wire;
    for (int copy = 0; copy < copies; ++copy) {
        for (const ConnectorExpectation& row : connectorExpectations())
            made.append(row.create());
    }
    const QStringList calls = wire.calls();
    for (const auto& connector : made)
        QVERIFY2(connector->isDBusInterfaceValid(), qPrintable(connector->getInvalidDBusInterfaceMessage()));

    // Nothing is asked of the services, and of the bus only the owner of
    // each of their names, once; match rules are sent without waiting for an answer.
    QStringList waitedFor = calls;
    waitedFor.removeAll(QStringLiteral("AddMatch"));
    waitedFor.removeAll(QStringLiteral("RemoveMatch"));
    QVERIFY2(waitedFor.size() <= expectedServices().size(), qPrintable(calls.join(QLatin1Char(' '))));
    QVERIFY2(!calls.contains(QStringLiteral("Introspect")), qPrintable(calls.join(QLatin1Char(' '))));
}

void CreationTest::aHungServiceHoldsNothingUp()
{
    // A process that owns the service's name and is then stopped: it never answers.
    QProcess owner;
    owner.start(QCoreApplication::applicationFilePath(),
                {QLatin1String(hangOption), VanteloDefinitions::serviceNameOfModule(hungModule)});
    QVERIFY(owner.waitForReadyRead(10000));
    ::kill(pid_t(owner.processId()), SIGSTOP);
    const auto resume = qScopeGuard([&] {
        ::kill(pid_t(owner.processId()), SIGCONT);
        owner.kill();
        owner.waitForFinished(10000);
    });

    QElapsedTimer elapsed;
    elapsed.start();
    const auto device = DBusDeviceInfoConnector::createAndConnect(hungModule, QStringLiteral("DeviceInfo"));
    const auto configuration =
        ConfigurationFileHandlerDBusConnector::createAndConnect(hungModule, QStringLiteral("Configuration"));
    // Far below the 25 s a call waits for an answer; the benchmark measures it.
    QVERIFY2(elapsed.elapsed() < 5000, qPrintable(QStringLiteral("took %1 ms").arg(elapsed.elapsed())));
    QVERIFY(device->isDBusInterfaceValid() && configuration->isDBusInterfaceValid());
}

// Doubles as the hanging owner of a name for aHungServiceHoldsNothingUp.
int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], hangOption) == 0) {
        QCoreApplication application(argc, argv);
        QDBusConnection bus = QDBusConnection::connectToBus(DBusConnection::busAddress(), QStringLiteral("owner"));
        if (!bus.registerService(QString::fromLatin1(argv[2])))
            return 1;
        QTextStream(stdout) << "owned" << Qt::endl;
        return application.exec();
    }
    QCoreApplication application(argc, argv);
    CreationTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_creation.moc"
