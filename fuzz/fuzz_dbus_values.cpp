// Feeds any bytes as a method call's body to Qt D-Bus in this process, over a
// real connection, and reads what arrives as the client and the QML module
// read values from the bus. The first byte gives the length of the body's
// signature, the next bytes are the signature, the rest the body. What libdbus
// refuses as a message is not sent; what it accepts must be read without a
// fault, into values whose D-Bus types are the message's signature.

#include "DBusReply.h"
#include "JsonValue.h"
#include "QmlValue.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServer>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <dbus/dbus.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
const char objectPath[] = "/f";
const char memberName[] = "F";

// Every value the call carries, read as the client and the QML module read it.
class ValueReader : public QDBusVirtualObject
{
public:
    int handled = 0;

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override
    {
        QString signature;
        for (const QVariant& argument : message.arguments()) {
            signature += JsonValue::signatureOf(argument);
            JsonValue::fromVariant(argument);
            JsonValue::typed(argument);
            QmlValue::fromDBus(argument);
            readEnvelope(argument);
        }
        // The client's typed form names the types that were on the wire.
        if (signature != message.signature()) {
            fprintf(stderr, "read as \"%s\", sent as \"%s\"\n", qPrintable(signature), qPrintable(message.signature()));
            abort();
        }
        ++handled;
        static const bool trace = qEnvironmentVariableIsSet("FUZZ_TRACE");
        if (trace)
            fprintf(stderr, "read \"%s\"\n", qPrintable(signature));
        return true;
    }
    QString introspect(const QString&) const override { return QString(); }

private:
    // An answer's envelope, as the connectors read it from the variant it travels in.
    static void readEnvelope(const QVariant& argument)
    {
        QVariant inner = argument;
        if (inner.userType() == qMetaTypeId<QDBusVariant>())
            inner = qvariant_cast<QDBusVariant>(inner).variant();
        if (inner.userType() != qMetaTypeId<QDBusArgument>())
            return;
        DBusReply reply;
        qvariant_cast<QDBusArgument>(inner) >> reply;
        JsonValue::fromVariant(reply.getValue());
        QmlValue::fromDBus(reply.getValue());
    }
};

// Reading a QDBusArgument against its type is a fault of the reader; Qt's
// other remarks on odd values (an empty signature) are not.
void failOnMisreadArgument(QtMsgType, const QMessageLogContext&, const QString& message)
{
    if (message.startsWith(QLatin1String("QDBusArgument:"))) {
        fprintf(stderr, "%s\n", qPrintable(message));
        abort();
    }
}

// Writes a message header as D-Bus lays it out, little-endian.
class HeaderWriter
{
public:
    QByteArray bytes;

    void pad(int alignment)
    {
        while (bytes.size() % alignment)
            bytes.append('\0');
    }
    void byte(char value) { bytes.append(value); }
    void uint32(quint32 value)
    {
        pad(4);
        for (int shift = 0; shift < 32; shift += 8)
            bytes.append(char((value >> shift) & 0xff));
    }
    void text(const QByteArray& value)
    {
        uint32(quint32(value.size()));
        bytes.append(value).append('\0');
    }
    void signature(const QByteArray& value)
    {
        byte(char(value.size()));
        bytes.append(value).append('\0');
    }
    // A header field: its code, then a variant of the given type.
    void field(char code, char type, const QByteArray& value)
    {
        pad(8);
        byte(code);
        signature(QByteArray(1, type));
        if (type == 'g')
            signature(value);
        else
            text(value);
    }
};

// A method call to objectPath, that expects no reply, with the given body.
QByteArray methodCall(const QByteArray& signature, const QByteArray& body)
{
    HeaderWriter header;
    header.byte('l');
    header.byte(1); // method call
    header.byte(1); // no reply expected
    header.byte(1); // protocol version
    header.uint32(quint32(body.size()));
    header.uint32(1); // serial
    header.uint32(0); // the fields' length, filled in below
    const int fieldsStart = header.bytes.size(); // 16, aligned to 8 as the first field
    header.field(1, 'o', objectPath);
    header.field(3, 's', memberName);
    if (!signature.isEmpty())
        header.field(8, 'g', signature);
    const quint32 fieldsLength = quint32(header.bytes.size() - fieldsStart);
    for (int i = 0; i < 4; ++i)
        header.bytes[12 + i] = char((fieldsLength >> (8 * i)) & 0xff);
    header.pad(8);
    return header.bytes + body;
}

// Qt D-Bus in this process as a peer, and a libdbus connection to it that sends.
struct Peers
{
    QTemporaryDir directory;
    QDBusServer* server = nullptr;
    ValueReader reader;
    bool registered = false;
    DBusConnection* sender = nullptr;

    // Sends the message and lets Qt deliver it; whether it was read, bounded.
    bool deliver(DBusMessage* message)
    {
        const int before = reader.handled;
        if (!dbus_connection_send(sender, message, nullptr))
            return false;
        dbus_connection_flush(sender);
        return waitFor([&] { return reader.handled > before; });
    }

    template <typename Condition>
    static bool waitFor(const Condition& done)
    {
        const QDeadlineTimer deadline(5000);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }
};

Peers* peers = nullptr;

DBusMessage* demarshal(const QByteArray& wire)
{
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* message = dbus_message_demarshal(wire.constData(), wire.size(), &error);
    dbus_error_free(&error);
    return message;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    new QCoreApplication(*argc, *argv);
    qInstallMessageHandler(failOnMisreadArgument);
    dbus_threads_init_default();
    peers = new Peers;
    peers->server = new QDBusServer(QStringLiteral("unix:dir=") + peers->directory.path());
    QObject::connect(peers->server, &QDBusServer::newConnection, [](const QDBusConnection& connection) {
        QDBusConnection(connection).registerVirtualObject(QLatin1String(objectPath), &peers->reader);
        peers->registered = true;
    });
    DBusError error;
    dbus_error_init(&error);
    peers->sender = dbus_connection_open_private(peers->server->address().toUtf8().constData(), &error);
    if (!peers->sender) {
        fprintf(stderr, "cannot connect to the peer: %s\n", error.message);
        abort();
    }
    DBusMessage* first = demarshal(methodCall(QByteArray(), QByteArray()));
    if (!first || !Peers::waitFor([] { return peers->registered; }) || !peers->deliver(first)) {
        fprintf(stderr, "the peer does not read the first call\n");
        abort();
    }
    dbus_message_unref(first);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t signatureLength = data[0] & 0x3f;
    if (size < 1 + signatureLength)
        return 0;
    const QByteArray signature(reinterpret_cast<const char*>(data) + 1, int(signatureLength));
    // File descriptors need a connection that passes them.
    if (signature.contains('h') || signature.contains('\0'))
        return 0;
    const QByteArray body(reinterpret_cast<const char*>(data) + 1 + signatureLength, int(size - 1 - signatureLength));
    DBusMessage* message = demarshal(methodCall(signature, body));
    if (!message)
        return 0;
    const bool delivered = peers->deliver(message);
    dbus_message_unref(message);
    if (!delivered) {
        fprintf(stderr, "a message that libdbus accepts was not read\n");
        abort();
    }
    return 0;
}
