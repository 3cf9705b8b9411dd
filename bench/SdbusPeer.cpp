// sdbus-c++ proxies on a connection of their own, driven from this thread.

#include "Peer.h"

#include <sdbus-c++/sdbus-c++.h>

#include <poll.h>

#include <algorithm>
#include <unordered_map>

namespace {
const QString peerName = QStringLiteral("sdbus-c++");
using Envelope = sdbus::Struct<int32_t, std::string, sdbus::Variant>;

class SdbusPeer : public Peer
{
public:
    explicit SdbusPeer(const QString& address)
    {
        try {
            m_connection = sdbus::createSessionBusConnectionWithAddress(address.toStdString());
            m_bus = sdbus::createProxy(*m_connection, "org.freedesktop.DBus", "/org/freedesktop/DBus");
        } catch (const sdbus::Error& error) {
            fail(peerName + QStringLiteral(": can't reach the bus: ") + QString::fromStdString(error.getMessage()));
        }
    }

    QString name() const override { return peerName; }
    QString uniqueName() const override { return QString::fromStdString(m_connection->getUniqueName()); }

    void call(const Request& request) override
    {
        sdbus::Variant reply;
        try {
            device().callMethod(m_method).onInterface(m_interface).withArguments(request.utf8).storeResultsTo(reply);
        } catch (const sdbus::Error& error) {
            fail(peerName + QStringLiteral(": ") + QString::fromStdString(error.getMessage()));
        }
        check(reply, request);
    }

    void callAsync(int inFlight, const Request& request) override
    {
        int answered = 0;
        for (int i = 0; i < inFlight; ++i) {
            device()
                .callMethodAsync(m_method)
                .onInterface(m_interface)
                .withArguments(request.utf8)
                .uponReplyInvoke([&](const sdbus::Error* error, const sdbus::Variant& reply) {
                    if (error)
                        fail(peerName + QStringLiteral(": ") + QString::fromStdString(error->getMessage()));
                    check(reply, request);
                    ++answered;
                });
        }
        drive([&] { return answered == inFlight; }, QStringLiteral("replies"));
    }

    void listen(const QString& object) override
    {
        m_relay =
            sdbus::createProxy(*m_connection, Bench::signalService.toStdString(), Bench::pathOf(object).toStdString());
        m_relay->registerSignalHandler(Bench::relayInterface.toStdString(), Bench::relaySignal.toStdString(),
                                       [this](sdbus::Signal& signal) {
                                           std::string stamp;
                                           signal >> stamp;
                                           m_latencies.push_back(double(nowNs() - std::stoll(stamp)));
                                       });
        m_relay->finishRegistration();
    }

    void awaitSignals(int count, std::vector<double>* latencies) override
    {
        drive([&] { return int(m_latencies.size()) >= count; }, QStringLiteral("signals"));
        handOverLatencies(&m_latencies, count, latencies, peerName);
    }

    void make(const ClientRecipe& recipe) override
    {
        const Names& names = namesOf(recipe.type);
        try {
            auto proxy = sdbus::createProxy(*m_connection, recipe.service.toStdString(), recipe.path.toStdString());
            for (const std::string& signal : names.signalNames)
                proxy->registerSignalHandler(names.interface, signal, [](sdbus::Signal&) {});
            proxy->finishRegistration();
            m_made.push_back(std::move(proxy));
        } catch (const sdbus::Error& error) {
            // A bus with dbus-daemon's default limits refuses the rules beyond
            // the 512th, and sdbus-c++ then refuses the proxy.
            if (error.getName() != "org.freedesktop.DBus.Error.LimitsExceeded")
                throw;
            ++m_refused;
        }
    }

    int refused() const override { return m_refused; }

    void checkMade() override { }

    void releaseAll() override { m_made.clear(); }

    void sync() override
    {
        std::string id;
        m_bus->callMethod("GetId").onInterface("org.freedesktop.DBus").storeResultsTo(id);
    }

private:
    struct Names
    {
        std::string interface;
        std::vector<std::string> signalNames;
    };

    // The names as a plain C++ client spells them, in its own strings.
    const Names& namesOf(const ClientClass* type)
    {
        auto found = m_names.find(type);
        if (found == m_names.end()) {
            Names names{type->interface.toStdString(), {}};
            for (const QString& signal : type->relayedSignals)
                names.signalNames.push_back(signal.toStdString());
            found = m_names.emplace(type, std::move(names)).first;
        }
        return found->second;
    }

    sdbus::IProxy& device()
    {
        if (!m_device)
            m_device = sdbus::createProxy(*m_connection, m_service, Bench::devicePath.toStdString());
        return *m_device;
    }

    static void check(const sdbus::Variant& reply, const Request& request)
    {
        if (!reply.containsValueOfType<Envelope>())
            fail(peerName + QStringLiteral(": the reply is no envelope"));
        const Envelope envelope = reply.get<Envelope>();
        if (std::get<0>(envelope) != 0)
            fail(peerName + QStringLiteral(": the reply carries code %1").arg(std::get<0>(envelope)));
        const std::vector<uint8_t> value = std::get<2>(envelope).get<std::vector<uint8_t>>();
        if (int(value.size()) != request.size)
            fail(QStringLiteral("%1: %2 bytes came back, %3 were asked for")
                     .arg(peerName)
                     .arg(value.size())
                     .arg(request.size));
    }

    // Processes the connection's traffic until `done`, bounded.
    void drive(const std::function<bool()>& done, const QString& what)
    {
        const qint64 deadline = nowNs() + qint64(Bench::boundMs) * 1000000;
        while (!done()) {
            if (m_connection->processPendingRequest())
                continue;
            const qint64 remainingMs = (deadline - nowNs()) / 1000000;
            if (remainingMs <= 0)
                fail(peerName + QStringLiteral(": the ") + what + QStringLiteral(" did not all arrive"));
            const sdbus::IConnection::PollData wanted = m_connection->getEventLoopPollData();
            const int timeout = wanted.getPollTimeout();
            pollfd descriptor{wanted.fd, wanted.events, 0};
            ::poll(&descriptor, 1, timeout < 0 ? int(remainingMs) : std::min(timeout, int(remainingMs)));
        }
    }

    const std::string m_service = Bench::service.toStdString();
    const std::string m_interface = Bench::deviceInterface.toStdString();
    const std::string m_method = Bench::method.toStdString();
    std::unique_ptr<sdbus::IConnection> m_connection;
    std::unique_ptr<sdbus::IProxy> m_bus;
    std::unique_ptr<sdbus::IProxy> m_device;
    std::unique_ptr<sdbus::IProxy> m_relay;
    std::vector<double> m_latencies;
    std::vector<std::unique_ptr<sdbus::IProxy>> m_made;
    int m_refused = 0;
    std::unordered_map<const ClientClass*, Names> m_names;
};
} // namespace

std::unique_ptr<Peer> makeSdbusPeer(const QString& address)
{
    return std::make_unique<SdbusPeer>(address);
}
