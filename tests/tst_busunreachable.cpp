#include "DBusControllerConnector.h"
#include "WarningLog.h"

#include <QtTest>

// Runs with VANTELO_DBUS_ADDRESS naming a bus that isn't there.
class BusUnreachableTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void connectorsSayWhichBusIsMissing()
    {
        const QString address = qEnvironmentVariable("VANTELO_DBUS_ADDRESS");
        QVERIFY(address.startsWith(QStringLiteral("unix:path=")));

        const auto controller = DBusControllerConnector::createAndConnect(QStringLiteral("SystemInformation"),
                                                                          QStringLiteral("ControllerData"));
        QVERIFY(!controller->isDBusInterfaceValid());
        const QString message = controller->getInvalidDBusInterfaceMessage();
        QVERIFY2(message.contains(QStringLiteral("the bus at ") + address + QStringLiteral(" is not reachable")),
                 qPrintable(message));

        WarningLog log;
        const DBusReply reply = controller->getListOfInstances(QStringLiteral("all"));
        QCOMPARE(reply.getError().getErrorMessage(), message);
        QCOMPARE(log.records().size(), 2);
    }
};

QTEST_GUILESS_MAIN(BusUnreachableTest)
#include "tst_busunreachable.moc"
