// Buses of its own (PrivateBus): each starts with limits on match rules in
// its configuration, which the test kit's device does not offer.
#include "ConfigurationFileHandlerDBusConnector.h"
#include "DBusConnection.h"
#include "DBusDeviceInfoConnector.h"
#include "ExternalMediaManagerDBusConnector.h"
#include "PrivateBus.h"
#include "WarningLog.h"

#include <QDBusVariant>
#include <QSignalSpy>
#include <QtTest>

#include <vector>

namespace {
const int boundMs = 10000;
const QString module = QStringLiteral("Scale");
const QString service = QStringLiteral("com.vantelo.Scale");
const QString markerPath = QStringLiteral("/com/vantelo/Marker");
const QString markerInterface = QStringLiteral("com.vantelo.Marker");
const QString busService = QStringLiteral("org.freedesktop.DBus");

// dbus-daemon's own limit when its configuration sets none, which the system bus keeps.
QString matchRuleLimit(int rules)
{
    return QStringLiteral("<limit name=\"max_match_rules_per_connection\">%1</limit>\n").arg(rules);
}

QString objectNameOf(int n)
{
    return QStringLiteral("Object/%1").arg(n);
}

QString pathOf(int n)
{
    return QStringLiteral("/com/vantelo/Object/%1").arg(n);
}

// How many match rules the library's connection holds, as the bus counts
// them; -1 if the bus keeps no statistics.
int matchRulesOfLibrary(const QDBusConnection& owner)
{
    QDBusMessage call = QDBusMessage::createMethodCall(busService, QStringLiteral("/org/freedesktop/DBus"),
                                                       QStringLiteral("org.freedesktop.DBus.Debug.Stats"),
                                                       QStringLiteral("GetConnectionStats"));
    call << DBusConnection::getQDBusConnection().baseService();
    const QDBusMessage answer = owner.call(call);
    if (answer.type() != QDBusMessage::ReplyMessage)
        return -1;
    return qdbus_cast<QVariantMap>(answer.arguments().value(0)).value(QStringLiteral("MatchRules"), -1).toInt();
}

QDBusMessage busCall(const QString& method, const QString& rule)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(busService, QStringLiteral("/org/freedesktop/DBus"), busService, method);
    call << rule;
    return call;
}
} // namespace

// Relayed signals on buses with limits: one match rule per service and signal
// name, whatever the number of objects, and a rule the bus refuses is reported.
class RelayLimitsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyObjectRelaysWithinTheDefaultLimit_data();
    void everyObjectRelaysWithinTheDefaultLimit();
    void aRefusedRuleIsReported_data();
    void aRefusedRuleIsReported();
    void signalsArriveAsQtDeliversThem_data();
    void signalsArriveAsQtDeliversThem();

public Q_SLOTS:
    void markerArrived() { ++m_markers; }

private:
    // Starts a bus with `configuration`, the library pointed at it, and a
    // connection of the test's own that owns the service.
    bool startBus(PrivateBus* bus, QDBusConnection* owner);
    // Once a marker sent after them has arrived, so has every signal that was relayed.
    bool settled(QDBusConnection& owner);

    int m_markers = 0;
};

bool RelayLimitsTest::startBus(PrivateBus* bus, QDBusConnection* owner)
{
    if (!bus->start())
        return false;
    // A bus at another address gets a link of its own.
    qputenv("VANTELO_DBUS_ADDRESS", bus->address().toUtf8());
    *owner = bus->connection();
    return owner->registerService(service) &&
           DBusConnection::getQDBusConnection().connect(QString(), markerPath, markerInterface,
                                                        QStringLiteral("marker"), this, SLOT(markerArrived()));
}

bool RelayLimitsTest::settled(QDBusConnection& owner)
{
    const int before = m_markers;
    owner.send(QDBusMessage::createSignal(markerPath, markerInterface, QStringLiteral("marker")));
    return QTest::qWaitFor([&] { return m_markers > before; }, boundMs);
}

void RelayLimitsTest::everyObjectRelaysWithinTheDefaultLimit_data()
{
    QTest::addColumn<int>("connectors");
    QTest::addColumn<int>("objects");
    QTest::newRow("1000 distinct objects") << 1000 << 1000;
    QTest::newRow("1000 connectors of 10 objects") << 1000 << 10;
}

void RelayLimitsTest::everyObjectRelaysWithinTheDefaultLimit()
{
    QFETCH(int, connectors);
    QFETCH(int, objects);
    PrivateBus bus(PrivateBus::openPolicy() + matchRuleLimit(512));
    QDBusConnection owner(QString{});
    QVERIFY(startBus(&bus, &owner));

    // The library follows the service before the count starts.
    const auto follower = DBusDeviceInfoConnector::createAndConnect(module, QStringLiteral("DeviceInfo"));
    QVERIFY(settled(owner));
    const int rulesBefore = matchRulesOfLibrary(owner);

    // Twice: the connectors of the first round are gone when the second
    // round's signals come, and take nothing of them.
    const WarningLog warnings;
    for (int round = 0; round < 2; ++round) {
        std::vector<QSharedPointer<ConfigurationFileHandlerDBusConnector>> made;
        std::vector<QStringList> arrived(static_cast<size_t>(connectors));
        for (int n = 0; n < connectors; ++n) {
            made.push_back(ConfigurationFileHandlerDBusConnector::createAndConnect(module, objectNameOf(n % objects)));
            connect(made.back().data(), &ConfigurationFileHandlerDBusConnector::configurationChanged, this,
                    [&arrived, n](const QString& instance) { arrived[size_t(n)].append(instance); });
        }
        QVERIFY(settled(owner));

        // Each object's own argument, under another interface name than the connector's.
        for (int object = 0; object < objects; ++object) {
            QDBusMessage signal = QDBusMessage::createSignal(pathOf(object), QStringLiteral("com.vantelo.Other"),
                                                             QStringLiteral("configurationChanged"));
            signal << QStringLiteral("%1 %2").arg(round).arg(object);
            QVERIFY(owner.send(signal));
        }
        QVERIFY(settled(owner));
        for (int n = 0; n < connectors; ++n)
            QCOMPARE(arrived[size_t(n)], QStringList(QStringLiteral("%1 %2").arg(round).arg(n % objects)));

        // One rule for each of the three relayed signals, whatever the number of objects.
        if (rulesBefore >= 0)
            QTRY_COMPARE_WITH_TIMEOUT(matchRulesOfLibrary(owner), rulesBefore + 3, boundMs);
    }
    QCOMPARE(warnings.messages(), QStringList());
    if (rulesBefore < 0)
        QSKIP("the bus keeps no statistics of match rules");
}

void RelayLimitsTest::aRefusedRuleIsReported_data()
{
    // The places left for rules when the relaying connector is made: none,
    // the one that Qt's rule takes, more than enough.
    QTest::addColumn<int>("freePlaces");
    QTest::addColumn<bool>("relayed");
    QTest::newRow("no place left") << 0 << false;
    QTest::newRow("exactly one place left") << 1 << true;
    QTest::newRow("places left") << 2 << true;
}

void RelayLimitsTest::aRefusedRuleIsReported()
{
    QFETCH(int, freePlaces);
    QFETCH(bool, relayed);
    const int limit = 16;
    PrivateBus bus(PrivateBus::openPolicy() + matchRuleLimit(limit));
    QDBusConnection owner(QString{});
    QVERIFY(startBus(&bus, &owner));
    // The library follows the service before the rules run out.
    const auto follower = DBusDeviceInfoConnector::createAndConnect(module, QStringLiteral("DeviceInfo"));
    QVERIFY(follower->isDBusInterfaceValid());

    // The library's connection takes every place left, then frees some.
    QDBusConnection library = DBusConnection::getQDBusConnection();
    QStringList fillers;
    for (int n = 0; n <= limit; ++n) {
        const QString rule = QStringLiteral("type='signal',member='filler%1'").arg(n);
        const QDBusMessage answer = library.call(busCall(QStringLiteral("AddMatch"), rule));
        if (answer.type() == QDBusMessage::ErrorMessage) {
            QCOMPARE(answer.errorName(), QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded"));
            break;
        }
        fillers.append(rule);
    }
    QVERIFY(fillers.size() >= freePlaces && fillers.size() < limit);
    for (int n = 0; n < freePlaces; ++n) {
        const QDBusMessage answer = library.call(busCall(QStringLiteral("RemoveMatch"), fillers.takeLast()));
        QCOMPARE(answer.type(), QDBusMessage::ReplyMessage);
    }

    const WarningLog warnings;
    const auto connector = ExternalMediaManagerDBusConnector::createAndConnect(module, objectNameOf(1));
    QSignalSpy errors(connector.data(), &DBusConnectorBase::dBusConnectionErrorOccurred);
    QSignalSpy signal(connector.data(), &ExternalMediaManagerDBusConnector::determineAvailableFunctionsFinished);
    const QString rule =
        QStringLiteral("type='signal',sender='%1',member='determineAvailableFunctionsFinished'").arg(service);
    const auto reported = [&] {
        return errors.count() == 1 && warnings.messages().size() == 1 &&
               warnings.messages().constFirst().contains(rule) &&
               warnings.messages().constFirst().contains(
                   QStringLiteral("max_match_rules_per_connection=%1").arg(limit));
    };
    if (!relayed)
        QVERIFY2(QTest::qWaitFor(reported, boundMs), qPrintable(warnings.messages().join(QLatin1Char('\n'))));

    // A connector of the same signal made later hears of it too.
    const auto later = ExternalMediaManagerDBusConnector::createAndConnect(module, objectNameOf(2));
    QSignalSpy laterErrors(later.data(), &DBusConnectorBase::dBusConnectionErrorOccurred);

    QDBusMessage sent = QDBusMessage::createSignal(pathOf(1), QStringLiteral("com.vantelo.ExternalMedia"),
                                                   QStringLiteral("determineAvailableFunctionsFinished"));
    sent << module << QVariant::fromValue(QDBusVariant(42));
    QVERIFY(owner.send(sent));
    QVERIFY(settled(owner));
    if (relayed) {
        QCOMPARE(signal.count(), 1);
        QCOMPARE(signal.constFirst().value(1).value<QDBusVariant>().variant(), QVariant(42));
        QCOMPARE(errors.count(), 0);
        QCOMPARE(laterErrors.count(), 0);
        QCOMPARE(warnings.messages(), QStringList());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(laterErrors.count(), 1, boundMs);
        QCOMPARE(signal.count(), 0);
        QVERIFY(reported());
    }
}

void RelayLimitsTest::signalsArriveAsQtDeliversThem_data()
{
    // What the object sends, how often connectServices() ran, and what arrives.
    QTest::addColumn<QVariantList>("sent");
    QTest::addColumn<int>("connects");
    QTest::addColumn<QStringList>("arrived");
    const QStringList one(QStringLiteral("one"));
    QTest::newRow("its argument") << QVariantList{QStringLiteral("one")} << 1 << one;
    QTest::newRow("more arguments than the signal takes") << QVariantList{QStringLiteral("one"), 2, true} << 1 << one;
    QTest::newRow("no argument") << QVariantList() << 1 << QStringList();
    QTest::newRow("an argument of another type") << QVariantList{2} << 1 << QStringList();
    QTest::newRow("connected twice, arrives once") << QVariantList{QStringLiteral("one")} << 2 << one;
}

void RelayLimitsTest::signalsArriveAsQtDeliversThem()
{
    QFETCH(QVariantList, sent);
    QFETCH(int, connects);
    QFETCH(QStringList, arrived);
    PrivateBus bus;
    QDBusConnection owner(QString{});
    QVERIFY(startBus(&bus, &owner));
    const auto connector = ConfigurationFileHandlerDBusConnector::createAndConnect(module, objectNameOf(1));
    QStringList relayed;
    connect(connector.data(), &ConfigurationFileHandlerDBusConnector::configurationChanged, this,
            [&relayed](const QString& instance) { relayed.append(instance); });
    for (int n = 1; n < connects; ++n)
        QVERIFY(QMetaObject::invokeMethod(connector.data(), "connectServices"));
    QVERIFY(settled(owner));

    QDBusMessage signal = QDBusMessage::createSignal(pathOf(1), QStringLiteral("com.vantelo.Configuration"),
                                                     QStringLiteral("configurationChanged"));
    signal.setArguments(sent);
    QVERIFY(owner.send(signal));
    QVERIFY(settled(owner));
    QCOMPARE(relayed, arrived);

    // One disconnectServices() undoes them all.
    QVERIFY(QMetaObject::invokeMethod(connector.data(), "disconnectServices"));
    QVERIFY(owner.send(signal));
    QVERIFY(settled(owner));
    QCOMPARE(relayed, arrived);
}

QTEST_GUILESS_MAIN(RelayLimitsTest)
#include "tst_relaylimits.moc"
