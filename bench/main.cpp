// How the library's connectors compare with every other way to reach a
// D-Bus service from C++: plain QDBusInterface, qdbusxml2cpp proxies,
// sdbus-c++ and raw libdbus, the floor.
//
// Starts a bus and a server of its own. Every peer runs in this process on a
// connection of its own; rounds are interleaved, each peer once per round in
// a shuffled order, so that a busy moment of the machine falls on all peers
// alike. Figures are
// medians and 99th percentiles, and ratios to QDBusInterface and libdbus.
//
//   vantelo-bench [--quick] [--no-instructions] [--keep-callgrind DIR]
//   vantelo-bench [--quick] --default-limits
//
// The first runs on a bus with raised limits; the second, on one with
// dbus-daemon's defaults, counts and times making clients and the calls in
// flight that those limits allow.

#include "BenchBus.h"
#include "CallgrindDump.h"
#include "Instructions.h"
#include "Peer.h"
#include "Report.h"
#include "ServerControl.h"
#include "WireCount.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <malloc.h>
#include <numeric>
#include <random>
#include <sys/utsname.h>
#include <unistd.h>

namespace {
using Peers = std::vector<std::unique_ptr<Peer>>;
using Samples = std::array<std::vector<double>, ColumnCount>;
// A turn adds its samples, in nanoseconds, and returns how many operations it did.
using Turn = std::function<int(Peer&, std::vector<double>&)>;

const QString childAddress = QStringLiteral("VANTELO_DBUS_ADDRESS");
const QString hungPrefix = QStringLiteral("Hung");
const int kib = 1024;
const int mib = 1024 * 1024;

// How much of everything; --quick makes it a smoke test of a few seconds.
struct Plan
{
    bool quick;
    std::vector<std::pair<int, int>> callSizes; // bytes, rounds
    std::vector<std::pair<int, int>> inFlight; // calls, rounds
    int burst, burstRounds, latencyRounds;
    std::vector<std::pair<int, int>> creation; // clients, rounds
    int hungRounds;
    int memoryClients, memoryRounds;
    // Instruction counts: calls, batches of 128, bursts, clients alive.
    int countedCalls, countedBatches, countedBursts;
    std::vector<int> alive;
    // Runs on a bus with dbus-daemon's default limits: the wire count, making
    // clients and the calls in flight that the limit of pending replies allows.
    bool defaultLimits = false;
};

Plan planFor(bool quick)
{
    if (quick)
        return {true,
                {{8, 30}, {kib, 30}, {mib, 5}},
                {{1, 20}, {16, 5}, {128, 3}, {1000, 2}},
                50,
                3,
                20,
                {{1, 10}, {13, 5}, {100, 2}},
                2,
                100,
                1,
                10,
                2,
                2,
                {100}};
    return {false,
            {{8, 2000}, {kib, 2000}, {mib, 200}, {16 * mib, 20}},
            {{1, 1000}, {16, 200}, {128, 40}, {1000, 10}},
            1000,
            20,
            500,
            {{1, 200}, {13, 100}, {100, 20}, {1000, 5}, {2000, 3}},
            10,
            1000,
            3,
            200,
            5,
            5,
            {100, 2000}};
}

QString sizeName(int bytes)
{
    return bytes >= mib   ? QStringLiteral("%1 MiB").arg(bytes / mib)
           : bytes >= kib ? QStringLiteral("%1 KiB").arg(bytes / kib)
                          : QStringLiteral("%1 B").arg(bytes);
}

QString modeName(bool distinct)
{
    return distinct ? QStringLiteral("distinct objects") : QStringLiteral("shared objects");
}

std::unique_ptr<Peer> makePeer(int column, const QString& address)
{
    switch (column) {
    case ConnectorColumn:
        return makeConnectorPeer();
    case QtInterfaceColumn:
        return makeQtInterfacePeer(address);
    case ProxyColumn:
        return makeGeneratedProxyPeer(address);
    case SdbusColumn:
        return makeSdbusPeer(address);
    default:
        return makeLibdbusPeer(address);
    }
}

Peers makePeers(const QString& address)
{
    Peers peers;
    for (int column = 0; column < ColumnCount; ++column)
        peers.push_back(makePeer(column, address));
    return peers;
}

// The peer's own object for signals.
QString relayObject(int column)
{
    static const char* const names[] = {"connector", "qtinterface", "proxy", "sdbus", "libdbus"};
    return Bench::relayObjectPrefix + QLatin1String(names[column]);
}

// The client a hung service gets: device information, as everywhere else.
ClientRecipe hungSpec(const QString& module)
{
    ClientRecipe recipe = clientRecipe(2, false);
    recipe.module = module;
    recipe.service = QStringLiteral("com.vantelo.") + module;
    return recipe;
}

std::vector<ClientRecipe> recipesFor(int count, bool distinct)
{
    std::vector<ClientRecipe> recipes;
    for (int i = 0; i < count; ++i)
        recipes.push_back(clientRecipe(i, distinct));
    return recipes;
}

Values valuesOf(const Samples& samples, const std::function<double(const std::vector<double>&)>& statistic,
                double scale)
{
    Values values = noValues();
    for (int column = 0; column < ColumnCount; ++column) {
        if (!samples[size_t(column)].empty())
            values[size_t(column)] = statistic(samples[size_t(column)]) / scale;
    }
    return values;
}

Values p50(const Samples& samples, double scale = 1000)
{
    return valuesOf(
        samples, [](const std::vector<double>& s) { return percentile(s, 0.5); }, scale);
}

Values p99(const Samples& samples, double scale = 1000)
{
    return valuesOf(
        samples, [](const std::vector<double>& s) { return percentile(s, 0.99); }, scale);
}

double ratio(const Values& values, Column column, Column reference)
{
    return values[column] / values[reference];
}

// The whole run: peers, bus, server, the figures and the report.
class Benchmark
{
public:
    Benchmark(const Plan& plan, BenchBus& bus)
        : m_plan(plan)
        , m_bus(bus)
        , m_daemonCpu(bus.daemonPid())
        , m_serverCpu(bus.serverPid())
    {
        m_peers = makePeers(bus.address());
    }

    QStringList peerNames() const
    {
        QStringList names;
        for (const auto& peer : m_peers)
            names << peer->name();
        return names;
    }

    void countWire();
    void measureCalls();
    void measureAsynchronousCalls();
    void measureSignals();
    void measureCreation();
    void measureHungService();
    void measureMemory();
    void countInstructions(const QString& keep);
    void judgeTargets();

    Report& report() { return m_report; }

private:
    struct Usage
    {
        double operations = 0, client = 0, daemon = 0, server = 0;
    };
    using Usages = std::array<Usage, ColumnCount>;

    void interleave(int rounds, const Turn& turn, Samples* samples, Usages* usage = nullptr);
    // Times `work`, which does `operations` operations, once per peer and round,
    // after one round to warm up.
    void timeOperations(const QString& measure, int rounds, int operations, bool withUsage,
                        const std::function<void(Peer&)>& work);
    // Rows of the median and the 99th percentile; the median is kept as a
    // figure under the measure's name.
    void addTimes(const QString& measure, const Samples& samples);
    void addUsage(const QString& measure, const Usages& usage);
    QString runChild(const QStringList& arguments, int boundMs);

    const Plan m_plan;
    BenchBus& m_bus;
    ProcessCpu m_daemonCpu;
    ProcessCpu m_serverCpu;
    Peers m_peers;
    Report m_report;
    // Figures the targets are judged by, by name.
    std::map<QString, Values> m_figures;
    std::map<QString, int> m_introspections;
    // Measures whose connector figures are to stay within 1.03× of QDBusInterface.
    QStringList m_comparedWithQt;
};

void Benchmark::interleave(int rounds, const Turn& turn, Samples* samples, Usages* usage)
{
    // A new order every round, the same in every run: no peer always
    // follows the same other peer, whose leftovers it might pay for.
    std::mt19937 shuffler(20261206);
    std::array<int, ColumnCount> order;
    std::iota(order.begin(), order.end(), 0);
    for (int round = 0; round < rounds; ++round) {
        std::shuffle(order.begin(), order.end(), shuffler);
        for (const int column : order) {
            const qint64 client = ownCpuNs();
            const qint64 daemon = m_daemonCpu.read();
            const qint64 server = m_serverCpu.read();
            const int operations = turn(*m_peers[size_t(column)], (*samples)[size_t(column)]);
            if (usage) {
                Usage& used = (*usage)[size_t(column)];
                used.operations += operations;
                used.client += double(ownCpuNs() - client);
                used.daemon += double(m_daemonCpu.read() - daemon);
                used.server += double(m_serverCpu.read() - server);
            }
        }
    }
}

void Benchmark::addTimes(const QString& measure, const Samples& samples)
{
    const Values median = p50(samples);
    m_report.add(measure, QStringLiteral("p50 µs"), median);
    m_report.add(measure, QStringLiteral("p99 µs"), p99(samples));
    m_figures[measure] = median;
}

void Benchmark::addUsage(const QString& measure, const Usages& usage)
{
    Values client = noValues(), daemon = noValues(), server = noValues();
    for (int column = 0; column < ColumnCount; ++column) {
        const Usage& used = usage[size_t(column)];
        if (used.operations == 0)
            continue;
        client[size_t(column)] = used.client / used.operations / 1000;
        daemon[size_t(column)] = used.daemon / used.operations / 1000;
        server[size_t(column)] = used.server / used.operations / 1000;
    }
    m_report.add(measure, QStringLiteral("client CPU µs/op"), client);
    m_report.add(measure, QStringLiteral("bus CPU µs/op"), daemon, false);
    m_report.add(measure, QStringLiteral("server CPU µs/op"), server, false);
}

// What making clients sends on the bus, before any client is timed, so that
// the first client of each interface is seen.
void Benchmark::countWire()
{
    WireCount wire(m_bus.address());
    struct Phase
    {
        bool distinct;
        int clients;
        int column;
    };
    std::vector<Phase> phases;
    // The bus's count of each peer's rules before, to tell the rules its clients added.
    Values rulesBefore = noValues();
    for (int column = 0; column < ColumnCount; ++column)
        rulesBefore[size_t(column)] = wire.control().matchRulesOf(m_peers[size_t(column)]->uniqueName());
    std::map<std::pair<bool, int>, Values> rulesHeld, refused;
    const auto cell = [](std::map<std::pair<bool, int>, Values>& table, bool distinct, int clients) -> Values& {
        return table.emplace(std::make_pair(distinct, clients), noValues()).first->second;
    };
    for (const bool distinct : {false, true}) {
        for (const auto& step : m_plan.creation) {
            const std::vector<ClientRecipe> recipes = recipesFor(step.first, distinct);
            for (int column = 0; column < ColumnCount; ++column) {
                Peer& peer = *m_peers[size_t(column)];
                if (!peer.makes())
                    continue;
                const int phase = int(phases.size());
                phases.push_back({distinct, step.first, column});
                const int refusedBefore = peer.refused();
                wire.begin(phase);
                for (const ClientRecipe& recipe : recipes)
                    peer.make(recipe);
                peer.sync();
                wire.end(phase);
                peer.checkMade();
                cell(refused, distinct, step.first)[size_t(column)] = peer.refused() - refusedBefore;
                cell(rulesHeld, distinct, step.first)[size_t(column)] =
                    wire.control().matchRulesOf(peer.uniqueName()) - rulesBefore[size_t(column)];
                peer.releaseAll();
                peer.sync();
            }
        }
    }
    // The same from a cold connection: each in a fresh process, whose
    // connections (the library's probe of the bus included) are all counted.
    std::vector<Phase> coldPhases;
    for (const bool distinct : {false, true}) {
        for (const auto& step : m_plan.creation) {
            if (step.first > 100)
                continue;
            for (int column = 0; column < ColumnCount; ++column) {
                if (!m_peers[size_t(column)]->makes())
                    continue;
                const int phase = int(phases.size() + coldPhases.size());
                coldPhases.push_back({distinct, step.first, column});
                wire.begin(phase);
                runChild({QStringLiteral("--cold-clients"), QString::number(column), QString::number(step.first),
                          distinct ? QStringLiteral("distinct") : QStringLiteral("shared")},
                         Bench::boundMs * 4);
                wire.end(phase);
            }
        }
    }

    m_report.heading(QStringLiteral("Making clients: method calls on the bus, first round (so the first client of each "
                                    "interface but device information)"));
    std::map<std::pair<bool, int>, std::pair<Values, Values>> perClient;
    std::map<std::pair<bool, int>, QStringList> details;
    for (size_t phase = 0; phase < phases.size(); ++phase) {
        const Phase& p = phases[phase];
        const std::map<QString, int> calls = wire.calls(int(phase), m_peers[size_t(p.column)]->uniqueName());
        int matches = 0, others = 0;
        QStringList members;
        for (const auto& call : calls) {
            // The round trip that closes the phase.
            if (call.first == QLatin1String("GetId"))
                continue;
            (call.first == QLatin1String("AddMatch") || call.first == QLatin1String("RemoveMatch") ? matches
                                                                                                   : others) +=
                call.second;
            members << QStringLiteral("%1 %2").arg(call.first).arg(call.second);
            if (call.first == QLatin1String("Introspect") && p.column == ConnectorColumn)
                m_introspections[modeName(p.distinct)] += call.second;
        }
        auto row = perClient.find({p.distinct, p.clients});
        if (row == perClient.end())
            row =
                perClient.emplace(std::make_pair(p.distinct, p.clients), std::make_pair(noValues(), noValues())).first;
        row->second.first[size_t(p.column)] = double(others) / p.clients;
        row->second.second[size_t(p.column)] = double(matches) / p.clients;
        details[{p.distinct, p.clients}] << QStringLiteral("%1: %2").arg(
            m_peers[size_t(p.column)]->name(),
            members.isEmpty() ? QStringLiteral("nothing") : members.join(QStringLiteral(", ")));
    }
    for (auto& entry : perClient) {
        const QString measure = QStringLiteral("make %1, %2").arg(entry.first.second).arg(modeName(entry.first.first));
        m_report.add(measure, QStringLiteral("calls/client, match rules aside"), entry.second.first, false);
        m_report.add(measure, QStringLiteral("AddMatch/client"), entry.second.second, false);
        m_figures[QStringLiteral("wire %1 %2").arg(entry.first.first).arg(entry.first.second)] = entry.second.first;
        m_figures[QStringLiteral("matches %1 %2").arg(entry.first.first).arg(entry.first.second)] = entry.second.second;
        m_report.add(measure, QStringLiteral("match rules the bus holds"), rulesHeld[entry.first], false);
        m_report.add(measure, QStringLiteral("clients refused, a rule over the limit"), refused[entry.first], false);
        m_report.note(QStringLiteral("Calls on the bus, make %1, %2 — %3")
                          .arg(entry.first.second)
                          .arg(modeName(entry.first.first), details[entry.first].join(QStringLiteral("; "))));
    }

    m_report.heading(QStringLiteral("Making clients from a cold connection: method calls on the bus per client, "
                                    "in a fresh process, its connections included"));
    // Calls and AddMatch per client, and the calls by name, by (distinct, clients) in the phases' order.
    std::map<std::pair<bool, int>, Values> coldCalls, coldMatches;
    std::map<std::pair<bool, int>, QStringList> coldDetails;
    for (size_t index = 0; index < coldPhases.size(); ++index) {
        const Phase& p = coldPhases[index];
        int matches = 0, others = 0;
        QStringList members;
        for (const auto& call : wire.callsOfOthers(int(phases.size() + index))) {
            // The child's last round trip, which closes the phase, is its GetId.
            const int count = call.first == QLatin1String("GetId") ? call.second - 1 : call.second;
            if (count == 0)
                continue;
            (call.first == QLatin1String("AddMatch") ? matches : others) += count;
            members << QStringLiteral("%1 %2").arg(call.first).arg(count);
        }
        cell(coldCalls, p.distinct, p.clients)[size_t(p.column)] = double(others) / p.clients;
        cell(coldMatches, p.distinct, p.clients)[size_t(p.column)] = double(matches) / p.clients;
        coldDetails[{p.distinct, p.clients}]
            << QStringLiteral("%1: %2").arg(m_peers[size_t(p.column)]->name(), members.join(QStringLiteral(", ")));
    }
    for (const auto& entry : coldCalls) {
        const QString measure =
            QStringLiteral("make %1, %2, cold").arg(entry.first.second).arg(modeName(entry.first.first));
        m_report.add(measure, QStringLiteral("calls/client, match rules aside"), entry.second, false);
        m_report.add(measure, QStringLiteral("AddMatch/client"), coldMatches[entry.first], false);
        m_report.note(QStringLiteral("Calls on the bus, %1 — %2")
                          .arg(measure, coldDetails[entry.first].join(QStringLiteral("; "))));
    }
}

void Benchmark::timeOperations(const QString& measure, int rounds, int operations, bool withUsage,
                               const std::function<void(Peer&)>& work)
{
    for (auto& peer : m_peers)
        work(*peer);
    Samples samples;
    Usages usage;
    interleave(
        rounds,
        [&](Peer& peer, std::vector<double>& times) {
            const qint64 start = nowNs();
            work(peer);
            times.push_back(double(nowNs() - start) / operations);
            return operations;
        },
        &samples, &usage);
    addTimes(measure, samples);
    m_comparedWithQt << measure;
    if (withUsage)
        addUsage(measure, usage);
}

void Benchmark::measureCalls()
{
    m_report.heading(QStringLiteral("Blocking call, reply envelope holding a byte array"));
    for (const auto& step : m_plan.callSizes) {
        const Request request(step.first);
        timeOperations(QStringLiteral("blocking call, %1").arg(sizeName(step.first)), step.second, 1, true,
                       [&](Peer& peer) { peer.call(request); });
    }
}

void Benchmark::measureAsynchronousCalls()
{
    m_report.heading(QStringLiteral("Asynchronous calls in flight, 8 B, time per call"));
    const Request request(8);
    for (const auto& step : m_plan.inFlight) {
        timeOperations(QStringLiteral("%1 in flight").arg(step.first), step.second, step.first, step.first == 128,
                       [&](Peer& peer) { peer.callAsync(step.first, request); });
    }
}

void Benchmark::measureSignals()
{
    ServerControl control(m_bus.address());
    for (int column = 0; column < ColumnCount; ++column) {
        Peer& peer = *m_peers[size_t(column)];
        peer.listen(relayObject(column));
        peer.sync();
        control.emitSignals(Bench::pathOf(relayObject(column)), 10);
        peer.awaitSignals(10, nullptr);
    }
    auto emitTo = [&](Peer& peer, int count) {
        const auto found =
            std::find_if(m_peers.begin(), m_peers.end(), [&](const auto& p) { return p.get() == &peer; });
        control.emitSignals(Bench::pathOf(relayObject(int(found - m_peers.begin()))), count);
    };

    m_report.heading(QStringLiteral("Signals, in bursts of %1: relaying connector vs QDBusConnection::connect and the "
                                    "others")
                         .arg(m_plan.burst));
    timeOperations(QStringLiteral("burst, per signal"), m_plan.burstRounds, m_plan.burst, true, [&](Peer& peer) {
        emitTo(peer, m_plan.burst);
        peer.awaitSignals(m_plan.burst, nullptr);
    });

    Samples latency;
    interleave(
        m_plan.latencyRounds,
        [&](Peer& peer, std::vector<double>& times) {
            emitTo(peer, 1);
            peer.awaitSignals(1, &times);
            return 1;
        },
        &latency);
    addTimes(QStringLiteral("one signal, server to slot"), latency);
    m_comparedWithQt << QStringLiteral("one signal, server to slot");
}

void Benchmark::measureCreation()
{
    for (const bool distinct : {false, true}) {
        m_report.heading(QStringLiteral("Making clients, %1: time per client").arg(modeName(distinct)));
        for (const auto& step : m_plan.creation) {
            const std::vector<ClientRecipe> recipes = recipesFor(step.first, distinct);
            Samples samples;
            interleave(
                step.second,
                [&](Peer& peer, std::vector<double>& times) {
                    if (!peer.makes())
                        return 0;
                    for (const ClientRecipe& recipe : recipes) {
                        const qint64 start = nowNs();
                        peer.make(recipe);
                        times.push_back(double(nowNs() - start));
                    }
                    peer.sync();
                    peer.checkMade();
                    peer.releaseAll();
                    peer.sync();
                    return step.first;
                },
                &samples);
            const QString measure = QStringLiteral("make %1, %2").arg(step.first).arg(modeName(distinct));
            addTimes(measure, samples);
            m_report.add(measure, QStringLiteral("mean µs"), valuesOf(samples, mean, 1000));
        }
    }
}

void Benchmark::measureHungService()
{
    m_report.heading(QStringLiteral("A service that owns its name and never answers"));
    QStringList names;
    for (int round = 0; round < m_plan.hungRounds; ++round)
        names << QStringLiteral("com.vantelo.") + hungPrefix + QString::number(round);
    QString error;
    const pid_t owner = m_bus.startHungOwner(QStringLiteral(VANTELO_BENCH_SERVER), names, &error);
    if (!owner)
        fail(error);

    // Each round follows a service never seen before.
    Samples samples;
    int turns = 0;
    interleave(
        m_plan.hungRounds,
        [&](Peer& peer, std::vector<double>& times) {
            const int round = turns++ / ColumnCount;
            if (!peer.makes())
                return 0;
            const qint64 start = nowNs();
            peer.make(hungSpec(hungPrefix + QString::number(round)));
            times.push_back(double(nowNs() - start));
            peer.releaseAll();
            return 1;
        },
        &samples);
    const Values worst = valuesOf(
        samples, [](const std::vector<double>& s) { return percentile(s, 1.0); }, 1e6);
    m_report.add(QStringLiteral("make one client, service first seen"), QStringLiteral("p50 ms"), p50(samples, 1e6));
    m_report.add(QStringLiteral("make one client, service first seen"), QStringLiteral("max ms"), worst);
    m_figures[QStringLiteral("hung")] = worst;

    endChild(owner);

    // The first client in a fresh process: connection, and for QDBusInterface
    // the description of its interface, which it asks the hung service for.
    const QString module = hungPrefix + QStringLiteral("First");
    const pid_t firstOwner =
        m_bus.startHungOwner(QStringLiteral(VANTELO_BENCH_SERVER), {QStringLiteral("com.vantelo.") + module}, &error);
    if (!firstOwner)
        fail(error);
    WireCount wire(m_bus.address());
    Values first = noValues();
    QStringList senders;
    for (int column = 0; column <= SdbusColumn; ++column) {
        if (m_plan.quick && column == QtInterfaceColumn) {
            senders << QString();
            continue;
        }
        wire.begin(column);
        // The child prints the time it took and its unique name.
        const QStringList answer = runChild({QStringLiteral("--first-client"), QString::number(column), module}, 60000)
                                       .split(QLatin1Char(' '));
        wire.end(column);
        first[size_t(column)] = answer.value(0).toDouble() / 1e6;
        senders << answer.value(1);
    }
    Values calls = noValues();
    QStringList members;
    for (int column = 0; column < senders.size(); ++column) {
        if (senders[column].isEmpty())
            continue;
        int sent = 0;
        QStringList sentMembers;
        for (const auto& call : wire.calls(column, senders[column])) {
            sent += call.second;
            sentMembers << QStringLiteral("%1 %2").arg(call.first).arg(call.second);
        }
        calls[size_t(column)] = sent;
        members << QStringLiteral("%1: %2").arg(m_peers[size_t(column)]->name(),
                                                sentMembers.join(QStringLiteral(", ")));
    }
    const QString measure = QStringLiteral("first client in a fresh process, with its connection");
    m_report.add(measure, QStringLiteral("ms"), first);
    m_report.add(measure, QStringLiteral("calls on the bus"), calls, false);
    m_report.note(QStringLiteral("Calls on the bus of the first client in a fresh process, service hung — ") +
                  members.join(QStringLiteral("; ")));
    m_figures[QStringLiteral("hung first")] = first;
    endChild(firstOwner);
}

void Benchmark::measureMemory()
{
    for (const bool distinct : {false, true}) {
        Samples heap, resident;
        for (int round = 0; round < m_plan.memoryRounds; ++round) {
            for (int i = 0; i < SdbusColumn + 1; ++i) {
                const int column = (round + i) % (SdbusColumn + 1);
                const QStringList answer = runChild({QStringLiteral("--memory-child"), QString::number(column),
                                                     QString::number(m_plan.memoryClients),
                                                     distinct ? QStringLiteral("distinct") : QStringLiteral("shared")},
                                                    Bench::boundMs * 4)
                                               .split(QLatin1Char(' '));
                heap[size_t(column)].push_back(answer.value(0).toDouble());
                resident[size_t(column)].push_back(answer.value(1).toDouble());
            }
        }
        const QString measure =
            QStringLiteral("%1 clients alive, %2").arg(m_plan.memoryClients).arg(modeName(distinct));
        if (!distinct)
            m_report.heading(
                QStringLiteral("Memory per client (median of %1 fresh processes each)").arg(m_plan.memoryRounds));
        m_report.add(measure, QStringLiteral("heap bytes/client"), p50(heap, 1));
        m_report.add(measure, QStringLiteral("resident bytes/client"), p50(resident, 1));
        m_figures[QStringLiteral("resident %1").arg(distinct)] = p50(resident, 1);
    }
}

QString Benchmark::runChild(const QStringList& arguments, int boundMs)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(boundMs) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        child.kill();
        child.waitForFinished();
        fail(QStringLiteral("the child %1 failed").arg(arguments.join(QLatin1Char(' '))));
    }
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed();
}

void Benchmark::countInstructions(const QString& keep)
{
    const QString valgrind = QStandardPaths::findExecutable(QStringLiteral("valgrind"));
    if (valgrind.isEmpty()) {
        m_report.note(QStringLiteral("Instructions not counted: valgrind is not installed."));
        return;
    }
    QTemporaryDir scratch;
    const QString directory = keep.isEmpty() ? scratch.path() : keep;
    QDir().mkpath(directory);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.setStandardOutputFile(QProcess::nullDevice());
    QStringList arguments = {QStringLiteral("--tool=callgrind"), QStringLiteral("--instr-atstart=no"),
                             QStringLiteral("--callgrind-out-file=") + directory + QStringLiteral("/callgrind.out"),
                             QCoreApplication::applicationFilePath(), QStringLiteral("--instructions-child")};
    if (m_plan.quick)
        arguments << QStringLiteral("--quick");
    child.start(valgrind, QStringList{QStringLiteral("-q")} + arguments);
    if (!child.waitForFinished(30 * 60 * 1000) || child.exitCode() != 0)
        fail(QStringLiteral("the instruction count failed"));

    // Each dump is named "measure@column@operations".
    std::map<QString, Values> counted;
    // Where the instructions went, for the measures worth taking apart.
    const QStringList takenApart = {QStringLiteral("blocking call, 8 B"), QStringLiteral("128 in flight")};
    std::map<QString, std::map<QString, Values>> byLibrary;
    QStringList order;
    QStringList files = QDir(directory).entryList({QStringLiteral("callgrind.out.*")}, QDir::Files);
    // In the order they were dumped.
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return a.section(QLatin1Char('.'), -1).toInt() < b.section(QLatin1Char('.'), -1).toInt();
    });
    for (const QString& file : files) {
        CallgrindDump dump;
        const QStringList parts = readCallgrindDump(QDir(directory).filePath(file), &dump)
                                      ? dump.label.split(QLatin1Char('@'))
                                      : QStringList();
        if (parts.size() != 3)
            continue;
        const QString& measure = parts[0];
        const size_t column = size_t(parts[1].toInt());
        const double operations = parts[2].toDouble();
        if (!counted.count(measure)) {
            counted[measure] = noValues();
            order << measure;
        }
        counted[measure][column] = dump.total / operations;
        if (!takenApart.contains(measure))
            continue;
        for (const auto& part : dump.byObject) {
            auto& values = byLibrary[measure].emplace(part.first, noValues()).first->second;
            values[column] = part.second / operations;
        }
    }
    m_report.heading(QStringLiteral("Client instructions per operation (callgrind, all threads of the client)"));
    for (const QString& measure : order) {
        m_report.add(measure, QStringLiteral("instructions"), counted[measure]);
        m_figures[QStringLiteral("instructions ") + measure] = counted[measure];
    }
    for (const QString& measure : takenApart) {
        m_report.heading(QStringLiteral("Where the instructions of one operation go, %1: by library").arg(measure));
        std::vector<std::pair<double, QString>> libraries;
        for (const auto& library : byLibrary[measure]) {
            double most = 0;
            for (const double value : library.second)
                most = std::isnan(value) ? most : std::max(most, value);
            libraries.emplace_back(most, library.first);
        }
        std::sort(libraries.rbegin(), libraries.rend());
        for (const auto& library : libraries) {
            if (library.first >= 100)
                m_report.add(measure, library.second, byLibrary[measure][library.second]);
        }
    }
}

void Benchmark::judgeTargets()
{
    auto has = [&](const QString& key) { return m_figures.count(key) != 0; };
    auto pair = [](double value, double reference) {
        return QStringLiteral("%1 vs %2 (%3×)")
            .arg(figure(value), figure(reference), QString::number(value / reference, 'f', 2));
    };
    for (const bool distinct : {false, true}) {
        for (const auto& step : m_plan.creation) {
            const QString key = QStringLiteral("wire %1 %2").arg(distinct).arg(step.first);
            if (!has(key))
                continue;
            const double calls = m_figures[key][ConnectorColumn];
            const double all =
                calls + m_figures[QStringLiteral("matches %1 %2").arg(distinct).arg(step.first)][ConnectorColumn];
            m_report.target(QStringLiteral("at most one call per connector, make %1, %2: match rules aside")
                                .arg(step.first)
                                .arg(modeName(distinct)),
                            figure(calls), calls <= 1);
            m_report.target(QStringLiteral("at most one call per connector, make %1, %2: match rules included")
                                .arg(step.first)
                                .arg(modeName(distinct)),
                            figure(all), all <= 1);
        }
        m_report.target(QStringLiteral("no Introspect making connectors, %1").arg(modeName(distinct)),
                        QString::number(m_introspections[modeName(distinct)]),
                        m_introspections[modeName(distinct)] == 0);
    }
    if (has(QStringLiteral("hung"))) {
        const double worst = std::max(m_figures[QStringLiteral("hung")][ConnectorColumn],
                                      m_figures[QStringLiteral("hung first")][ConnectorColumn]);
        m_report.target(QStringLiteral("a connector of a hung service within 100 ms"),
                        figure(worst) + QStringLiteral(" ms"), worst <= 100);
    }
    for (const bool distinct : {false, true}) {
        for (const auto& step : m_plan.creation) {
            if (step.first == 2000)
                continue;
            const Values& times = m_figures[QStringLiteral("make %1, %2").arg(step.first).arg(modeName(distinct))];
            m_report.target(QStringLiteral("make %1, %2: p50 at most 1.2× a generated proxy")
                                .arg(step.first)
                                .arg(modeName(distinct)),
                            pair(times[ConnectorColumn], times[ProxyColumn]) + QStringLiteral(" µs"),
                            ratio(times, ConnectorColumn, ProxyColumn) <= 1.2);
        }
        const QString few = QStringLiteral("instructions make %1 alive, %2").arg(100).arg(modeName(distinct));
        const QString many = QStringLiteral("instructions make %1 alive, %2").arg(2000).arg(modeName(distinct));
        if (has(few) && has(many))
            m_report.target(QStringLiteral("instructions per connector at 2000 alive within 1.2× of 100 alive, %1")
                                .arg(modeName(distinct)),
                            pair(m_figures[many][ConnectorColumn], m_figures[few][ConnectorColumn]),
                            m_figures[many][ConnectorColumn] <= 1.2 * m_figures[few][ConnectorColumn]);
        const Values& resident = m_figures[QStringLiteral("resident %1").arg(distinct)];
        m_report.target(
            QStringLiteral("resident bytes per connector at most 1.2× a QDBusInterface, %1").arg(modeName(distinct)),
            pair(resident[ConnectorColumn], resident[QtInterfaceColumn]),
            ratio(resident, ConnectorColumn, QtInterfaceColumn) <= 1.2);
    }
    for (const QString& measure : m_comparedWithQt) {
        for (const QString& kind : {QStringLiteral("p50"), QStringLiteral("instructions")}) {
            const QString key = kind == QLatin1String("p50") ? measure : QStringLiteral("instructions ") + measure;
            if (!has(key))
                continue;
            const Values& values = m_figures[key];
            m_report.target(QStringLiteral("%1 within 1.03× plain Qt (%2)").arg(measure, kind),
                            pair(values[ConnectorColumn], values[QtInterfaceColumn]),
                            ratio(values, ConnectorColumn, QtInterfaceColumn) <= 1.03);
        }
    }
}

// --- children -------------------------------------------------------------

QString address()
{
    return qEnvironmentVariable(qPrintable(childAddress));
}

// Heap and resident bytes per client for `count` clients, in a fresh process.
int memoryChild(int column, int count, bool distinct)
{
    std::unique_ptr<Peer> peer = makePeer(column, address());
    // Caches that every process fills once: interface descriptions, owners, types.
    for (int i = 0; i < 13; ++i) {
        peer->make(clientRecipe(i, false));
        peer->make(clientRecipe(i, true));
    }
    peer->sync();
    peer->releaseAll();
    peer->sync();
    const std::vector<ClientRecipe> recipes = recipesFor(count, distinct);
    auto heap = [] {
        const struct mallinfo2 info = mallinfo2();
        return double(info.uordblks + info.hblkhd);
    };
    auto resident = [] {
        long pages = 0, residentPages = 0;
        FILE* statm = std::fopen("/proc/self/statm", "r");
        if (!statm || std::fscanf(statm, "%ld %ld", &pages, &residentPages) != 2)
            fail(QStringLiteral("can't read /proc/self/statm"));
        std::fclose(statm);
        return double(residentPages) * double(sysconf(_SC_PAGESIZE));
    };
    const double heapBefore = heap();
    const double residentBefore = resident();
    for (const ClientRecipe& recipe : recipes)
        peer->make(recipe);
    peer->sync();
    const double heapAfter = heap();
    const double residentAfter = resident();
    peer->checkMade();
    std::printf("%.1f %.1f\n", (heapAfter - heapBefore) / count, (residentAfter - residentBefore) / count);
    return 0;
}

// Makes `count` clients in a fresh process, whose connection is made for them.
int coldClientsChild(int column, int count, bool distinct)
{
    std::unique_ptr<Peer> peer = makePeer(column, address());
    for (const ClientRecipe& recipe : recipesFor(count, distinct))
        peer->make(recipe);
    peer->sync();
    peer->checkMade();
    return 0;
}

// The time to the first client in a fresh process, connection included.
int firstClientChild(int column, const QString& module)
{
    const qint64 start = nowNs();
    std::unique_ptr<Peer> peer = makePeer(column, address());
    peer->make(hungSpec(module));
    std::printf("%lld %s\n", static_cast<long long>(nowNs() - start), qPrintable(peer->uniqueName()));
    return 0;
}

// Runs the measured work under callgrind; each measure is one dump.
int instructionsChild(const Plan& plan)
{
    Peers peers = makePeers(address());
    ServerControl control(address());
    auto count = [](const QString& measure, int column, int turns, const std::function<int()>& turn) {
        Instructions::start();
        int operations = 0;
        for (int i = 0; i < turns; ++i)
            operations += turn();
        Instructions::dump(QStringLiteral("%1@%2@%3").arg(measure).arg(column).arg(operations));
    };
    for (int column = 0; column < ColumnCount; ++column) {
        Peer& peer = *peers[size_t(column)];
        for (const int size : {8, kib, mib}) {
            const Request request(size);
            for (int i = 0; i < 5; ++i)
                peer.call(request);
            const int calls = size == mib ? std::max(2, plan.countedCalls / 40) : plan.countedCalls;
            count(QStringLiteral("blocking call, %1").arg(sizeName(size)), column, calls, [&] {
                peer.call(request);
                return 1;
            });
        }
        const Request request(8);
        peer.callAsync(128, request);
        count(QStringLiteral("128 in flight"), column, plan.countedBatches, [&] {
            peer.callAsync(128, request);
            return 128;
        });
        const QString path = Bench::pathOf(relayObject(column) + QStringLiteral("/counted"));
        peer.listen(relayObject(column) + QStringLiteral("/counted"));
        peer.sync();
        control.emitSignals(path, 200);
        peer.awaitSignals(200, nullptr);
        count(QStringLiteral("burst, per signal"), column, plan.countedBursts, [&] {
            control.emitSignals(path, 200);
            peer.awaitSignals(200, nullptr);
            return 200;
        });
    }
    // Clients last, as in the timed run.
    for (const bool distinct : {false, true}) {
        // Whole cycles of classes, so that both counts see the same mix.
        const int counted = distinct ? 20 : 26;
        for (const int alive : plan.alive) {
            const std::vector<ClientRecipe> recipes = recipesFor(alive, distinct);
            for (int column = 0; column < ColumnCount; ++column) {
                Peer& peer = *peers[size_t(column)];
                if (!peer.makes())
                    continue;
                for (int i = 0; i < alive - counted; ++i)
                    peer.make(recipes[size_t(i)]);
                int next = alive - counted;
                count(QStringLiteral("make %1 alive, %2").arg(alive).arg(modeName(distinct)), column, counted, [&] {
                    peer.make(recipes[size_t(next++)]);
                    return 1;
                });
                peer.sync();
                peer.checkMade();
                peer.releaseAll();
                peer.sync();
            }
        }
    }
    return 0;
}

QString firstLine(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0).trimmed();
}

QString machine(const QString& command)
{
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    QString model;
    if (cpuinfo.open(QIODevice::ReadOnly)) {
        for (const QString& line : QString::fromUtf8(cpuinfo.readAll()).split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("model name"))) {
                model = line.section(QLatin1Char(':'), 1).trimmed();
                break;
            }
        }
    }
    utsname system{};
    uname(&system);
    return QStringLiteral("- date: %1\n- command: `%2`\n- machine: %3 × %4, kernel %5\n"
                          "- Qt %6, sdbus-c++ %7, %8; built %9\n")
        .arg(QDateTime::currentDateTime().toString(Qt::ISODate), command)
        .arg(sysconf(_SC_NPROCESSORS_ONLN))
        .arg(model, QString::fromLatin1(system.release), QString::fromLatin1(qVersion()),
             QStringLiteral(VANTELO_SDBUSCPP_VERSION),
             firstLine(QStringLiteral("dbus-daemon"), {QStringLiteral("--version")}),
             QStringLiteral(VANTELO_BUILD_TYPE));
}

QString load()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).section(QLatin1Char(' '), 0, 2)
                                          : QStringLiteral("?");
}
} // namespace

void fail(const QString& why)
{
    std::fprintf(stderr, "vantelo-bench: FAILED: %s\n", qPrintable(why));
    std::fflush(stderr);
    std::exit(1);
}

qint64 nowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    const bool quick = arguments.removeAll(QStringLiteral("--quick")) > 0;
    const bool instructions = arguments.removeAll(QStringLiteral("--no-instructions")) == 0;
    Plan plan = planFor(quick);
    plan.defaultLimits = arguments.removeAll(QStringLiteral("--default-limits")) > 0;
    if (plan.defaultLimits) {
        // The bus answers the 129th call in flight of a connection with an error.
        plan.inFlight.erase(std::remove_if(plan.inFlight.begin(), plan.inFlight.end(),
                                           [](const std::pair<int, int>& step) { return step.first > 128; }),
                            plan.inFlight.end());
    }

    // The children run on the bus their parent started.
    if (arguments.value(0) == QLatin1String("--memory-child"))
        return memoryChild(arguments.value(1).toInt(), arguments.value(2).toInt(),
                           arguments.value(3) == QLatin1String("distinct"));
    if (arguments.value(0) == QLatin1String("--cold-clients"))
        return coldClientsChild(arguments.value(1).toInt(), arguments.value(2).toInt(),
                                arguments.value(3) == QLatin1String("distinct"));
    if (arguments.value(0) == QLatin1String("--first-client"))
        return firstClientChild(arguments.value(1).toInt(), arguments.value(2));
    if (arguments.value(0) == QLatin1String("--instructions-child"))
        return instructionsChild(plan);
    QString keep;
    if (arguments.value(0) == QLatin1String("--keep-callgrind")) {
        keep = QDir(arguments.value(1)).absolutePath();
        arguments = arguments.mid(2);
    }
    if (!arguments.isEmpty()) {
        QTextStream(stderr) << "usage: vantelo-bench [--quick] [--no-instructions] [--keep-callgrind DIR]\n"
                            << "       vantelo-bench [--quick] --default-limits\n";
        return 2;
    }

    const QString loadBefore = load();
    BenchBus bus;
    QString error;
    if (!bus.start(QStringLiteral(VANTELO_BENCH_SERVER), QStringLiteral(VANTELO_INTERFACES_DIR),
                   {Bench::service, Bench::signalService}, !plan.defaultLimits, &error))
        fail(error);
    // Nothing in this run, nor its children, reaches the machine's own buses.
    for (const char* variable : {"VANTELO_DBUS_ADDRESS", "DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS"})
        qputenv(variable, bus.address().toUtf8());

    QTextStream out(stdout);
    Benchmark benchmark(plan, bus);
    const auto step = [&](const char* what) { QTextStream(stderr) << "vantelo-bench: " << what << Qt::endl; };
    // Calls and signals before thousands of clients come and go: Qt's table
    // of signal hooks keeps the size it grew to, and walking it slows the
    // delivery of every signal on that connection afterwards.
    const QString limits = plan.defaultLimits
                               ? QStringLiteral("dbus-daemon's defaults (512 match rules, 128 replies pending per "
                                                "connection), as on the system bus")
                               : QStringLiteral("raised, `") +
                                     QString::fromLatin1(BenchBus::raisedLimits()).simplified() + QLatin1Char('`');
    const auto printReport = [&] {
        out << machine(QStringLiteral("vantelo-bench ") + application.arguments().mid(1).join(QLatin1Char(' ')))
            << "- load average (1, 5, 15 min): " << loadBefore << " before, " << load() << " after\n"
            << "- bus limits: " << limits << "\n\n"
            << benchmark.report().markdown(benchmark.peerNames());
        return 0;
    };
    if (plan.defaultLimits) {
        step("asynchronous calls");
        benchmark.measureAsynchronousCalls();
        step("counting calls on the bus");
        benchmark.countWire();
        step("making clients");
        benchmark.measureCreation();
        return printReport();
    }
    step("blocking calls");
    benchmark.measureCalls();
    step("asynchronous calls");
    benchmark.measureAsynchronousCalls();
    step("signals");
    benchmark.measureSignals();
    step("counting calls on the bus");
    benchmark.countWire();
    step("making clients");
    benchmark.measureCreation();
    step("a hung service");
    benchmark.measureHungService();
    step("memory");
    benchmark.measureMemory();
    if (instructions) {
        step("instructions (callgrind)");
        benchmark.countInstructions(keep);
    }
    benchmark.judgeTargets();

    return printReport();
}
