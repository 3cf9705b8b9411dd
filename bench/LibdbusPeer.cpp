// Raw libdbus, the floor: no proxies, messages built and read by hand, the
// reply's bytes read where they lie.

#include "Peer.h"

#include <dbus/dbus.h>

namespace {
const QString peerName = QStringLiteral("libdbus");

QString describe(const DBusError& error)
{
    return QString::fromUtf8(error.name) + QStringLiteral(": ") + QString::fromUtf8(error.message);
}

class LibdbusPeer : public Peer
{
public:
    explicit LibdbusPeer(const QString& address)
    {
        DBusError error;
        dbus_error_init(&error);
        m_connection = dbus_connection_open_private(address.toUtf8().constData(), &error);
        if (!m_connection || !dbus_bus_register(m_connection, &error))
            fail(peerName + QStringLiteral(": can't reach the bus: ") + describe(error));
        dbus_connection_add_filter(m_connection, &LibdbusPeer::filter, this, nullptr);
    }

    ~LibdbusPeer() override
    {
        dbus_connection_close(m_connection);
        dbus_connection_unref(m_connection);
    }

    QString name() const override { return peerName; }
    QString uniqueName() const override { return QString::fromUtf8(dbus_bus_get_unique_name(m_connection)); }

    void call(const Request& request) override
    {
        DBusMessage* message = newCall(request);
        DBusError error;
        dbus_error_init(&error);
        DBusMessage* reply =
            dbus_connection_send_with_reply_and_block(m_connection, message, DBUS_TIMEOUT_USE_DEFAULT, &error);
        dbus_message_unref(message);
        if (!reply)
            fail(peerName + QStringLiteral(": ") + describe(error));
        check(reply, request);
        dbus_message_unref(reply);
    }

    void callAsync(int inFlight, const Request& request) override
    {
        AsyncCalls calls{&request, 0};
        for (int i = 0; i < inFlight; ++i) {
            DBusMessage* message = newCall(request);
            DBusPendingCall* pending = nullptr;
            if (!dbus_connection_send_with_reply(m_connection, message, &pending, DBUS_TIMEOUT_USE_DEFAULT) || !pending)
                fail(peerName + QStringLiteral(": can't send"));
            dbus_message_unref(message);
            dbus_pending_call_set_notify(pending, &LibdbusPeer::answered, &calls, nullptr);
        }
        drive([&] { return calls.answered == inFlight; }, QStringLiteral("replies"));
    }

    void listen(const QString& object) override
    {
        const QByteArray rule = QStringLiteral("type='signal',sender='%1',path='%2',member='%3'")
                                    .arg(Bench::signalService, Bench::pathOf(object), Bench::relaySignal)
                                    .toUtf8();
        DBusError error;
        dbus_error_init(&error);
        dbus_bus_add_match(m_connection, rule.constData(), &error);
        if (dbus_error_is_set(&error))
            fail(peerName + QStringLiteral(": ") + describe(error));
        m_relayPath = Bench::pathOf(object).toUtf8();
    }

    void awaitSignals(int count, std::vector<double>* latencies) override
    {
        drive([&] { return int(m_latencies.size()) >= count; }, QStringLiteral("signals"));
        handOverLatencies(&m_latencies, count, latencies, peerName);
    }

    // libdbus has no client objects to make: a call names its object itself.
    bool makes() const override { return false; }
    void make(const ClientRecipe&) override { }
    void checkMade() override { }
    void releaseAll() override { }

    void sync() override
    {
        DBusError error;
        dbus_error_init(&error);
        if (char* id = dbus_bus_get_id(m_connection, &error))
            dbus_free(id);
        else
            fail(peerName + QStringLiteral(": ") + describe(error));
    }

private:
    struct AsyncCalls
    {
        const Request* request;
        int answered;
    };

    DBusMessage* newCall(const Request& request) const
    {
        DBusMessage* message = dbus_message_new_method_call(m_service.constData(), m_path.constData(),
                                                            m_interface.constData(), m_method.constData());
        const char* argument = request.utf8.c_str();
        dbus_message_append_args(message, DBUS_TYPE_STRING, &argument, DBUS_TYPE_INVALID);
        return message;
    }

    static void check(DBusMessage* reply, const Request& request)
    {
        if (dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_ERROR)
            fail(peerName + QStringLiteral(": ") + QString::fromUtf8(dbus_message_get_error_name(reply)));
        DBusMessageIter body, variant, envelope, value, bytes;
        dbus_int32_t code = -1;
        const unsigned char* data = nullptr;
        int length = -1;
        if (!dbus_message_iter_init(reply, &body) || dbus_message_iter_get_arg_type(&body) != DBUS_TYPE_VARIANT)
            fail(peerName + QStringLiteral(": the reply is no variant"));
        dbus_message_iter_recurse(&body, &variant);
        if (dbus_message_iter_get_arg_type(&variant) != DBUS_TYPE_STRUCT)
            fail(peerName + QStringLiteral(": the reply is no envelope"));
        dbus_message_iter_recurse(&variant, &envelope);
        if (dbus_message_iter_get_arg_type(&envelope) == DBUS_TYPE_INT32)
            dbus_message_iter_get_basic(&envelope, &code);
        if (code != 0 || !dbus_message_iter_next(&envelope) || !dbus_message_iter_next(&envelope) ||
            dbus_message_iter_get_arg_type(&envelope) != DBUS_TYPE_VARIANT)
            fail(peerName + QStringLiteral(": the reply carries code %1").arg(code));
        dbus_message_iter_recurse(&envelope, &value);
        if (dbus_message_iter_get_arg_type(&value) != DBUS_TYPE_ARRAY ||
            dbus_message_iter_get_element_type(&value) != DBUS_TYPE_BYTE)
            fail(peerName + QStringLiteral(": the value is no byte array"));
        dbus_message_iter_recurse(&value, &bytes);
        dbus_message_iter_get_fixed_array(&bytes, &data, &length);
        if (length != request.size)
            fail(QStringLiteral("%1: %2 bytes came back, %3 were asked for")
                     .arg(peerName)
                     .arg(length)
                     .arg(request.size));
    }

    static void answered(DBusPendingCall* pending, void* data)
    {
        AsyncCalls& calls = *static_cast<AsyncCalls*>(data);
        DBusMessage* reply = dbus_pending_call_steal_reply(pending);
        check(reply, *calls.request);
        dbus_message_unref(reply);
        dbus_pending_call_unref(pending);
        ++calls.answered;
    }

    static DBusHandlerResult filter(DBusConnection*, DBusMessage* message, void* data)
    {
        LibdbusPeer& peer = *static_cast<LibdbusPeer*>(data);
        if (!dbus_message_is_signal(message, "com.vantelo.Configuration", "configurationChanged") ||
            peer.m_relayPath != dbus_message_get_path(message))
            return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
        const char* stamp = nullptr;
        if (!dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &stamp, DBUS_TYPE_INVALID))
            fail(peerName + QStringLiteral(": a signal without its stamp"));
        peer.m_latencies.push_back(double(nowNs() - std::stoll(stamp)));
        return DBUS_HANDLER_RESULT_HANDLED;
    }

    // Reads, writes and dispatches until `done`, bounded.
    void drive(const std::function<bool()>& done, const QString& what)
    {
        const qint64 deadline = nowNs() + qint64(Bench::boundMs) * 1000000;
        while (!done()) {
            const qint64 remainingMs = (deadline - nowNs()) / 1000000;
            if (remainingMs <= 0 || !dbus_connection_read_write_dispatch(m_connection, int(remainingMs)))
                fail(peerName + QStringLiteral(": the ") + what + QStringLiteral(" did not all arrive"));
        }
    }

    DBusConnection* m_connection = nullptr;
    const QByteArray m_service = Bench::service.toUtf8();
    const QByteArray m_path = Bench::devicePath.toUtf8();
    const QByteArray m_interface = Bench::deviceInterface.toUtf8();
    const QByteArray m_method = Bench::method.toUtf8();
    QByteArray m_relayPath;
    std::vector<double> m_latencies;
};
} // namespace

std::unique_ptr<Peer> makeLibdbusPeer(const QString& address)
{
    return std::make_unique<LibdbusPeer>(address);
}
