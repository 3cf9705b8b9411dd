#include "BusProbe.h"

#include <dbus/dbus.h>

#include <thread>

namespace {
// Calls a method of the bus itself and waits for as long as it takes; a
// string answer goes to `*answer`.
bool ask(DBusConnection* connection, const char* method, DBusError* error, QString* answer = nullptr)
{
    DBusMessage* call = dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, method);
    if (!call)
        return false;
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(connection, call, DBUS_TIMEOUT_INFINITE, error);
    dbus_message_unref(call);
    if (!reply)
        return false;
    const char* text = nullptr;
    const bool read = !answer || dbus_message_get_args(reply, error, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID);
    if (answer && read)
        *answer = QString::fromUtf8(text);
    dbus_message_unref(reply);
    return read;
}
} // namespace

std::shared_ptr<BusProbe> BusProbe::start(const QString& address, std::function<void()> done)
{
    const std::shared_ptr<BusProbe> probe(new BusProbe);
    // Detached: a bus that never answers keeps the thread until the process ends.
    std::thread([probe, address, done = std::move(done)] {
        probe->run(address);
        if (done)
            done();
    }).detach();
    return probe;
}

void BusProbe::run(const QString& address)
{
    DBusError error;
    dbus_error_init(&error);
    // The well-known buses by their addresses, as libdbus finds them: libdbus's
    // own way to them registers, under the lock described below.
    QByteArray opened = address.toUtf8();
    if (address == QLatin1String("system")) {
        opened = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
        if (opened.isEmpty())
            opened = "unix:path=/var/run/dbus/system_bus_socket";
    } else if (address == QLatin1String("session")) {
        opened = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    QString id;
    DBusConnection* connection = dbus_connection_open_private(opened.constData(), &error);
    if (connection) {
        dbus_connection_set_exit_on_disconnect(connection, false);
        // Hello by hand: dbus_bus_register() holds a lock of the whole process
        // while it waits, which would hold up Qt's connections to other buses.
        if (ask(connection, "Hello", &error))
            ask(connection, "GetId", &error, &id);
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }

    const std::lock_guard<std::mutex> locker(m_mutex);
    if (!id.isEmpty()) {
        m_outcome = Outcome::Answered;
        m_busId = id;
    } else {
        m_outcome = Outcome::Failed;
        m_error = dbus_error_is_set(&error) ? QString::fromUtf8(error.message) : QStringLiteral("no connection");
    }
    dbus_error_free(&error);
    m_finished.notify_all();
}

BusProbe::Outcome BusProbe::outcome() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_outcome;
}

QString BusProbe::error() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_error;
}

QString BusProbe::busId() const
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    return m_busId;
}

bool BusProbe::wait(std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> locker(m_mutex);
    return m_finished.wait_for(locker, timeout, [this] { return m_outcome != Outcome::Pending; });
}

std::chrono::milliseconds BusProbe::age() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_started);
}
