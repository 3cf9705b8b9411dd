#include "SimulatedDevice.h"
#include "UiStatusInformationDataDBusConnector.h"
#include "VanteloDefinitions.h"
#include "WarningLog.h"

#include <QDBusMetaType>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

using Items = QList<UiStatusInformationItem>;

namespace {
const QString module = QStringLiteral("Hmi");
const QString anyInterface = QStringLiteral("com.vantelo.Any");
const QString statusInterface = QStringLiteral("com.vantelo.UiStatusInformationData");
const QString listMethod = QStringLiteral("getUiStatusInformationItemList");
const QString itemMethod = QStringLiteral("getUiStatusInformationItem");
const QString addMethod = QStringLiteral("addUiStatusInformationItem");
const QString removeMethod = QStringLiteral("removeUiStatusInformationItem");

UiStatusInformationItem makeItem(int n)
{
    const QString suffix = QString::number(n);
    UiStatusInformationItem item;
    item.setUuid(QStringLiteral("uuid-") + suffix);
    item.setSource(QStringLiteral("source-") + suffix);
    item.setCategory(QStringLiteral("category-") + suffix);
    item.setTitle(QStringLiteral("title-") + suffix);
    item.setText(QStringLiteral("text-") + suffix);
    item.setIconName(QStringLiteral("icon-") + suffix);
    item.setTimestamp(QStringLiteral("2026-01-0") + suffix);
    item.setAction(QStringLiteral("action-") + suffix);
    item.setPriority(UiStatusInformationItemPriority(-n));
    return item;
}

// Qt D-Bus names a type by its id in Qt 5, by its QMetaType in Qt 6.
template <typename T>
const char* dBusSignature()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QDBusMetaType::typeToSignature(QMetaType::fromType<T>());
#else
    return QDBusMetaType::typeToSignature(qMetaTypeId<T>());
#endif
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// The call's own two records, then the connector's.
QStringList failureLog(const QString& method, const QString& error, const char* connectorText)
{
    const QString callText = quoted(QStringLiteral("D-Bus call to method ") + method + QStringLiteral(" failed: ") +
                                    error + QLatin1Char('!'));
    return {callText, callText, QLatin1String(connectorText) + QLatin1Char(' ') + callText};
}
} // namespace

class UiStatusInformationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void failuresBecomeWarningsAndEmptyResults();
    void severalConnectorsRegisterAndRelay();

private:
    SimulatedDevice m_device;
};

void UiStatusInformationTest::initTestCase()
{
    QVERIFY2(m_device.attach(), qPrintable(m_device.errorString()));
    QVERIFY2(m_device.startService(module), qPrintable(m_device.errorString()));
}

void UiStatusInformationTest::init()
{
    QVERIFY2(m_device.reset(), qPrintable(m_device.errorString()));
}

void UiStatusInformationTest::failuresBecomeWarningsAndEmptyResults()
{
    const auto connector = UiStatusInformationDataDBusConnector::createAndConnect(module, QStringLiteral("UiStatus"));
    const QString errorName = QStringLiteral("com.vantelo.Error.Failed");
    const UiStatusInformationItem item = makeItem(1);
    const auto list = [&] { return connector->getUiStatusInformationItemList(QStringLiteral("all")); };
    const auto single = [&] {
        return Items{connector->getUiStatusInformationItem(QStringLiteral("all"), item.uuid())};
    };
    const auto add = [&] {
        connector->addUiStatusInformationItem(item);
        return Items();
    };
    const auto remove = [&] {
        connector->removeUiStatusInformationItem(item);
        return Items();
    };
    const Items three{makeItem(3), item, makeItem(2)};

    struct Case
    {
        std::function<void()> answer;
        std::function<Items()> call;
        Items expected;
        QStringList warnings;
    };
    const QList<Case> cases = {
        {[&] {
             QVERIFY2(m_device.setError(statusInterface, listMethod, errorName, QStringLiteral("gone")),
                      qPrintable(m_device.errorString()));
         },
         list,
         {},
         failureLog(listMethod, QStringLiteral("gone"),
                    "Failed to fetch UiStatusInformationItem list. Failed with the following error:")},
        {[&] {
             QVERIFY2(m_device.setReply(statusInterface, listMethod, 3, QStringLiteral("denied"), QString()),
                      qPrintable(m_device.errorString()));
         },
         list,
         {},
         {QStringLiteral("Failed to fetch UiStatusInformationItem list. Failed with the following error: \"denied\"")}},
        {[&] {
             QVERIFY2(m_device.setReply(statusInterface, listMethod, 0, QString(), QStringLiteral("plain")),
                      qPrintable(m_device.errorString()));
         },
         list,
         {},
         {QStringLiteral("Unable to extract UiStatusInformationItem list from dbus reply")}},
        {[&] {
             QVERIFY2(m_device.setReply(statusInterface, listMethod, 0, QString(), QVariant::fromValue(Items())),
                      qPrintable(m_device.errorString()));
         },
         list,
         {},
         {}},
        {[&] {
             QVERIFY2(m_device.setError(statusInterface, itemMethod, errorName, QString()),
                      qPrintable(m_device.errorString()));
         },
         single,
         {UiStatusInformationItem()},
         failureLog(itemMethod, QString(),
                    "Failed to fetch UiStatusInformationItem. Failed with the following error:")},
        {[&] {
             QVERIFY2(m_device.setReply(statusInterface, itemMethod, 0, QString(), QStringLiteral("plain")),
                      qPrintable(m_device.errorString()));
         },
         single,
         {UiStatusInformationItem()},
         {QStringLiteral("Unable to extract UiStatusInformationItem from dbus reply")}},
        // Values of another shape are refused, never read as items.
        {[&] {
             QVERIFY2(m_device.setReply(statusInterface, listMethod, 0, QString(), QVariant::fromValue(item)),
                      qPrintable(m_device.errorString()));
         },
         list,
         {},
         {QStringLiteral("Unable to extract UiStatusInformationItem list from dbus reply")}},
        {[&] {
             QVERIFY2(
                 m_device.setReply(statusInterface, listMethod, 0, QString(), QVariantMap{{QStringLiteral("k"), 1}}),
                 qPrintable(m_device.errorString()));
         },
         list,
         {},
         {QStringLiteral("Unable to extract UiStatusInformationItem list from dbus reply")}},
        {[&] {
             QVERIFY2(m_device.setReply(statusInterface, itemMethod, 0, QString(), QVariant::fromValue(three)),
                      qPrintable(m_device.errorString()));
         },
         single,
         {UiStatusInformationItem()},
         {QStringLiteral("Unable to extract UiStatusInformationItem from dbus reply")}},
        {[&] {
             QVERIFY2(
                 m_device.setReply(statusInterface, itemMethod, 0, QString(), QVariantMap{{QStringLiteral("k"), 1}}),
                 qPrintable(m_device.errorString()));
         },
         single,
         {UiStatusInformationItem()},
         {QStringLiteral("Unable to extract UiStatusInformationItem from dbus reply")}},
        {[&] {
             QVERIFY2(m_device.setError(statusInterface, addMethod, errorName, QStringLiteral("full")),
                      qPrintable(m_device.errorString()));
         },
         add,
         {},
         failureLog(addMethod, QStringLiteral("full"),
                    "Failed to add system information item. Failed with the following error:")},
        {[&] {
             QVERIFY2(m_device.setError(statusInterface, removeMethod, errorName, QStringLiteral("no")),
                      qPrintable(m_device.errorString()));
         },
         remove,
         {},
         failureLog(removeMethod, QStringLiteral("no"),
                    "Failed to remove system information item. Failed with the following error:")},
    };
    for (const Case& c : cases) {
        QVERIFY2(m_device.reset(), qPrintable(m_device.errorString()));
        c.answer();
        WarningLog log;
        QCOMPARE(c.call(), c.expected);
        QCOMPARE(log.messages(), c.warnings);
    }

    // A service that isn't there: the connector's warning comes last, and the call returns.
    const auto absent =
        UiStatusInformationDataDBusConnector::createAndConnect(QStringLiteral("Absent"), QStringLiteral("UiStatus"));
    WarningLog log;
    absent->removeUiStatusInformationItem(item);
    QCOMPARE(log.records().size(), 3);
    QVERIFY(log.messages().last().startsWith(QStringLiteral(
        "Failed to remove system information item. Failed with the following error: \"D-Bus call to method ")));
}

void UiStatusInformationTest::severalConnectorsRegisterAndRelay()
{
    const auto first = UiStatusInformationDataDBusConnector::createAndConnect(module, QStringLiteral("First"));
    const auto second = UiStatusInformationDataDBusConnector::createAndConnect(module, QStringLiteral("Second"));
    QCOMPARE(QByteArray(QMetaType::fromType<UiStatusInformationItem>().name()), QByteArray("UiStatusInformationItem"));
    QCOMPARE(QByteArray(QMetaType::fromType<Items>().name()), QByteArray("QList<UiStatusInformationItem>"));
    QCOMPARE(dBusSignature<UiStatusInformationItem>(), "(ssssssssi)");
    QCOMPARE(dBusSignature<Items>(), "a(ssssssssi)");

    QSignalSpy firstRemoved(first.data(), &UiStatusInformationDataDBusConnector::uiStatusInformationItemRemoved);
    QSignalSpy secondRemoved(second.data(), &UiStatusInformationDataDBusConnector::uiStatusInformationItemRemoved);
    QSignalSpy secondChanged(second.data(), &UiStatusInformationDataDBusConnector::uiStatusInformationItemChanged);

    // Sent in this order on one connection, so the last one arriving means all have.
    QVERIFY2(m_device.emitSignal(first->getDBusPath(), anyInterface, QStringLiteral("uiStatusInformationItemRemoved"),
                                 {QVariant::fromValue(makeItem(1))}),
             qPrintable(m_device.errorString()));
    QVERIFY2(m_device.emitSignal(second->getDBusPath(), anyInterface, QStringLiteral("uiStatusInformationItemRemoved"),
                                 {QVariant::fromValue(makeItem(2))}),
             qPrintable(m_device.errorString()));
    QVERIFY2(m_device.emitSignal(second->getDBusPath(), anyInterface, QStringLiteral("uiStatusInformationItemChanged"),
                                 {QStringLiteral("uuid-2")}),
             qPrintable(m_device.errorString()));
    QVERIFY(secondChanged.wait(10000));
    QCOMPARE(secondChanged.at(0).at(0).toString(), QStringLiteral("uuid-2"));
    QCOMPARE(firstRemoved.count(), 1);
    QCOMPARE(qvariant_cast<UiStatusInformationItem>(firstRemoved.at(0).at(0)), makeItem(1));
    QCOMPARE(secondRemoved.count(), 1);
    QCOMPARE(qvariant_cast<UiStatusInformationItem>(secondRemoved.at(0).at(0)), makeItem(2));
}

QTEST_GUILESS_MAIN(UiStatusInformationTest)
#include "tst_uistatusinformation.moc"
