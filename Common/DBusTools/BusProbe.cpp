#include "BusProbe.h"

#include <QLibrary>

#include <thread>

namespace {
// libdbus, loaded when first needed as Qt D-Bus can load it: its runtime
// library is there wherever Qt D-Bus is, its development files need not be.
// The few declarations are those of libdbus's stable interface.
namespace libdbus {
struct Connection;
struct Message;
struct Error
{
    const char* name;
    const char* message;
    unsigned int dummy1 : 1;
    unsigned int dummy2 : 1;
    unsigned int dummy3 : 1;
    unsigned int dummy4 : 1;
    unsigned int dummy5 : 1;
    void* padding1;
};
using Bool = unsigned int;
constexpr int typeInvalid = 0;
constexpr int typeString = 's';
constexpr int timeoutInfinite = 0x7fffffff;

struct Api
{
    void (*errorInit)(Error*) = nullptr;
    void (*errorFree)(Error*) = nullptr;
    Bool (*errorIsSet)(const Error*) = nullptr;
    Connection* (*openPrivate)(const char*, Error*) = nullptr;
    void (*setExitOnDisconnect)(Connection*, Bool) = nullptr;
    void (*close)(Connection*) = nullptr;
    void (*unref)(Connection*) = nullptr;
    Message* (*newMethodCall)(const char*, const char*, const char*, const char*) = nullptr;
    Message* (*sendWithReplyAndBlock)(Connection*, Message*, int, Error*) = nullptr;
    void (*messageUnref)(Message*) = nullptr;
    Bool (*getArgs)(Message*, Error*, int, ...) = nullptr;
    QString failure; // why it could not be loaded
};

template <typename Function>
void resolve(QLibrary& library, const char* name, Function* function, QString* failure)
{
    *function = reinterpret_cast<Function>(library.resolve(name));
    if (!*function && failure->isEmpty())
        *failure = QStringLiteral("libdbus has no %1").arg(QLatin1String(name));
}

const Api& api()
{
    static const Api loaded = [] {
        Api result;
        QLibrary library(QStringLiteral("dbus-1"), 3);
        if (!library.load()) {
            result.failure = library.errorString();
            return result;
        }
        resolve(library, "dbus_error_init", &result.errorInit, &result.failure);
        resolve(library, "dbus_error_free", &result.errorFree, &result.failure);
        resolve(library, "dbus_error_is_set", &result.errorIsSet, &result.failure);
        resolve(library, "dbus_connection_open_private", &result.openPrivate, &result.failure);
        resolve(library, "dbus_connection_set_exit_on_disconnect", &result.setExitOnDisconnect, &result.failure);
        resolve(library, "dbus_connection_close", &result.close, &result.failure);
        resolve(library, "dbus_connection_unref", &result.unref, &result.failure);
        resolve(library, "dbus_message_new_method_call", &result.newMethodCall, &result.failure);
        resolve(library, "dbus_connection_send_with_reply_and_block", &result.sendWithReplyAndBlock, &result.failure);
        resolve(library, "dbus_message_unref", &result.messageUnref, &result.failure);
        resolve(library, "dbus_message_get_args", &result.getArgs, &result.failure);
        return result;
    }();
    return loaded;
}
} // namespace libdbus

// Calls a method of the bus itself and waits for as long as it takes; a
// string answer goes to `*answer`.
bool ask(libdbus::Connection* connection, const char* method, libdbus::Error* error, QString* answer = nullptr)
{
    const libdbus::Api& dbus = libdbus::api();
    libdbus::Message* call =
        dbus.newMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method);
    if (!call)
        return false;
    libdbus::Message* reply = dbus.sendWithReplyAndBlock(connection, call, libdbus::timeoutInfinite, error);
    dbus.messageUnref(call);
    if (!reply)
        return false;
    const char* text = nullptr;
    const bool read = !answer || dbus.getArgs(reply, error, libdbus::typeString, &text, libdbus::typeInvalid);
    if (answer && read)
        *answer = QString::fromUtf8(text);
    dbus.messageUnref(reply);
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
    const libdbus::Api& dbus = libdbus::api();
    if (!dbus.failure.isEmpty()) {
        settle(QString(), dbus.failure);
        return;
    }
    libdbus::Error error;
    dbus.errorInit(&error);
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
    libdbus::Connection* connection = dbus.openPrivate(opened.constData(), &error);
    if (connection) {
        dbus.setExitOnDisconnect(connection, false);
        // Hello by hand: dbus_bus_register() holds a lock of the whole process
        // while it waits, which would hold up Qt's connections to other buses.
        if (ask(connection, "Hello", &error))
            ask(connection, "GetId", &error, &id);
        dbus.close(connection);
        dbus.unref(connection);
    }
    const QString why = dbus.errorIsSet(&error) ? QString::fromUtf8(error.message) : QStringLiteral("no connection");
    dbus.errorFree(&error);
    settle(id, why);
}

void BusProbe::settle(const QString& busId, const QString& error)
{
    const std::lock_guard<std::mutex> locker(m_mutex);
    if (!busId.isEmpty()) {
        m_outcome = Outcome::Answered;
        m_busId = busId;
    } else {
        m_outcome = Outcome::Failed;
        m_error = error;
    }
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
