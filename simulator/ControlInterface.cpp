#include "ControlInterface.h"

#include "CallResponder.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusVariant>

namespace {
QString str(const QDBusMessage& call, int index)
{
    return call.arguments().at(index).toString();
}

QVariant inner(const QDBusMessage& call, int index)
{
    return qvariant_cast<QDBusVariant>(call.arguments().at(index)).variant();
}
} // namespace

ControlInterface::ControlInterface(const QDBusConnection& connection, CallResponder& responder)
    : m_connection(connection)
    , m_responder(responder)
{
    auto ok = [](const QDBusMessage& call) { return call.createReply(); };

    m_methods.insert(QStringLiteral("SetReply"), {QStringLiteral("sisv"), [this, ok](const QDBusMessage& call) {
        Answer answer;
        answer.code = call.arguments().at(1).toInt();
        answer.message = str(call, 2);
        answer.value = inner(call, 3);
        m_responder.setAnswer(str(call, 0), answer);
        return ok(call);
    }});
    m_methods.insert(QStringLiteral("SetError"), {QStringLiteral("sss"), [this, ok](const QDBusMessage& call) {
        Answer answer;
        answer.kind = Answer::Error;
        answer.errorName = str(call, 1);
        answer.message = str(call, 2);
        m_responder.setAnswer(str(call, 0), answer);
        return ok(call);
    }});
    m_methods.insert(QStringLiteral("SetRawReply"), {QStringLiteral("sv"), [this, ok](const QDBusMessage& call) {
        Answer answer;
        answer.kind = Answer::Raw;
        answer.value = inner(call, 1);
        m_responder.setAnswer(str(call, 0), answer);
        return ok(call);
    }});
    m_methods.insert(QStringLiteral("SetNoReply"), {QStringLiteral("s"), [this, ok](const QDBusMessage& call) {
        Answer answer;
        answer.kind = Answer::Never;
        m_responder.setAnswer(str(call, 0), answer);
        return ok(call);
    }});
    m_methods.insert(QStringLiteral("SetDelay"), {QStringLiteral("su"), [this, ok](const QDBusMessage& call) {
        m_responder.setDelay(str(call, 0), int(call.arguments().at(1).toUInt()));
        return ok(call);
    }});
    m_methods.insert(QStringLiteral("ReleaseHeld"), {QString(), [this](const QDBusMessage& call) {
        return call.createReply(uint(m_responder.releaseHeld()));
    }});
    m_methods.insert(QStringLiteral("Reset"), {QString(), [this, ok](const QDBusMessage& call) {
        m_responder.reset();
        return ok(call);
    }});
    m_methods.insert(QStringLiteral("Calls"), {QString(), [this](const QDBusMessage& call) {
        return call.createReply(QVariant::fromValue(m_responder.calls()));
    }});
    m_methods.insert(QStringLiteral("ClearCalls"), {QString(), [this, ok](const QDBusMessage& call) {
        m_responder.clearCalls();
        return ok(call);
    }});
    m_methods.insert(QStringLiteral("OwnName"), {QStringLiteral("s"), [this](const QDBusMessage& call) {
        return call.createReply(m_connection.registerService(str(call, 0)));
    }});
    m_methods.insert(QStringLiteral("ReleaseName"), {QStringLiteral("s"), [this](const QDBusMessage& call) {
        return call.createReply(m_connection.unregisterService(str(call, 0)));
    }});
    m_methods.insert(QStringLiteral("EmitSignal"), {QStringLiteral("sssav"), [this](const QDBusMessage& call) {
        return emitSignal(call);
    }});
}

QString ControlInterface::name()
{
    return QStringLiteral("com.vantelo.Simulator.Control");
}

QString ControlInterface::introspectionXml()
{
    return QStringLiteral(
        "  <interface name=\"com.vantelo.Simulator.Control\">\n"
        "    <method name=\"SetReply\"><arg name=\"method\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"code\" type=\"i\" direction=\"in\"/><arg name=\"message\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"value\" type=\"v\" direction=\"in\"/></method>\n"
        "    <method name=\"SetError\"><arg name=\"method\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"errorName\" type=\"s\" direction=\"in\"/><arg name=\"errorMessage\" type=\"s\" direction=\"in\"/>"
        "</method>\n"
        "    <method name=\"SetRawReply\"><arg name=\"method\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"value\" type=\"v\" direction=\"in\"/></method>\n"
        "    <method name=\"SetNoReply\"><arg name=\"method\" type=\"s\" direction=\"in\"/></method>\n"
        "    <method name=\"SetDelay\"><arg name=\"method\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"milliseconds\" type=\"u\" direction=\"in\"/></method>\n"
        "    <method name=\"ReleaseHeld\"><arg name=\"released\" type=\"u\" direction=\"out\"/></method>\n"
        "    <method name=\"Reset\"/>\n"
        "    <method name=\"Calls\"><arg name=\"calls\" type=\"a(ssssav)\" direction=\"out\"/></method>\n"
        "    <method name=\"ClearCalls\"/>\n"
        "    <method name=\"OwnName\"><arg name=\"name\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"owned\" type=\"b\" direction=\"out\"/></method>\n"
        "    <method name=\"ReleaseName\"><arg name=\"name\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"released\" type=\"b\" direction=\"out\"/></method>\n"
        "    <method name=\"EmitSignal\"><arg name=\"path\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"interface\" type=\"s\" direction=\"in\"/><arg name=\"name\" type=\"s\" direction=\"in\"/>"
        "<arg name=\"arguments\" type=\"av\" direction=\"in\"/></method>\n"
        "  </interface>\n");
}

void ControlInterface::handle(const QDBusMessage& call)
{
    const auto method = m_methods.constFind(call.member());
    if (method == m_methods.constEnd()) {
        m_connection.send(call.createErrorReply(QDBusError::UnknownMethod,
                                                QStringLiteral("No control method %1").arg(call.member())));
        return;
    }
    if (call.signature() != method->first) {
        m_connection.send(call.createErrorReply(
            QDBusError::InvalidArgs,
            QStringLiteral("%1 takes (%2), not (%3)").arg(call.member(), method->first, call.signature())));
        return;
    }
    m_connection.send(method->second(call));
}

QDBusMessage ControlInterface::emitSignal(const QDBusMessage& call)
{
    QDBusMessage signal = QDBusMessage::createSignal(str(call, 0), str(call, 1), str(call, 2));
    signal.setArguments(qdbus_cast<QVariantList>(call.arguments().at(3)));
    if (!m_connection.send(signal))
        return call.createErrorReply(QDBusError::InvalidArgs, m_connection.lastError().message());
    return call.createReply();
}
