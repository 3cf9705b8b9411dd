#include "ConfigurationDataFileHandlerDBusConnector.h"
#include "ConfigurationFileHandlerDBusConnector.h"
#include "SelectorDataDBusConnector.h"
#include "SimulatorControl.h"
#include "UiStatusInformationDataDBusConnector.h"
#include "VanteloDefinitions.h"
#include "WarningLog.h"

#include <QDBusArgument>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

namespace {
const QString plcModule = QStringLiteral("Plc");
const QString hmiModule = QStringLiteral("Hmi");
const QString configurationObject = QStringLiteral("Configuration");
const QString dataObject = QStringLiteral("ConfigurationData");
const QString s1 = QStringLiteral("one"), s2 = QStringLiteral("two"), s3 = QStringLiteral("three"),
              s4 = QStringLiteral("four"), s5 = QStringLiteral("five"), s6 = QStringLiteral("six");

// The first n of the strings above, as they should arrive.
QVariantList strings(int n)
{
    return QVariantList{s1, s2, s3, s4, s5, s6}.mid(0, n);
}

// The signature that values of these types make; a list stands for a struct.
QString signatureOf(const QVariantList& values)
{
    QString signature;
    for (const QVariant& value : values) {
        if (value.userType() == QMetaType::QVariantList)
            signature += QLatin1Char('(') + signatureOf(value.toList()) + QLatin1Char(')');
        else
            signature += value.userType() == QMetaType::Bool ? 'b' : value.userType() == QMetaType::Int ? 'i' : 's';
    }
    return signature;
}

// A struct as it arrived, field by field.
QVariantList structFields(const QDBusArgument& argument)
{
    QVariantList fields;
    argument.beginStructure();
    while (!argument.atEnd())
        fields.append(argument.asVariant());
    argument.endStructure();
    return fields;
}

// Opens the interface, which connectors keep protected, to the test.
class TimeoutProbe : public ConfigurationDataFileHandlerDBusConnector
{
public:
    using ConfigurationDataFileHandlerDBusConnector::ConfigurationDataFileHandlerDBusConnector;
    QSharedPointer<QDBusInterface> interface() const { return dBusInterface; }
};
} // namespace

class ConfigurationConnectorsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void everyOperationSendsItsCall();
    void requestsWaitLongAndRestoreTheTimeout();
    void selectorObjectNameFollowsTheModule();
    void configurationSignalsAreRelayed();

private:
    SimulatorControl m_simulator;
};

void ConfigurationConnectorsTest::initTestCase()
{
    SimulatorControl::requirePrivateBusWithSimulator();
    QVERIFY(m_simulator.ownName(VanteloDefinitions::serviceNameOfModule(plcModule)));
    QVERIFY(m_simulator.ownName(VanteloDefinitions::serviceNameOfModule(hmiModule)));
}

void ConfigurationConnectorsTest::init()
{
    m_simulator.reset();
}

void ConfigurationConnectorsTest::everyOperationSendsItsCall()
{
    const auto config = ConfigurationFileHandlerDBusConnector::createAndConnect(plcModule, configurationObject);
    const auto data = ConfigurationDataFileHandlerDBusConnector::createAndConnect(plcModule, dataObject);
    const auto selector = SelectorDataDBusConnector::createAndConnect(plcModule, QStringLiteral("ProcessData"));
    const auto ui = UiStatusInformationDataDBusConnector::createAndConnect(hmiModule, QStringLiteral("UiStatus"));
    QCOMPARE(config->getConnectionMode(), DBusConnectorBase::FollowService);
    QCOMPARE(data->getConnectionMode(), DBusConnectorBase::StartOnDemand);
    QCOMPARE(selector->getConnectionMode(), DBusConnectorBase::FollowService);
    QCOMPARE(ui->getConnectionMode(), DBusConnectorBase::StartOnDemand);

    UiStatusInformationItem item;
    item.setUuid(s1);
    item.setSource(s2);
    item.setCategory(s3);
    item.setTitle(s4);
    item.setText(s5);
    item.setIconName(s6);
    item.setTimestamp(QStringLiteral("seven"));
    item.setAction(QStringLiteral("eight"));
    item.setPriority(UiStatusInformationItemPriority(9));
    const QVariant itemStruct = strings(6) << QStringLiteral("seven") << QStringLiteral("eight") << 9;

    struct Row
    {
        const DBusConnectorBase* target;
        std::function<void()> call;
        const char* member;
        QVariantList arguments;
    };
    const DBusConnectorBase *cfg = config.data(), *dat = data.data(), *sel = selector.data(), *uis = ui.data();
    const QList<Row> rows = {
        {cfg, [&] { config->getConfigurationAsynchron(s1, s2, s3); }, "getConfiguration", strings(3)},
        {cfg, [&] { config->getStaticTextAsynchron(s1, s2, s3); }, "getStaticText", strings(3)},
        {cfg, [&] { config->getConfigurationWithSessionIdAsynchron(s1, s2, s3, s4); }, "getConfigurationWithSessionId",
         strings(4)},
        {cfg, [&] { config->getDynamicTextAsynchron(s1, s2, s3, s4); }, "getDynamicText", strings(4)},
        {cfg, [&] { config->getConfigurationUntranslatedAsynchron(s1, s2); }, "getConfigurationUntranslated",
         strings(2)},
        {cfg, [&] { config->getJavaScriptConfigurationDependencyAsynchron(s1, s2); },
         "getJavaScriptConfigurationDependency", strings(2)},
        {cfg, [&] { config->getListOfInstancesAsynchron(s1, s2); }, "getListOfInstances", strings(2)},
        {cfg, [&] { config->setConfigurationAsynchron(s1, s2, s3, s4, true); }, "setConfiguration",
         strings(4) << true},
        {cfg, [&] { config->setConfigurationWithSessionIdAsynchron(s1, s2, s3, s4, s5, true); },
         "setConfigurationWithSessionId", strings(5) << true},
        {cfg, [&] { config->getNumberOfInstancesAsynchron(s1); }, "getNumberOfInstances", strings(1)},
        {cfg, [&] { config->getListOfNodeInstancesAsynchron(s1); }, "getListOfNodeInstances", strings(1)},
        {cfg, [&] { config->getConfiguration(s1, s2, s3); }, "getConfiguration", strings(3)},
        {cfg, [&] { config->getConfigurationElement(s1, s2, s3); }, "getConfigurationElement", strings(3)},
        {cfg, [&] { config->getConfigurationElementValue(s1, s2, s3); }, "getConfigurationElementValue", strings(3)},
        {cfg, [&] { config->getManifestNodeElement(s1, s2, s3); }, "getManifestNodeElement", strings(3)},
        {cfg, [&] { config->getStaticText(s1, s2, s3); }, "getStaticText", strings(3)},
        {cfg, [&] { config->getConfigurationWithSessionId(s1, s2, s3, s4); }, "getConfigurationWithSessionId",
         strings(4)},
        {cfg, [&] { config->getDynamicText(s1, s2, s3, s4); }, "getDynamicText", strings(4)},
        {cfg, [&] { config->getConfigurationUntranslated(s1, s2); }, "getConfigurationUntranslated", strings(2)},
        {cfg, [&] { config->getJavaScriptConfigurationDependency(s1, s2); }, "getJavaScriptConfigurationDependency",
         strings(2)},
        {cfg, [&] { config->getListOfInstances(s1, s2); }, "getListOfInstances", strings(2)},
        {cfg, [&] { config->setConfiguration(s1, s2, s3, s4, false); }, "setConfiguration", strings(4) << false},
        {cfg, [&] { config->setConfigurationWithSessionId(s1, s2, s3, s4, s5, false); },
         "setConfigurationWithSessionId", strings(5) << false},
        {cfg, [&] { config->getNumberOfInstances(QString()); }, "getNumberOfInstances", {QString()}},
        {cfg, [&] { config->getListOfNodeInstances(s1); }, "getListOfNodeInstances", strings(1)},
        {dat, [&] { data->requestConfigurationWrite(s1, s2); }, "requestConfigurationWrite", strings(2)},
        {dat, [&] { data->requestConfigurationExport(s1, s2, true); }, "requestConfigurationExport",
         strings(2) << true},
        {sel, [&] { selector->getListOfInstancesAsynchron(s1, s2); }, "getListOfInstances", strings(2)},
        {sel, [&] { selector->getListOfInstances(s1, s2); }, "getListOfInstances", strings(2)},
        {sel, [&] { selector->getSelectorText(s1, s2, s3, s4, s5, s6); }, "getDynamicSelectorText", strings(6)},
        {uis, [&] { ui->getUiStatusInformationItemList(s1); }, "getUiStatusInformationItemList", strings(1)},
        {uis, [&] { ui->getUiStatusInformationItem(s1, s2); }, "getUiStatusInformationItem", strings(2)},
        {uis, [&] { ui->addUiStatusInformationItem(item); }, "addUiStatusInformationItem", {itemStruct}},
        {uis, [&] { ui->removeUiStatusInformationItem(item); }, "removeUiStatusInformationItem", {itemStruct}},
    };

    WarningLog quiet; // the fetches complain about the simulator's plain answer
    for (const Row& row : rows) {
        m_simulator.clearCalls();
        row.call();
        // Asynchronous calls too have arrived: the simulator is asked on the same connection.
        const QList<RecordedCall> calls = m_simulator.calls();
        QCOMPARE(calls.size(), 1);
        const RecordedCall& call = calls.first();
        QCOMPARE(call.member, QLatin1String(row.member));
        QCOMPARE(call.path, row.target->getDBusPath());
        QCOMPARE(call.interface, row.target->getInterfaceName());
        QCOMPARE(call.signature, signatureOf(row.arguments));
        QCOMPARE(call.arguments.size(), row.arguments.size());
        for (int i = 0; i < row.arguments.size(); ++i) {
            QVariant sent = call.arguments.at(i);
            if (sent.userType() == qMetaTypeId<QDBusArgument>())
                sent = structFields(qvariant_cast<QDBusArgument>(sent));
            QCOMPARE(sent, row.arguments.at(i));
        }
    }
    QCOMPARE(config->getInterfaceName(), QStringLiteral("com.vantelo.Configuration"));
    QCOMPARE(data->getInterfaceName(), QStringLiteral("com.vantelo.ConfigurationData"));
    QCOMPARE(selector->getInterfaceName(), QStringLiteral("com.vantelo.SelectorData"));
    QCOMPARE(ui->getInterfaceName(), QStringLiteral("com.vantelo.UiStatusInformationData"));
}

void ConfigurationConnectorsTest::requestsWaitLongAndRestoreTheTimeout()
{
    QSharedPointer<TimeoutProbe> probe(new TimeoutProbe(plcModule, dataObject));
    probe->initObject();
    const QSharedPointer<QDBusInterface> interface = probe->interface();
    const QString write = QStringLiteral("requestConfigurationWrite");
    const QString exportName = QStringLiteral("requestConfigurationExport");

    // Answers too late for the interface's own time-out, in time for the request's.
    m_simulator.setDelay(write, 300);
    m_simulator.setDelay(exportName, 300);
    for (const bool fails : {false, true}) {
        if (fails) {
            m_simulator.setError(write, QStringLiteral("com.vantelo.Error.Failed"), QStringLiteral("disk full"));
            m_simulator.setError(exportName, QStringLiteral("com.vantelo.Error.Failed"), QStringLiteral("disk full"));
        }
        for (const auto& request : QList<std::function<DBusReply()>>{
                 [&] { return probe->requestConfigurationWrite(s1, s2); },
                 [&] { return probe->requestConfigurationExport(s1, s2, true); }}) {
            interface->setTimeout(1);
            WarningLog log;
            const QString error = request().getError().getErrorMessage();
            QVERIFY2(fails ? error.endsWith(QStringLiteral(" failed: disk full!")) : error.isEmpty(),
                     qPrintable(error));
            QCOMPARE(interface->timeout(), 1);
        }
    }

    // Not initialised: there is no interface to change, and the call says why it failed.
    TimeoutProbe bare(plcModule, dataObject);
    WarningLog log;
    const QString error = bare.requestConfigurationExport(s1, s2, false).getError().getErrorMessage();
    QVERIFY2(error.endsWith(QStringLiteral("not initialised")), qPrintable(error));
}

void ConfigurationConnectorsTest::selectorObjectNameFollowsTheModule()
{
    const QString manager = QStringLiteral("SpsConfigurationManager");
    const QList<QStringList> cases = {
        // module, object, resulting object
        {manager, QStringLiteral("AxisParameter"), QStringLiteral("AxisParameterSelectorData")},
        {manager, QStringLiteral("ParameterConfiguration"), QStringLiteral("ParameterConfigurationSelectorData")},
        {manager, QStringLiteral("Axis"), QStringLiteral("SelectorData")},
        {manager, QString(), QStringLiteral("SelectorData")},
        {manager, QStringLiteral("axisparameter"), QStringLiteral("SelectorData")},
        {manager.toLower(), QStringLiteral("AxisParameter"), QStringLiteral("AxisParameter")},
        {manager + QLatin1Char('X'), QStringLiteral("ConfigurationParameter"), QStringLiteral("SelectorDataParameter")},
        {plcModule, QStringLiteral("ConfigurationConfiguration"), QStringLiteral("SelectorDataSelectorData")},
        {plcModule, QStringLiteral("ProcessData/Configuration"), QStringLiteral("SelectorData/SelectorData")},
        {plcModule, QStringLiteral("Axis/ProcessDataX"), QStringLiteral("Axis/SelectorDataX")},
        {plcModule, QStringLiteral("configuration/processdata"), QStringLiteral("configuration/processdata")},
        {plcModule, QStringLiteral("Axis"), QStringLiteral("Axis")},
    };
    for (const QStringList& c : cases) {
        const SelectorDataDBusConnector connector(c.at(0), c.at(1));
        QCOMPARE(connector.getResultingObjectName(c.at(0), c.at(1)), c.at(2));
        QCOMPARE(connector.getDBusPath(), VanteloDefinitions::objectPathOfObject(c.at(2)));
    }
}

void ConfigurationConnectorsTest::configurationSignalsAreRelayed()
{
    const auto config = ConfigurationFileHandlerDBusConnector::createAndConnect(plcModule, configurationObject);
    const auto data = ConfigurationDataFileHandlerDBusConnector::createAndConnect(plcModule, dataObject);
    const QStringList messages{QStringLiteral("applied"), QStringLiteral("reboot")};

    struct Row
    {
        DBusConnectorBase* connector;
        const char* signal; // the remote signal bears the same name
        QVariantList arguments;
    };
    const QList<Row> rows = {
        {config.data(), SIGNAL(configurationChanged(QString)), {s1}},
        {config.data(), SIGNAL(configurationAccepted(QString)), {s2}},
        {config.data(), SIGNAL(configurationDataChanged()), {}},
        {data.data(), SIGNAL(applyConfigurationCompleted(bool, QStringList)), {true, messages}},
        {data.data(), SIGNAL(applyConfigurationCompleted(bool, QStringList)), {false, QStringList()}},
        {data.data(), SIGNAL(exportConfigurationEnd()), {}},
    };
    for (const Row& row : rows) {
        const QString name = QString::fromLatin1(row.signal + 1).section(QLatin1Char('('), 0, 0);
        QSignalSpy spy(row.connector, row.signal);
        m_simulator.emitSignal(row.connector->getDBusPath(), QStringLiteral("com.vantelo.Any"), name, row.arguments);
        QVERIFY2(spy.wait(10000), qPrintable(name));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0), row.arguments);
    }
}

QTEST_GUILESS_MAIN(ConfigurationConnectorsTest)
#include "tst_configurationconnectors.moc"
