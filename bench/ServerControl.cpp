#include "ServerControl.h"

#include "Peer.h"

#include <dbus/dbus.h>

namespace {
const char markPath[] = "/com/vantelo/Bench/Mark";
const char markInterface[] = "com.vantelo.Bench.Mark";
} // namespace

struct ServerControl::Connection
{
    DBusConnection* bus = nullptr;
};

ServerControl::ServerControl(const QString& address)
    : m_connection(std::make_unique<Connection>())
{
    DBusError error;
    dbus_error_init(&error);
    m_connection->bus = dbus_connection_open_private(address.toUtf8().constData(), &error);
    if (!m_connection->bus || !dbus_bus_register(m_connection->bus, &error))
        fail(QStringLiteral("control: can't reach the bus: ") + QString::fromUtf8(error.message));
}

ServerControl::~ServerControl()
{
    dbus_connection_close(m_connection->bus);
    dbus_connection_unref(m_connection->bus);
}

void ServerControl::emitSignals(const QString& path, int count)
{
    const QByteArray service = Bench::service.toUtf8();
    const QByteArray pathText = path.toUtf8();
    const QByteArray interface = Bench::relayInterface.toUtf8();
    const QByteArray member = Bench::relaySignal.toUtf8();
    const char* arguments[] = {pathText.constData(), interface.constData(), member.constData()};
    const dbus_uint32_t emitted = dbus_uint32_t(count);
    DBusMessage* order = dbus_message_new_method_call(service.constData(), "/", "com.vantelo.Bench.Control", "Emit");
    dbus_message_append_args(order, DBUS_TYPE_STRING, &arguments[0], DBUS_TYPE_STRING, &arguments[1], DBUS_TYPE_STRING,
                             &arguments[2], DBUS_TYPE_UINT32, &emitted, DBUS_TYPE_INVALID);
    dbus_message_set_no_reply(order, TRUE);
    dbus_connection_send(m_connection->bus, order, nullptr);
    dbus_connection_flush(m_connection->bus);
    dbus_message_unref(order);
}

void ServerControl::mark(const QString& name)
{
    DBusMessage* marker = dbus_message_new_signal(markPath, markInterface, name.toUtf8().constData());
    dbus_connection_send(m_connection->bus, marker, nullptr);
    dbus_message_unref(marker);
    DBusError error;
    dbus_error_init(&error);
    if (char* id = dbus_bus_get_id(m_connection->bus, &error))
        dbus_free(id);
    else
        fail(QStringLiteral("control: ") + QString::fromUtf8(error.message));
}

QString ServerControl::uniqueName() const
{
    return QString::fromUtf8(dbus_bus_get_unique_name(m_connection->bus));
}

int ServerControl::matchRulesOf(const QString& name)
{
    const QByteArray connection = name.toUtf8();
    const char* argument = connection.constData();
    DBusMessage* question = dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                         "org.freedesktop.DBus.Debug.Stats", "GetConnectionStats");
    dbus_message_append_args(question, DBUS_TYPE_STRING, &argument, DBUS_TYPE_INVALID);
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* answer =
        dbus_connection_send_with_reply_and_block(m_connection->bus, question, Bench::boundMs, &error);
    dbus_message_unref(question);
    if (!answer)
        fail(QStringLiteral("control: the bus's statistics: ") + QString::fromUtf8(error.message));
    // a{sv}: the entry "MatchRules" holds a u.
    int rules = -1;
    DBusMessageIter body, entries;
    if (dbus_message_iter_init(answer, &body) && dbus_message_iter_get_arg_type(&body) == DBUS_TYPE_ARRAY) {
        for (dbus_message_iter_recurse(&body, &entries);
             dbus_message_iter_get_arg_type(&entries) == DBUS_TYPE_DICT_ENTRY; dbus_message_iter_next(&entries)) {
            DBusMessageIter entry, value;
            const char* key = nullptr;
            dbus_message_iter_recurse(&entries, &entry);
            dbus_message_iter_get_basic(&entry, &key);
            dbus_message_iter_next(&entry);
            dbus_message_iter_recurse(&entry, &value);
            if (qstrcmp(key, "MatchRules") == 0 && dbus_message_iter_get_arg_type(&value) == DBUS_TYPE_UINT32) {
                dbus_uint32_t count = 0;
                dbus_message_iter_get_basic(&value, &count);
                rules = int(count);
            }
        }
    }
    dbus_message_unref(answer);
    if (rules < 0)
        fail(QStringLiteral("control: the bus's statistics name no match rules for ") + name);
    return rules;
}
