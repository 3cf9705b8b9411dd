#include "ConnectorExpectations.h"
#include "ConnectorTable.h"
#include "InterfaceCatalogue.h"
#include "SimulatedDevice.h"
#include "StatusItemMap.h"
#include "UiStatusInformationItem.h"
#include "VanteloDefinitions.h"
#include "WarningLog.h"

#include <QDBusVariant>
#include <QtTest>

// The connector table that the client and the QML module share: complete
// against the interface descriptions, call modes as the connectors have them,
// arguments checked by type, and answers and signals as Qt values.
class CatalogueTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void tableMatchesInterfaceDescriptions();
    void callModesAreTheConnectorsOwn();
    void argumentsAreCheckedByType_data();
    void argumentsAreCheckedByType();
    void outcomesHoldQtValues_data();
    void outcomesHoldQtValues();
    void relayedSignalsArriveAsQtValues();

private:
    SimulatedDevice m_device;
    InterfaceCatalogue m_descriptions;
};

namespace {
const QString module = VanteloDefinitions::getModuleName();
const QString controlInterface = QStringLiteral("com.vantelo.Simulator.Control");
const int waitMs = 5000;

QSharedPointer<DBusConnectorBase> create(const ConnectorEntry& entry)
{
    return entry.create(module, entry.defaultObject);
}

// An item map as its fields in bus order, as comparable() gives a sent item.
QVariant fieldsOf(const QVariant& value)
{
    if (value.userType() == QMetaType::QVariantList) {
        QVariantList list;
        for (const QVariant& element : value.toList())
            list.append(fieldsOf(element));
        return list;
    }
    if (value.userType() != QMetaType::QVariantMap)
        return comparable(value);
    QStringList fields;
    for (const QString& name : StatusItemMap::fieldNames())
        fields.append(value.toMap().value(name).toString());
    return fields;
}

OperationEntry::CallMode modeOf(CallMode expected)
{
    switch (expected) {
    case CallMode::Blocking:
        return OperationEntry::CallMode::Blocking;
    case CallMode::NoWait:
        return OperationEntry::CallMode::NoWait;
    case CallMode::Asynchronous:
        return OperationEntry::CallMode::Asynchronous;
    case CallMode::UiStatus:
        break;
    }
    return OperationEntry::CallMode::UiStatus;
}

// The Qt type a relayed argument comes as: an item as a map, the rest as the Qt signal carries it.
int qtTypeOf(const QString& signature)
{
    static const QHash<QString, int> types{
        {QStringLiteral("s"), QMetaType::QString},
        {QStringLiteral("b"), QMetaType::Bool},
        {QStringLiteral("i"), QMetaType::Int},
        {QStringLiteral("as"), QMetaType::QStringList},
        {QStringLiteral("v"), qMetaTypeId<QDBusVariant>()},
        {StatusItemMap::signature(), QMetaType::QVariantMap},
    };
    return types.value(signature, QMetaType::UnknownType);
}

QVariantMap fields(std::initializer_list<std::pair<QString, QVariant>> list)
{
    QVariantMap map;
    for (const auto& field : list)
        map.insert(field.first, field.second);
    return map;
}
} // namespace

void CatalogueTest::initTestCase()
{
    QVERIFY2(m_device.attach(), qPrintable(m_device.errorString()));
    QString error;
    QVERIFY2(m_descriptions.load(QStringLiteral(VANTELO_INTERFACES_DIR), &error), qPrintable(error));
    for (const QString& service : expectedServices())
        QVERIFY2(m_device.startService(service), qPrintable(m_device.errorString()));
}

void CatalogueTest::init()
{
    QVERIFY2(m_device.reset(), qPrintable(m_device.errorString()));
}

void CatalogueTest::tableMatchesInterfaceDescriptions()
{
    // Every operation calls a described method with its signature, every
    // relayed signal is described with its signature...
    QSet<QString> reached;
    for (const ConnectorEntry& entry : connectorTable()) {
        const QString interface = create(entry)->getInterfaceName();
        const InterfaceCatalogue::Interface* described = m_descriptions.find(interface);
        QVERIFY2(described, qPrintable(interface));
        for (const OperationEntry& operation : entry.operations) {
            const QString where = entry.className + QStringLiteral("::") + operation.name;
            QVERIFY2(described->methods.contains(operation.member), qPrintable(where));
            QCOMPARE(operation.signature(), described->methods.value(operation.member).signature);
            reached.insert(interface + QLatin1Char('.') + operation.member);
        }
        QStringList relayed;
        for (const SignalEntry& signal : entry.relayedSignals) {
            relayed.append(signal.name);
            QVERIFY2(described->signalMembers.contains(signal.name), qPrintable(signal.name));
            QCOMPARE(signal.parameterTypes.join(QString()), described->signalMembers.value(signal.name).signature);
            QCOMPARE(signal.parameterNames, described->signalMembers.value(signal.name).argumentNames);
        }
        // ...and every described signal is relayed.
        QStringList describedSignals = described->signalMembers.keys();
        describedSignals.sort();
        relayed.sort();
        QCOMPARE(relayed, describedSignals);
    }
    // Every described method has an operation.
    for (const QString& name : m_descriptions.names()) {
        if (name == controlInterface)
            continue;
        for (const QString& method : m_descriptions.find(name)->methods.keys())
            QVERIFY2(reached.contains(name + QLatin1Char('.') + method), qPrintable(name + QLatin1Char('.') + method));
    }
}

void CatalogueTest::callModesAreTheConnectorsOwn()
{
    QCOMPARE(connectorTable().size(), connectorExpectations().size());
    for (const ConnectorExpectation& expected : connectorExpectations()) {
        const ConnectorEntry* entry = findConnector(expected.className);
        QVERIFY2(entry, qPrintable(expected.className));
        QCOMPARE(entry->operations.size(), expected.operations.size());
        for (const OperationExpectation& operation : expected.operations) {
            const OperationEntry* found = entry->operation(operation.name);
            QVERIFY2(found, qPrintable(expected.className + QStringLiteral("::") + operation.name));
            QVERIFY2(found->mode == modeOf(operation.mode), qPrintable(operation.name));
            QCOMPARE(found->resultType, operation.answerType);
        }
    }
}

void CatalogueTest::argumentsAreCheckedByType_data()
{
    QTest::addColumn<QString>("connector");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QVariantList>("given");
    QTest::addColumn<QString>("error"); // empty when accepted

    const QString info = QStringLiteral("device-info");
    const QString getInformation = QStringLiteral("getInformation");
    const QString status = QStringLiteral("ui-status");
    const QString add = QStringLiteral("addUiStatusInformationItem");
    const QString uuid = QStringLiteral("uuid");
    const QString priority = QStringLiteral("priority");
    const QString u1 = QStringLiteral("u1");
    const QString wholeNumber = QStringLiteral("item.priority must be a whole number");
    UiStatusInformationItem item;
    item.setUuid(u1);

    QTest::newRow("texts") << info << getInformation << QVariantList{u1, u1} << QString();
    QTest::newRow("a number for text") << info << getInformation << QVariantList{u1, 5}
                                       << QStringLiteral("informationName must be text");
    QTest::newRow("too few") << info << getInformation << QVariantList{u1}
                             << QStringLiteral("getInformation takes 2 argument(s), not 1");
    QTest::newRow("text for bool") << QStringLiteral("configuration") << QStringLiteral("setConfiguration")
                                   << QVariantList{u1, u1, u1, u1, QStringLiteral("true")}
                                   << QStringLiteral("persistent must be true or false");
    QTest::newRow("item, int priority") << status << add << QVariantList{fields({{uuid, u1}, {priority, -3}})}
                                        << QString();
    QTest::newRow("item, whole double priority")
        << status << add << QVariantList{fields({{uuid, u1}, {priority, 2.0}})} << QString();
    QTest::newRow("item as an item") << status << add << QVariantList{QVariant::fromValue(item)} << QString();
    QTest::newRow("item, bool priority") << status << add << QVariantList{fields({{uuid, u1}, {priority, true}})}
                                         << wholeNumber;
    QTest::newRow("item, priority beyond int32")
        << status << add << QVariantList{fields({{uuid, u1}, {priority, qlonglong(1) << 31}})} << wholeNumber;
    QTest::newRow("item, null title") << status << add
                                      << QVariantList{fields({{uuid, u1}, {QStringLiteral("title"), QVariant()}})}
                                      << QStringLiteral("item.title must be text");
    QTest::newRow("item without uuid") << status << add << QVariantList{QVariant::fromValue(UiStatusInformationItem())}
                                       << QStringLiteral("item.uuid is missing or empty");
    QTest::newRow("item as text") << status << add << QVariantList{u1}
                                  << QStringLiteral("item must be an item, a map of its fields");
}

void CatalogueTest::argumentsAreCheckedByType()
{
    QFETCH(QString, connector);
    QFETCH(QString, operation);
    QFETCH(QVariantList, given);
    QFETCH(QString, error);

    const OperationEntry* entry = findConnector(connector)->operation(operation);
    QVariantList prepared;
    QString refusal;
    QCOMPARE(entry->prepareArguments(given, &prepared, &refusal), error.isEmpty());
    QVERIFY2(refusal.startsWith(error), qPrintable(refusal));
    if (!error.isEmpty())
        return;
    // Each argument as the member function takes it; a map became the same item.
    QCOMPARE(prepared.size(), given.size());
    for (int i = 0; i < given.size(); ++i) {
        if (entry->parameterTypes.at(i) != StatusItemMap::signature()) {
            QCOMPARE(prepared.at(i), given.at(i));
            continue;
        }
        QCOMPARE(prepared.at(i).userType(), qMetaTypeId<UiStatusInformationItem>());
        const QVariantMap made = StatusItemMap::fromItem(qvariant_cast<UiStatusInformationItem>(prepared.at(i)));
        const QVariantMap map = given.at(i).userType() == QMetaType::QVariantMap
                                    ? given.at(i).toMap()
                                    : StatusItemMap::fromItem(qvariant_cast<UiStatusInformationItem>(given.at(i)));
        for (auto field = map.begin(); field != map.end(); ++field)
            QCOMPARE(made.value(field.key()).toString(), field.value().toString());
    }
}

void CatalogueTest::outcomesHoldQtValues_data()
{
    QTest::addColumn<QString>("connector");
    QTest::addColumn<QString>("operation");
    QTest::newRow("blocking") << QStringLiteral("device-info") << QStringLiteral("getInformation");
    QTest::newRow("without waiting") << QStringLiteral("display") << QStringLiteral("toggleDisplayState");
    QTest::newRow("asynchronous") << QStringLiteral("device-info") << QStringLiteral("getInformationAsynchron");
    QTest::newRow("items") << QStringLiteral("ui-status") << QStringLiteral("getUiStatusInformationItemList");
    QTest::newRow("one item") << QStringLiteral("ui-status") << QStringLiteral("getUiStatusInformationItem");
    QTest::newRow("no answer") << QStringLiteral("ui-status") << QStringLiteral("addUiStatusInformationItem");
}

void CatalogueTest::outcomesHoldQtValues()
{
    QFETCH(QString, connector);
    QFETCH(QString, operation);

    const ConnectorEntry* entry = findConnector(connector);
    const OperationEntry* called = entry->operation(operation);
    const auto instance = create(*entry);
    QVariantList arguments;
    QString error;
    QVERIFY2(called->prepareArguments(argumentValues(called->name, called->signature(), 0), &arguments, &error),
             qPrintable(error));
    const bool held =
        called->mode == OperationEntry::CallMode::NoWait || called->mode == OperationEntry::CallMode::Asynchronous;
    const QVariant answer = remoteValue(called->resultType.isEmpty() ? QStringLiteral("s") : called->resultType,
                                        QStringLiteral("answer"), 0);
    if (held)
        QVERIFY2(m_device.setNoReply(instance->getInterfaceName(), called->member), qPrintable(m_device.errorString()));
    else
        QVERIFY2(m_device.setReply(instance->getInterfaceName(), called->member, 0, QString(), answer),
                 qPrintable(m_device.errorString()));

    const WarningLog warnings;
    const CallOutcome outcome = called->invoke(*instance, arguments);
    QVERIFY2(warnings.records().isEmpty(), qPrintable(warnings.records().value(0).message));
    switch (called->mode) {
    case OperationEntry::CallMode::Blocking:
        QCOMPARE(outcome.reply.getValue(), answer);
        break;
    case OperationEntry::CallMode::NoWait:
        // Back while the service still holds the call.
        QVERIFY(!outcome.reply.isError() && !outcome.reply.getValue().isValid());
        QCOMPARE(m_device.releaseHeld(), 1);
        break;
    case OperationEntry::CallMode::Asynchronous:
        QVERIFY(outcome.pending && !outcome.pending->isFinished());
        QCOMPARE(m_device.releaseHeld(), 1);
        QVERIFY(QTest::qWaitFor([&outcome] { return outcome.pending->isFinished(); }, waitMs));
        QVERIFY(!outcome.pending->getReply().isError());
        break;
    case OperationEntry::CallMode::UiStatus:
        if (called->resultType.isEmpty()) {
            QVERIFY(!outcome.decoded.isValid());
            break;
        }
        // Maps with one key per field, alone or in a list.
        const QVariantList items =
            called->resultType == StatusItemMap::signature() ? QVariantList{outcome.decoded} : outcome.decoded.toList();
        QVERIFY(!items.isEmpty());
        for (const QVariant& item : items) {
            QCOMPARE(item.userType(), int(QMetaType::QVariantMap));
            QCOMPARE(item.toMap().keys().size(), StatusItemMap::fieldNames().size());
        }
        QCOMPARE(fieldsOf(outcome.decoded), comparable(answer));
        break;
    }
    QVERIFY(!outcome.pending || called->mode == OperationEntry::CallMode::Asynchronous);
}

void CatalogueTest::relayedSignalsArriveAsQtValues()
{
    for (const ConnectorEntry& entry : connectorTable()) {
        if (entry.relayedSignals.isEmpty())
            continue;
        const auto instance = create(entry);
        QList<QPair<QString, QVariantList>> received;
        for (const SignalEntry& signal : entry.relayedSignals) {
            signal.connect(*instance, [&received](const QString& name, const QVariantList& arguments) {
                received.append({name, arguments});
            });
        }
        for (const SignalEntry& signal : entry.relayedSignals) {
            QVERIFY2(m_device.emitSignal(instance->getDBusPath(), instance->getInterfaceName(), signal.name,
                                         remoteValues(signal.name, signal.parameterTypes.join(QString()), 0)),
                     qPrintable(m_device.errorString()));
        }
        QVERIFY2(QTest::qWaitFor([&] { return received.size() >= entry.relayedSignals.size(); }, waitMs),
                 qPrintable(entry.className));
        for (int i = 0; i < entry.relayedSignals.size(); ++i) {
            const SignalEntry& signal = entry.relayedSignals.at(i);
            QCOMPARE(received.at(i).first, signal.name);
            const QVariantList sent = remoteValues(signal.name, signal.parameterTypes.join(QString()), 0);
            const QVariantList& arguments = received.at(i).second;
            QCOMPARE(arguments.size(), sent.size());
            for (int a = 0; a < sent.size(); ++a) {
                QCOMPARE(arguments.at(a).userType(), qtTypeOf(signal.parameterTypes.at(a)));
                QCOMPARE(fieldsOf(arguments.at(a)), comparable(sent.at(a)));
            }
        }
    }
}

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
