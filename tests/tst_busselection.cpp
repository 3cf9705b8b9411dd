// Buses of its own (PrivateBus): two at once, with the machine's bus
// addresses of a child process pointing at them, which the test kit's device
// does not offer.
#include "DBusControllerConnector.h"
#include "PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

// Which bus VANTELO_DBUS_ADDRESS sends the connectors to. The test starts two
// buses of its own, A and B, each with a service only it has, and runs itself
// again as a child with the variable set one way or another and the system and
// session bus addresses pointing at A or B; the child tells which services its
// connectors found.
class BusSelectionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void connectorsReachTheSelectedBus_data();
    void connectorsReachTheSelectedBus();

private:
    QTemporaryDir m_directory;
    std::map<QString, PrivateBus> m_buses;
    QHash<QString, QString> m_addresses;
};

namespace {
const char childArgument[] = "--report-reached-buses";
const QStringList buses{QStringLiteral("A"), QStringLiteral("B")};
const int waitMs = 10000;

QString serviceOn(const QString& bus)
{
    return QStringLiteral("com.vantelo.Bus") + bus;
}

// In the child: the buses whose service a connector found, then why the
// connector to bus A can't be used, if it can't.
int reportReachedBuses()
{
    QTextStream out(stdout);
    QString reached;
    QString whyNotA;
    for (const QString& bus : buses) {
        const auto connector =
            DBusControllerConnector::createAndConnect(QStringLiteral("Bus") + bus, QStringLiteral("Probe"));
        if (connector->isDBusInterfaceValid())
            reached += bus;
        else if (bus == buses.first())
            whyNotA = connector->getInvalidDBusInterfaceMessage();
    }
    out << reached << '\n' << whyNotA << '\n';
    return 0;
}
} // namespace

void BusSelectionTest::initTestCase()
{
    QVERIFY(m_directory.isValid());
    for (const QString& bus : buses) {
        PrivateBus& started = m_buses[bus];
        QVERIFY2(started.start() && started.connection().registerService(serviceOn(bus)), qPrintable(bus));
        m_addresses.insert(bus, started.address());
    }
    m_addresses.insert(QStringLiteral("none"),
                       QStringLiteral("unix:path=") + m_directory.filePath(QStringLiteral("none")));
}

void BusSelectionTest::connectorsReachTheSelectedBus_data()
{
    // A null selection leaves VANTELO_DBUS_ADDRESS unset; "@X" is the address of bus X.
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QString>("systemBus");
    QTest::addColumn<QString>("sessionBus");
    QTest::addColumn<QString>("reached");
    QTest::addColumn<QString>("whyNot");

    QTest::newRow("unset") << QString() << "A"
                           << "B"
                           << "A" << QString();
    QTest::newRow("system") << "system"
                            << "A"
                            << "B"
                            << "A" << QString();
    QTest::newRow("session") << "session"
                             << "A"
                             << "B"
                             << "B" << QString();
    QTest::newRow("address of A") << "@A"
                                  << "B"
                                  << "B"
                                  << "A" << QString();
    QTest::newRow("address of B") << "@B"
                                  << "A"
                                  << "A"
                                  << "B" << QString();
    QTest::newRow("no bus at the address") << "@none"
                                           << "A"
                                           << "B" << QString() << "the bus at @none is not reachable";
}

void BusSelectionTest::connectorsReachTheSelectedBus()
{
    QFETCH(QString, selection);
    QFETCH(QString, systemBus);
    QFETCH(QString, sessionBus);
    QFETCH(QString, reached);
    QFETCH(QString, whyNot);
    const auto resolved = [this](QString text) {
        for (auto it = m_addresses.cbegin(); it != m_addresses.cend(); ++it)
            text.replace(QLatin1Char('@') + it.key(), it.value());
        return text;
    };

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_addresses.value(systemBus));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_addresses.value(sessionBus));
    if (selection.isNull())
        environment.remove(QStringLiteral("VANTELO_DBUS_ADDRESS"));
    else
        environment.insert(QStringLiteral("VANTELO_DBUS_ADDRESS"), resolved(selection));

    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QLatin1String(childArgument)});
    // The buses' services answer on this thread's event loop while the child asks.
    const bool finished = QTest::qWaitFor([&child] { return child.state() == QProcess::NotRunning; }, waitMs);
    if (!finished) {
        child.kill();
        child.waitForFinished(waitMs);
    }
    QVERIFY2(finished && child.exitCode() == 0, child.readAllStandardError().constData());
    const QStringList report = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'));
    QCOMPARE(report.value(0), reached);
    QVERIFY2(report.value(1).contains(resolved(whyNot)), qPrintable(report.value(1)));
}

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (application.arguments().value(1) == QLatin1String(childArgument))
        return reportReachedBuses();
    BusSelectionTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_busselection.moc"
