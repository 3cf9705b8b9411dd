#ifndef BUSPROBE_H
#define BUSPROBE_H

#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// Asks a bus, in a thread of its own, whether it answers: connects with a
// private libdbus connection, says Hello and asks for the bus's id.
//
// Qt connects and says Hello in its one D-Bus thread and waits as long as the
// bus keeps silent; a stopped or wedged bus would hold up every connection of
// the process. The probe waits instead, and whoever started it waits only as
// long as it chooses. A probe that never hears back ends with the process.
class BusProbe
{
public:
    enum class Outcome {
        Pending,
        Answered,
        Failed
    };

    // `address` is "system", "session" or a D-Bus address. `done` runs in the
    // probe's thread once the outcome is known.
    static std::shared_ptr<BusProbe> start(const QString& address, std::function<void()> done = {});

    Outcome outcome() const;
    // Why the bus could not be used, for Failed.
    QString error() const;
    // The bus's id, for Answered.
    QString busId() const;
    // Waits at most `timeout` for the outcome; true when it is known.
    bool wait(std::chrono::milliseconds timeout) const;
    // How long the probe has been running, or ran.
    std::chrono::milliseconds age() const;

private:
    BusProbe() = default;
    void run(const QString& address);
    // The outcome: Answered with the bus's id, else Failed for `error`.
    void settle(const QString& busId, const QString& error);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_finished;
    const std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
    Outcome m_outcome = Outcome::Pending;
    QString m_error;
    QString m_busId;
};

#endif // BUSPROBE_H
