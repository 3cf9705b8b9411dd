// How much the connectors add to a D-Bus round trip.
//
// Runs on a private bus against the bare simulator and compares, in the same
// run, each connector path with the plain Qt D-Bus calls it is built on. The
// numbers are ratios: the machine may be busy, the comparison stays fair.

#include "DBusConnection.h"
#include "DBusControllerConnector.h"
#include "DBusDeviceInfoConnector.h"
#include "DBusReply.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {
const QString module = QStringLiteral("Bench");
const QString object = QStringLiteral("Bench");
const int rounds = 5;

// The best of a few rounds of n repetitions, in nanoseconds per repetition.
double measure(int n, const std::function<void()>& work)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < n; ++i)
            work();
        best = std::min(best, timer.nsecsElapsed());
    }
    return double(best) / n;
}

void report(QTextStream& out, const char* what, double connector, double plain)
{
    out << qSetFieldWidth(44) << Qt::left << what << qSetFieldWidth(0) << QString::number(connector / 1000, 'f', 1)
        << " us vs " << QString::number(plain / 1000, 'f', 1) << " us plain: ratio "
        << QString::number(connector / plain, 'f', 2) << '\n';
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QDBusConnection bus = DBusConnection::getQDBusConnection();
    // The simulator may still be starting.
    const QDeadlineTimer deadline(10000);
    while (bus.isConnected() && !bus.interface()->isServiceRegistered(QStringLiteral("com.vantelo.Simulator")) &&
           !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const QString service = QStringLiteral("com.vantelo.") + module;
    QDBusMessage own = QDBusMessage::createMethodCall(QStringLiteral("com.vantelo.Simulator"), QStringLiteral("/com/vantelo/Simulator"),
                                                      QStringLiteral("com.vantelo.Simulator.Control"),
                                                      QStringLiteral("OwnName"));
    own << service;
    if (!bus.isConnected() || bus.call(own).type() != QDBusMessage::ReplyMessage) {
        QTextStream(stderr) << "bench: needs the simulator on a private bus (tools/bench runs it so)\n";
        return 1;
    }

    const auto controller = DBusControllerConnector::createAndConnect(module, object);
    const auto device = DBusDeviceInfoConnector::createAndConnect(module, object);
    QDBusInterface plain(service, controller->getDBusPath(), controller->getInterfaceName(), bus);
    const QString argument = QStringLiteral("instance");

    const double blocking = measure(2000, [&] { controller->getListOfInstances(argument); });
    const double plainBlocking = measure(2000, [&] {
        DBusReply reply;
        const QDBusReply<QDBusVariant> answer = plain.call(QStringLiteral("getListOfInstances"), argument);
        qvariant_cast<QDBusArgument>(answer.value().variant()) >> reply;
    });
    report(out, "blocking call with decoded envelope", blocking, plainBlocking);

    const int inFlight = 200;
    const double asynchronous = measure(10, [&] {
        QList<DBusPendingReply::SharedPointer> pending;
        for (int i = 0; i < inFlight; ++i)
            pending.append(device->getListOfInstancesAsynchron(argument));
        for (const auto& reply : pending)
            reply->getReply();
    }) / inFlight;
    const double plainAsynchronous = measure(10, [&] {
        QList<QDBusPendingCall> pending;
        for (int i = 0; i < inFlight; ++i)
            pending.append(plain.asyncCall(QStringLiteral("getListOfInstances"), argument));
        for (const auto& call : pending) {
            DBusReply reply;
            const QDBusReply<QDBusVariant> answer(call);
            qvariant_cast<QDBusArgument>(answer.value().variant()) >> reply;
        }
    }) / inFlight;
    report(out, "asynchronous call, 200 in flight", asynchronous, plainAsynchronous);

    const double creation = measure(200, [&] { DBusControllerConnector::createAndConnect(module, object); });
    const double plainCreation = measure(200, [&] {
        QDBusInterface fresh(service, controller->getDBusPath(), controller->getInterfaceName(), bus);
        bus.interface()->isServiceRegistered(service);
    });
    report(out, "making a connector (following its service)", creation, plainCreation);
    return 0;
}
