#ifndef PEER_H
#define PEER_H

#include <QSharedPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class DBusConnectorBase;

// Where the benchmark's server lives and what every peer calls on it.
namespace Bench {
const QString module = QStringLiteral("SystemInformation");
const QString service = QStringLiteral("com.vantelo.SystemInformation");
const QString deviceObject = QStringLiteral("DeviceInfo");
const QString devicePath = QStringLiteral("/com/vantelo/DeviceInfo");
const QString deviceInterface = QStringLiteral("com.vantelo.DeviceInfo");
const QString method = QStringLiteral("getListOfInstances");
// Signals come from configuration objects of a service of their own: a
// listener makes Qt keep the owner of the service it listens to, which would
// spare the plain Qt clients of the other service a call when they are made.
// One path per peer, so that a burst for one peer reaches no other.
const QString signalModule = QStringLiteral("Signals");
const QString signalService = QStringLiteral("com.vantelo.Signals");
const QString relayObjectPrefix = QStringLiteral("Relay/");
const QString relayInterface = QStringLiteral("com.vantelo.Configuration");
const QString relaySignal = QStringLiteral("configurationChanged");
// No wait in the benchmark is longer than this.
const int boundMs = 30000;

inline QString pathOf(const QString& object)
{
    return QStringLiteral("/com/vantelo/") + object;
}
} // namespace Bench

// Prints why and ends the run with a failure: a wrong reply is never timed.
[[noreturn]] void fail(const QString& why);

// The monotonic clock in nanoseconds, the clock the server stamps signals with.
qint64 nowNs();

// The size of the reply's byte array, asked for as the call's argument.
struct Request
{
    explicit Request(int bytes)
        : size(bytes)
        , text(QString::number(bytes))
        , utf8(std::to_string(bytes))
    {
    }
    int size;
    QString text;
    std::string utf8;
};

// A connector class, as the benchmark makes it, with what a plain client
// needs to reach the same remote object and signals.
struct ClientClass
{
    QString connectorName;
    QString interface;
    QString path; // of its own object
    bool takesObject;
    QStringList relayedSignals;
    // Classes without a module or object argument keep their own.
    std::function<QSharedPointer<DBusConnectorBase>(const QString& module, const QString& object)> create;
};

// One client to make: its class and remote object.
struct ClientRecipe
{
    const ClientClass* type;
    QString module;
    QString service;
    QString object; // empty: the class's own object
    QString path;
};

// The thirteen classes, in the order clients are made.
const std::vector<ClientClass>& clientClasses();
// The index-th client of a run: shared runs cycle through all classes on
// their own objects, distinct runs through the classes that take an object
// name, each client on an object of its own.
ClientRecipe clientRecipe(int index, bool distinct);

// A way to reach the server: the library's connectors, or a plain client of
// one kind. Each peer has a connection of its own.
class Peer
{
public:
    virtual ~Peer() = default;
    virtual QString name() const = 0;
    // The peer's unique name on the bus.
    virtual QString uniqueName() const = 0;

    // One blocking call of the device information object; the reply is checked.
    virtual void call(const Request& request) = 0;
    // `inFlight` calls sent together; then every reply is awaited and checked.
    virtual void callAsync(int inFlight, const Request& request) = 0;

    // Starts taking the relayed signal from a configuration object of the peer's own.
    virtual void listen(const QString& object) = 0;
    // Waits for `count` signals; adds, for each, the nanoseconds from its
    // sending to its arrival.
    virtual void awaitSignals(int count, std::vector<double>* latencies) = 0;

    // Whether the peer has objects to make.
    virtual bool makes() const { return true; }
    // Makes one client, with its signals connected, kept until releaseAll().
    virtual void make(const ClientRecipe& recipe) = 0;
    // Fails the run unless every client made can be used.
    virtual void checkMade() = 0;
    // How many clients so far the peer could not make because the bus refused
    // one of their match rules (and the peer says so); they are not kept.
    virtual int refused() const { return 0; }
    virtual void releaseAll() = 0;

    // A round trip to the bus: it has then handled all the peer sent before.
    virtual void sync() = 0;
};

// Moves the latencies of `count` signals that arrived into `latencies`
// (if any); fails the run when another number arrived.
void handOverLatencies(std::vector<double>* arrived, int count, std::vector<double>* latencies, const QString& peer);

std::unique_ptr<Peer> makeConnectorPeer();
std::unique_ptr<Peer> makeQtInterfacePeer(const QString& address);
std::unique_ptr<Peer> makeGeneratedProxyPeer(const QString& address);
std::unique_ptr<Peer> makeSdbusPeer(const QString& address);
std::unique_ptr<Peer> makeLibdbusPeer(const QString& address);

#endif // PEER_H
