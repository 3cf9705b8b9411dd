#include "ConfigurationDataFileHandlerDBusConnector.h"
#include "ConfigurationFileHandlerDBusConnector.h"
#include "SelectorDataDBusConnector.h"
#include "SimulatedDevice.h"
#include "VanteloDefinitions.h"
#include "WarningLog.h"

#include <QtTest>

#include <functional>

namespace {
const QString plcModule = QStringLiteral("Plc");
const QString configurationObject = QStringLiteral("Configuration");
const QString dataObject = QStringLiteral("ConfigurationData");
const QString s1 = QStringLiteral("one"), s2 = QStringLiteral("two");

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

    void requestsWaitLongAndRestoreTheTimeout();
    void selectorObjectNameFollowsTheModule();

private:
    SimulatedDevice m_device;
};

void ConfigurationConnectorsTest::initTestCase()
{
    QVERIFY2(m_device.attach(), qPrintable(m_device.errorString()));
    QVERIFY2(m_device.startService(plcModule), qPrintable(m_device.errorString()));
}

void ConfigurationConnectorsTest::init()
{
    QVERIFY2(m_device.reset(), qPrintable(m_device.errorString()));
}

void ConfigurationConnectorsTest::requestsWaitLongAndRestoreTheTimeout()
{
    QSharedPointer<TimeoutProbe> probe(new TimeoutProbe(plcModule, dataObject));
    probe->initObject();
    const QSharedPointer<QDBusInterface> interface = probe->interface();
    const QString write = QStringLiteral("requestConfigurationWrite");
    const QString exportName = QStringLiteral("requestConfigurationExport");

    // Answers too late for the interface's own time-out, in time for the request's.
    QVERIFY2(m_device.setDelay(probe->getInterfaceName(), write, 300), qPrintable(m_device.errorString()));
    QVERIFY2(m_device.setDelay(probe->getInterfaceName(), exportName, 300), qPrintable(m_device.errorString()));
    for (const bool fails : {false, true}) {
        if (fails) {
            QVERIFY2(m_device.setError(probe->getInterfaceName(), write, QStringLiteral("com.vantelo.Error.Failed"),
                                       QStringLiteral("disk full")),
                     qPrintable(m_device.errorString()));
            QVERIFY2(m_device.setError(probe->getInterfaceName(), exportName,
                                       QStringLiteral("com.vantelo.Error.Failed"), QStringLiteral("disk full")),
                     qPrintable(m_device.errorString()));
        }
        for (const auto& request :
             QList<std::function<DBusReply()>>{[&] { return probe->requestConfigurationWrite(s1, s2); },
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

QTEST_GUILESS_MAIN(ConfigurationConnectorsTest)
#include "tst_configurationconnectors.moc"
