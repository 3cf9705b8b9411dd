#include "ConnectorTable.h"
#include "InterfaceCatalogue.h"
#include "SimulatorControl.h"
#include "StatusItemRecord.h"
#include "UiStatusInformationItem.h"
#include "VanteloDefinitions.h"

#include <QDBusMetaType>
#include <QDBusVariant>
#include <QJsonObject>
#include <QMetaMethod>
#include <QSet>
#include <QtTest>

// What goes over the wire, for all connectors at once: every operation sends
// the method its interface describes, with its arguments in order; every
// relayed signal arrives with its arguments; and the interface descriptions in
// interfaces/ describe exactly what the connectors send and relay.
class ContractTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void operationsSendTheDescribedCalls();
    void relayedSignalsArriveWithTheirArguments();

private:
    InterfaceCatalogue m_catalogue;
    SimulatorControl m_simulator;
};

namespace {
const QString module = VanteloDefinitions::getModuleName();

// A value the simulator emits for one D-Bus type, and how the client shows it.
QPair<QVariant, QJsonValue> sample(QChar type, int position)
{
    const QString text = QStringLiteral("text-%1").arg(position);
    switch (type.unicode()) {
    case 'i':
        return {position, position};
    case 'b':
        return {true, true};
    case 'v':
        return {QVariant::fromValue(QDBusVariant(position)), position};
    case 'a':
        return {QStringList{text, text}, QJsonArray{text, text}};
    case '(': {
        StatusItemRecord item;
        item.texts[0] = text;
        item.priority = position;
        return {QVariant::fromValue(item), QJsonValue(text)}; // compared by uuid
    }
    default:
        return {text, text};
    }
}

// Splits a signature into the first character of each complete type.
QString typesOf(const QString& signature)
{
    QString types;
    int depth = 0;
    for (QChar c : signature) {
        if (depth == 0 && !(types.endsWith(QLatin1Char('a')) && c != QLatin1Char('(')))
            types += c;
        depth += c == QLatin1Char('(') ? 1 : c == QLatin1Char(')') ? -1 : 0;
    }
    return types;
}
} // namespace

void ContractTest::initTestCase()
{
    SimulatorControl::requirePrivateBusWithSimulator();
    qDBusRegisterMetaType<StatusItemRecord>();
    QString error;
    QVERIFY2(m_catalogue.load(QStringLiteral(VANTELO_INTERFACES_DIR), &error), qPrintable(error));
    QVERIFY(m_simulator.ownName(VanteloDefinitions::serviceNameOfModule(module)));
}

void ContractTest::init()
{
    m_simulator.reset();
}

void ContractTest::operationsSendTheDescribedCalls()
{
    QSet<QString> sent;
    for (const ConnectorEntry& entry : connectorTable()) {
        const auto connector = entry.create(module, entry.defaultObject);
        const InterfaceCatalogue::Interface* interface = m_catalogue.find(connector->getInterfaceName());
        QVERIFY2(interface, qPrintable(connector->getInterfaceName()));
        for (const OperationEntry& operation : entry.operations) {
            const QString where = entry.className + QStringLiteral("::") + operation.name;
            QVariantList arguments;
            for (int i = 0; i < operation.parameterTypes.size(); ++i) {
                UiStatusInformationItem item;
                item.setUuid(QStringLiteral("uuid-%1").arg(i));
                const QString& type = operation.parameterTypes.at(i);
                arguments.append(type == QLatin1String("bool")   ? QVariant(i % 2 == 0)
                                 : type == QLatin1String("item") ? QVariant::fromValue(item)
                                                                 : QVariant(QStringLiteral("%1-%2").arg(operation.name).arg(i)));
            }
            m_simulator.clearCalls();
            operation.run(*connector, arguments);

            const QList<RecordedCall> calls = m_simulator.calls();
            QVERIFY2(calls.size() == 1, qPrintable(where));
            const RecordedCall& call = calls.first();
            QCOMPARE(call.path, connector->getDBusPath());
            QCOMPARE(call.interface, connector->getInterfaceName());
            QVERIFY2(interface->methods.contains(call.member), qPrintable(where + QStringLiteral(" sends ") + call.member));
            QVERIFY2(interface->methods.value(call.member).signature == call.signature,
                     qPrintable(where + QStringLiteral(" sends (") + call.signature + QLatin1Char(')')));
            QCOMPARE(call.arguments.size(), arguments.size());
            for (int i = 0; i < arguments.size(); ++i) {
                if (operation.parameterTypes.at(i) == QLatin1String("item"))
                    QCOMPARE(qdbus_cast<StatusItemRecord>(call.arguments.at(i)).uuid(), QStringLiteral("uuid-%1").arg(i));
                else
                    QVERIFY2(call.arguments.at(i) == arguments.at(i), qPrintable(where));
            }
            sent.insert(call.interface + QLatin1Char('.') + call.member);
        }
    }
    for (const QString& name : m_catalogue.names()) {
        if (name == QLatin1String("com.vantelo.Simulator.Control"))
            continue;
        for (const QString& method : m_catalogue.find(name)->methods.keys())
            QVERIFY2(sent.contains(name + QLatin1Char('.') + method), qPrintable(name + QLatin1Char('.') + method));
    }
}

void ContractTest::relayedSignalsArriveWithTheirArguments()
{
    QSet<QString> relayed;
    for (const ConnectorEntry& entry : connectorTable()) {
        const auto connector = entry.create(module, entry.defaultObject);
        const InterfaceCatalogue::Interface* interface = m_catalogue.find(connector->getInterfaceName());

        // The connector's own signals are exactly those of its table and its description.
        const QMetaObject* metaObject = connector->metaObject();
        QStringList own;
        for (int i = DBusConnectorBase::staticMetaObject.methodCount(); i < metaObject->methodCount(); ++i) {
            const QMetaMethod signal = metaObject->method(i);
            if (signal.methodType() != QMetaMethod::Signal)
                continue;
            QString signature;
            for (int p = 0; p < signal.parameterCount(); ++p)
                signature += QLatin1String(QDBusMetaType::typeToSignature(signal.parameterType(p)));
            const QString name = QString::fromLatin1(signal.name());
            QVERIFY2(interface->signalMembers.contains(name), qPrintable(name));
            QCOMPARE(interface->signalMembers.value(name).signature, signature);
            own.append(name);
        }
        QCOMPARE(own.size(), entry.relayedSignals.size());

        QList<QPair<QString, QJsonArray>> received;
        for (const SignalEntry& signal : entry.relayedSignals) {
            signal.connect(*connector, [&received](const QString& name, const QJsonArray& arguments) {
                received.append({name, arguments});
            });
        }
        for (const SignalEntry& signal : entry.relayedSignals) {
            const QString types = typesOf(interface->signalMembers.value(signal.name).signature);
            QVariantList arguments;
            QJsonArray expected;
            for (int i = 0; i < types.size(); ++i) {
                const auto value = sample(types.at(i), i);
                arguments.append(value.first);
                expected.append(value.second);
            }
            // Any interface name of the object will do.
            received.clear();
            m_simulator.emitSignal(connector->getDBusPath(), QStringLiteral("com.vantelo.Other"), signal.name, arguments);
            QTRY_VERIFY2_WITH_TIMEOUT(received.size() == 1, qPrintable(signal.name), 10000);
            QCOMPARE(received.first().first, signal.name);
            QJsonArray arrived = received.first().second;
            for (int i = 0; i < arrived.size(); ++i) {
                if (arrived.at(i).isObject())
                    arrived[i] = arrived.at(i).toObject().value(QStringLiteral("uuid"));
            }
            QCOMPARE(arrived, expected);
            relayed.insert(connector->getInterfaceName() + QLatin1Char('.') + signal.name);
        }
    }
    for (const QString& name : m_catalogue.names()) {
        for (const QString& signal : m_catalogue.find(name)->signalMembers.keys())
            QVERIFY2(relayed.contains(name + QLatin1Char('.') + signal), qPrintable(name + QLatin1Char('.') + signal));
    }
}

QTEST_GUILESS_MAIN(ContractTest)
#include "tst_contract.moc"
