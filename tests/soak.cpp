// Long runs that must leave memory flat: blocking calls, asynchronous calls
// with at most 128 in flight, and connectors of every class made and
// released, against the bare simulator on a private bus (tools/soak runs it
// so). Prints the heap in use and the resident memory at intervals and fails
// when the heap grows by more than the bound once warmed up, or when any call
// fails. Resident memory also follows the allocator's pools and the pages it
// keeps or returns, which wander by about a MiB from run to run: it is shown,
// not judged.
//
//   soak [--scale F] [--bound-kib N]
//
// --scale 1 is the full run: 100,000 blocking calls, 100,000 asynchronous
// calls and 10,000 rounds of making and releasing all thirteen connectors.

#include "ConnectorExpectations.h"
#include "DBusConnection.h"
#include "DBusControllerConnector.h"
#include "DBusDeviceInfoConnector.h"
#include "SimulatedDevice.h"
#include "VanteloDefinitions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <functional>
#include <malloc.h>
#include <unistd.h>

namespace {
const QString module = VanteloDefinitions::getModuleName();
const int inFlight = 128;
const int reports = 10;

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

qint64 residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * (sysconf(_SC_PAGESIZE) / 1024);
}

// What the program holds on the heap, mapped blocks included.
qint64 heapKiB()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd) / 1024;
}

// Runs `step` `count` times and reports memory ten times; the growth counts
// from the first report on, once caches and pools have filled.
bool soak(const char* phase, int count, qint64 boundKiB, const std::function<bool(int)>& step)
{
    QElapsedTimer elapsed;
    elapsed.start();
    qint64 warm = 0;
    for (int i = 0; i < count; ++i) {
        if (!step(i)) {
            out() << phase << ": step " << i << " failed" << Qt::endl;
            return false;
        }
        if ((i + 1) % qMax(1, count / reports) == 0) {
            const qint64 heap = heapKiB();
            warm = warm ? warm : heap;
            out() << phase << ' ' << (i + 1) << '/' << count << ": heap " << heap << " KiB, growth " << (heap - warm)
                  << " KiB, resident " << residentKiB() << " KiB, " << elapsed.elapsed() << " ms" << Qt::endl;
        }
    }
    const qint64 growth = heapKiB() - warm;
    if (growth > boundKiB) {
        out() << phase << ": the heap grew by " << growth << " KiB, more than " << boundKiB << " KiB" << Qt::endl;
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser options;
    options.addOptions({{QStringLiteral("scale"), QStringLiteral("Fraction of the full run."), QStringLiteral("F"),
                         QStringLiteral("1")},
                        {QStringLiteral("bound-kib"), QStringLiteral("Allowed growth per phase."), QStringLiteral("N"),
                         QStringLiteral("1024")}});
    options.process(application);
    const double scale = options.value(QStringLiteral("scale")).toDouble();
    const qint64 bound = options.value(QStringLiteral("bound-kib")).toLongLong();
    const auto scaled = [scale](int full) { return qMax(reports, int(full * scale)); };

    SimulatedDevice simulator;
    if (!simulator.attach()) {
        qCritical("%s", qPrintable(simulator.errorString()));
        return 1;
    }
    // The controller and device below are served there too.
    for (const QString& service : expectedServices()) {
        if (!simulator.startService(service)) {
            qCritical("%s", qPrintable(simulator.errorString()));
            return 1;
        }
    }

    const auto controller = DBusControllerConnector::createAndConnect(module, QStringLiteral("ControllerData"));
    const QString argument = QStringLiteral("instance");
    const bool blocking = soak("blocking calls", scaled(100000), bound,
                               [&](int) { return !controller->getListOfInstances(argument).isError(); });

    // Keeps `inFlight` calls going: each answer starts the next call.
    const auto device = DBusDeviceInfoConnector::createAndConnect(module, QStringLiteral("DeviceInfo"));
    const int asynchronousCount = scaled(100000);
    int started = 0;
    int answered = 0;
    bool allAnswered = true;
    QHash<DBusPendingReply*, DBusPendingReply::SharedPointer> pending;
    std::function<void()> startOne = [&] {
        const DBusPendingReply::SharedPointer call = device->getListOfInstancesAsynchron(argument);
        ++started;
        pending.insert(call.data(), call);
        DBusPendingReply* const key = call.data();
        QObject::connect(key, &DBusPendingReply::finished, device.data(), [&, key] {
            allAnswered = allAnswered && !key->getReply().isError();
            pending.remove(key);
            ++answered;
            if (started < asynchronousCount)
                startOne();
        });
    };
    const bool asynchronous = soak("asynchronous calls", reports, bound, [&](int round) {
        const int target = asynchronousCount * (round + 1) / reports;
        while (started < qMin(target, answered + inFlight))
            startOne();
        while (answered < target)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return allAnswered;
    });

    const bool making = soak("making every connector", scaled(10000), bound, [](int) {
        for (const ConnectorExpectation& row : connectorExpectations()) {
            if (!row.create()->isDBusInterfaceValid())
                return false;
        }
        return true;
    });
    return blocking && asynchronous && making ? 0 : 1;
}
