#include "ControlInterface.h"

#include "CallResponder.h"
#include "InterfaceCatalogue.h"

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

ControlInterface::ControlInterface(const QDBusConnection& connection, const InterfaceCatalogue& catalogue,
                                   CallResponder& responder)
    : m_connection(connection)
    , m_catalogue(catalogue)
    , m_responder(responder)
{
    auto ok = [](const QDBusMessage& call) { return call.createReply(); };

    m_methods.insert(QStringLiteral("SetReply"), [this, ok](const QDBusMessage& call) {
        Answer answer;
        answer.kind = Answer::Envelope;
        answer.code = call.arguments().at(1).toInt();
        answer.message = str(call, 2);
        answer.value = inner(call, 3);
        m_responder.setAnswer(str(call, 0), answer);
        return ok(call);
    });
    m_methods.insert(QStringLiteral("SetError"), [this, ok](const QDBusMessage& call) {
        Answer answer;
        answer.kind = Answer::Error;
        answer.errorName = str(call, 1);
        answer.message = str(call, 2);
        m_responder.setAnswer(str(call, 0), answer);
        return ok(call);
    });
    m_methods.insert(QStringLiteral("SetRawReply"), [this, ok](const QDBusMessage& call) {
        Answer answer;
        answer.kind = Answer::Raw;
        answer.value = inner(call, 1);
        m_responder.setAnswer(str(call, 0), answer);
        return ok(call);
    });
    m_methods.insert(QStringLiteral("SetNoReply"), [this, ok](const QDBusMessage& call) {
        Answer answer;
        answer.kind = Answer::Never;
        m_responder.setAnswer(str(call, 0), answer);
        return ok(call);
    });
    m_methods.insert(QStringLiteral("SetDelay"), [this, ok](const QDBusMessage& call) {
        m_responder.setDelay(str(call, 0), int(call.arguments().at(1).toUInt()));
        return ok(call);
    });
    m_methods.insert(QStringLiteral("ReleaseHeld"), [this](const QDBusMessage& call) {
        return call.createReply(uint(m_responder.releaseHeld()));
    });
    m_methods.insert(QStringLiteral("Reset"), [this, ok](const QDBusMessage& call) {
        m_responder.reset();
        return ok(call);
    });
    m_methods.insert(QStringLiteral("Calls"), [this](const QDBusMessage& call) {
        return call.createReply(QVariant::fromValue(m_responder.calls()));
    });
    m_methods.insert(QStringLiteral("ClearCalls"), [this, ok](const QDBusMessage& call) {
        m_responder.clearCalls();
        return ok(call);
    });
    m_methods.insert(QStringLiteral("OwnName"), [this](const QDBusMessage& call) {
        return call.createReply(m_connection.registerService(str(call, 0)));
    });
    m_methods.insert(QStringLiteral("ReleaseName"), [this](const QDBusMessage& call) {
        return call.createReply(m_connection.unregisterService(str(call, 0)));
    });
    m_methods.insert(QStringLiteral("EmitSignal"), [this](const QDBusMessage& call) {
        return emitSignal(call);
    });
}

QString ControlInterface::name()
{
    return QStringLiteral("com.vantelo.Simulator.Control");
}

void ControlInterface::handle(const QDBusMessage& call)
{
    const InterfaceCatalogue::Interface* description = m_catalogue.find(name());
    const auto method = m_methods.constFind(call.member());
    if (method == m_methods.constEnd() || !description || !description->methods.contains(call.member())) {
        m_connection.send(call.createErrorReply(QDBusError::UnknownMethod,
                                                QStringLiteral("No control method %1").arg(call.member())));
        return;
    }
    const QString signature = description->methods.value(call.member()).signature;
    if (call.signature() != signature) {
        m_connection.send(call.createErrorReply(
            QDBusError::InvalidArgs,
            QStringLiteral("%1 takes (%2), not (%3)").arg(call.member(), signature, call.signature())));
        return;
    }
    m_connection.send(method.value()(call));
}

QDBusMessage ControlInterface::emitSignal(const QDBusMessage& call)
{
    QDBusMessage signal = QDBusMessage::createSignal(str(call, 0), str(call, 1), str(call, 2));
    signal.setArguments(qdbus_cast<QVariantList>(call.arguments().at(3)));
    if (!m_connection.send(signal))
        return call.createErrorReply(QDBusError::InvalidArgs, m_connection.lastError().message());
    return call.createReply();
}
