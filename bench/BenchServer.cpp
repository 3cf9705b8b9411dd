// The remote side of the benchmarks, written on libdbus alone so that it
// costs less than any client it serves.
//
//   vantelo-bench-server --address ADDR --interfaces DIR NAME...
//       owns the bus names; answers every method call at once with the reply
//       envelope, a variant holding (isv): code 0, no message and a byte array
//       as long as the call's first string argument says; describes every
//       object with the interface files of DIR; emits signals on request.
//   vantelo-bench-server --address ADDR --hang NAME...
//       owns the names and never reads the bus again: a service that hangs.
//
// Prints "ready" once it owns its names.

#include <dbus/dbus.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
const char controlInterface[] = "com.vantelo.Bench.Control";
const char sizeError[] = "com.vantelo.Bench.Error.Size";

struct Server
{
    DBusConnection* connection = nullptr;
    std::string introspection;
    std::vector<unsigned char> payload;
};

[[noreturn]] void die(const std::string& what)
{
    std::fprintf(stderr, "vantelo-bench-server: %s\n", what.c_str());
    std::exit(1);
}

// One <node> with every <interface> element of the files in `directory`.
std::string describeInterfaces(const std::string& directory)
{
    std::string node = DBUS_INTROSPECT_1_0_XML_DOCTYPE_DECL_NODE "<node>\n";
    DIR* dir = opendir(directory.c_str());
    if (!dir)
        die("cannot read " + directory);
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".xml") != 0)
            continue;
        std::ifstream file(directory + "/" + name);
        std::stringstream text;
        text << file.rdbuf();
        const std::string content = text.str();
        const size_t begin = content.find("<interface ");
        const size_t end = content.rfind("</interface>");
        if (begin != std::string::npos && end != std::string::npos)
            node += content.substr(begin, end + std::strlen("</interface>") - begin) + "\n";
    }
    closedir(dir);
    return node + "</node>\n";
}

uint64_t monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
}

void sendAndRelease(DBusConnection* connection, DBusMessage* message)
{
    if (!message || !dbus_connection_send(connection, message, nullptr))
        die("out of memory");
    dbus_message_unref(message);
}

// The first string argument, or null.
const char* firstString(DBusMessage* message)
{
    DBusMessageIter arguments;
    if (!dbus_message_iter_init(message, &arguments) || dbus_message_iter_get_arg_type(&arguments) != DBUS_TYPE_STRING)
        return nullptr;
    const char* text = nullptr;
    dbus_message_iter_get_basic(&arguments, &text);
    return text;
}

DBusMessage* envelope(DBusMessage* call, Server& server, size_t size)
{
    if (server.payload.size() < size) {
        server.payload.resize(size);
        for (size_t i = 0; i < size; ++i)
            server.payload[i] = static_cast<unsigned char>(i * 31 + 7);
    }
    DBusMessage* reply = dbus_message_new_method_return(call);
    DBusMessageIter body, variant, envelopeStruct, value, bytes;
    const dbus_int32_t code = 0;
    const char* message = "";
    const unsigned char* data = server.payload.data();
    dbus_message_iter_init_append(reply, &body);
    dbus_message_iter_open_container(&body, DBUS_TYPE_VARIANT, "(isv)", &variant);
    dbus_message_iter_open_container(&variant, DBUS_TYPE_STRUCT, nullptr, &envelopeStruct);
    dbus_message_iter_append_basic(&envelopeStruct, DBUS_TYPE_INT32, &code);
    dbus_message_iter_append_basic(&envelopeStruct, DBUS_TYPE_STRING, &message);
    dbus_message_iter_open_container(&envelopeStruct, DBUS_TYPE_VARIANT, "ay", &value);
    dbus_message_iter_open_container(&value, DBUS_TYPE_ARRAY, "y", &bytes);
    if (!dbus_message_iter_append_fixed_array(&bytes, DBUS_TYPE_BYTE, &data, int(size)))
        die("out of memory");
    dbus_message_iter_close_container(&value, &bytes);
    dbus_message_iter_close_container(&envelopeStruct, &value);
    dbus_message_iter_close_container(&variant, &envelopeStruct);
    dbus_message_iter_close_container(&body, &variant);
    return reply;
}

// Emit(s path, s interface, s member, u count): `count` signals, each with
// one string, the monotonic clock in nanoseconds when it was sent.
DBusMessage* emitSignals(DBusMessage* call, Server& server)
{
    const char* path = nullptr;
    const char* interface = nullptr;
    const char* member = nullptr;
    dbus_uint32_t count = 0;
    DBusError error;
    dbus_error_init(&error);
    if (!dbus_message_get_args(call, &error, DBUS_TYPE_STRING, &path, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING,
                               &member, DBUS_TYPE_UINT32, &count, DBUS_TYPE_INVALID)) {
        DBusMessage* reply = dbus_message_new_error(call, error.name, error.message);
        dbus_error_free(&error);
        return reply;
    }
    for (dbus_uint32_t i = 0; i < count; ++i) {
        DBusMessage* signal = dbus_message_new_signal(path, interface, member);
        const std::string stamp = std::to_string(monotonicNanoseconds());
        const char* text = stamp.c_str();
        dbus_message_append_args(signal, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID);
        sendAndRelease(server.connection, signal);
    }
    return dbus_message_new_method_return(call);
}

DBusHandlerResult answer(DBusConnection*, DBusMessage* call, void* data)
{
    Server& server = *static_cast<Server*>(data);
    if (dbus_message_get_type(call) != DBUS_MESSAGE_TYPE_METHOD_CALL)
        return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;

    DBusMessage* reply = nullptr;
    if (dbus_message_is_method_call(call, DBUS_INTERFACE_INTROSPECTABLE, "Introspect")) {
        reply = dbus_message_new_method_return(call);
        const char* xml = server.introspection.c_str();
        dbus_message_append_args(reply, DBUS_TYPE_STRING, &xml, DBUS_TYPE_INVALID);
    } else if (dbus_message_is_method_call(call, controlInterface, "Emit")) {
        reply = emitSignals(call, server);
    } else {
        const char* sizeText = firstString(call);
        char* end = nullptr;
        errno = 0;
        const unsigned long size = sizeText ? std::strtoul(sizeText, &end, 10) : 0;
        if (!sizeText || *end != '\0' || errno != 0 || size > (64ul << 20))
            reply = dbus_message_new_error(call, sizeError, "the first argument must name the reply's size in bytes");
        else
            reply = envelope(call, server, size);
    }
    if (!dbus_message_get_no_reply(call))
        sendAndRelease(server.connection, reply);
    else
        dbus_message_unref(reply);
    return DBUS_HANDLER_RESULT_HANDLED;
}
} // namespace

int main(int argc, char* argv[])
{
    std::string address;
    std::string interfaces;
    bool hang = false;
    std::vector<std::string> names;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--address" && i + 1 < argc)
            address = argv[++i];
        else if (argument == "--interfaces" && i + 1 < argc)
            interfaces = argv[++i];
        else if (argument == "--hang")
            hang = true;
        else
            names.push_back(argument);
    }
    if (address.empty() || names.empty() || (!hang && interfaces.empty()))
        die("usage: vantelo-bench-server --address ADDR (--interfaces DIR | --hang) NAME...");

    Server server;
    DBusError error;
    dbus_error_init(&error);
    server.connection = dbus_connection_open_private(address.c_str(), &error);
    if (!server.connection || !dbus_bus_register(server.connection, &error))
        die(std::string("cannot connect to ") + address + ": " + (error.message ? error.message : "?"));
    for (const std::string& name : names) {
        if (dbus_bus_request_name(server.connection, name.c_str(), DBUS_NAME_FLAG_DO_NOT_QUEUE, &error) !=
            DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER)
            die("cannot own " + name);
    }
    std::printf("ready\n");
    std::fflush(stdout);

    if (hang) {
        for (;;)
            pause();
    }
    server.introspection = describeInterfaces(interfaces);
    dbus_connection_add_filter(server.connection, answer, &server, nullptr);
    while (dbus_connection_read_write_dispatch(server.connection, -1)) { }
    return 0;
}
