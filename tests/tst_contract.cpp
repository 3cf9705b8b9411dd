#include "ConnectorTable.h"
#include "InterfaceCatalogue.h"
#include "SimulatorControl.h"
#include "UiStatusInformationItem.h"
#include "VanteloDefinitions.h"

#include <QDBusMetaType>
#include <QMetaMethod>
#include <QSet>
#include <QtTest>

// The interface descriptions in interfaces/ and the connectors must not drift
// apart: every operation sends a method its interface describes, every
// described method is sent by some operation, and likewise for signals.
class ContractTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void operationsMatchTheDescribedMethods();
    void relayedSignalsMatchTheDescribedSignals();

private:
    InterfaceCatalogue m_catalogue;
    SimulatorControl m_simulator;
};

void ContractTest::initTestCase()
{
    SimulatorControl::requirePrivateBusWithSimulator();
    QString error;
    QVERIFY2(m_catalogue.load(QStringLiteral(VANTELO_INTERFACES_DIR), &error), qPrintable(error));
    QVERIFY(m_simulator.ownName(VanteloDefinitions::serviceNameOfModule(VanteloDefinitions::getModuleName())));
}

void ContractTest::operationsMatchTheDescribedMethods()
{
    QSet<QString> sent;
    for (const ConnectorEntry& entry : connectorTable()) {
        const auto connector = entry.create(VanteloDefinitions::getModuleName(), entry.defaultObject);
        const InterfaceCatalogue::Interface* interface = m_catalogue.find(connector->getInterfaceName());
        QVERIFY2(interface, qPrintable(connector->getInterfaceName()));
        for (const OperationEntry& operation : entry.operations) {
            QVariantList arguments;
            for (const QString& type : operation.parameterTypes) {
                arguments.append(type == QLatin1String("bool") ? QVariant(true)
                                 : type == QLatin1String("item") ? QVariant::fromValue(UiStatusInformationItem())
                                                                 : QVariant(QStringLiteral("word")));
            }
            m_simulator.clearCalls();
            operation.run(*connector, arguments);
            const QList<RecordedCall> calls = m_simulator.calls();
            const QString where = entry.className + QStringLiteral("::") + operation.name;
            QVERIFY2(calls.size() == 1, qPrintable(where));
            const RecordedCall& call = calls.first();
            QVERIFY2(interface->methods.contains(call.member), qPrintable(where + QStringLiteral(" sends ") + call.member));
            QVERIFY2(interface->methods.value(call.member).signature == call.signature,
                     qPrintable(where + QStringLiteral(" sends (") + call.signature + QLatin1Char(')')));
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

void ContractTest::relayedSignalsMatchTheDescribedSignals()
{
    QSet<QString> relayed;
    for (const ConnectorEntry& entry : connectorTable()) {
        const auto connector = entry.create(VanteloDefinitions::getModuleName(), entry.defaultObject);
        const QMetaObject* metaObject = connector->metaObject();
        const InterfaceCatalogue::Interface* interface = m_catalogue.find(connector->getInterfaceName());
        int own = 0;
        for (int i = DBusConnectorBase::staticMetaObject.methodCount(); i < metaObject->methodCount(); ++i) {
            const QMetaMethod signal = metaObject->method(i);
            if (signal.methodType() != QMetaMethod::Signal)
                continue;
            ++own;
            QString signature;
            for (int p = 0; p < signal.parameterCount(); ++p)
                signature += QLatin1String(QDBusMetaType::typeToSignature(signal.parameterType(p)));
            const QString name = QString::fromLatin1(signal.name());
            QVERIFY2(interface->signalMembers.contains(name), qPrintable(name));
            QCOMPARE(interface->signalMembers.value(name).signature, signature);
            relayed.insert(connector->getInterfaceName() + QLatin1Char('.') + name);
        }
        QCOMPARE(own, entry.relayedSignals.size());
    }
    for (const QString& name : m_catalogue.names()) {
        for (const QString& signal : m_catalogue.find(name)->signalMembers.keys())
            QVERIFY2(relayed.contains(name + QLatin1Char('.') + signal), qPrintable(name + QLatin1Char('.') + signal));
    }
}

QTEST_GUILESS_MAIN(ContractTest)
#include "tst_contract.moc"
