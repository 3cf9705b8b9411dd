#include "ControlInterface.h"

#include "CallResponder.h"
#include "DBusNameRules.h"
#include "SimulatedServices.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QRegularExpression>

#include <algorithm>

namespace {
// Longer than any test or demonstration waits; a larger delay is a mistake.
const uint maximumDelayMs = 10 * 60 * 1000;
// The containers of an envelope reply around its value: the answer's
// variant, the (isv) struct and the value's variant; D-Bus carries 64 in all.
const int envelopeDepth = 3;
const int maximumDepth = 64;

QString str(const QDBusMessage& call, int index)
{
    return call.arguments().at(index).toString();
}

QVariant inner(const QDBusMessage& call, int index)
{
    return qvariant_cast<QDBusVariant>(call.arguments().at(index)).variant();
}

QDBusMessage refuse(const QDBusMessage& call, const QString& reason)
{
    return call.createErrorReply(QDBusError::InvalidArgs, reason);
}

bool isValidMemberName(const QString& name)
{
    static const QRegularExpression member(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,254}$"));
    return member.match(name).hasMatch();
}

int depthOf(const QVariant& value);

// The containers the argument's current element nests; reads past it.
int depthOf(const QDBusArgument& argument)
{
    int inside = 0;
    switch (argument.currentType()) {
    case QDBusArgument::VariantType:
        return 1 + depthOf(qvariant_cast<QDBusVariant>(argument.asVariant()).variant());
    case QDBusArgument::ArrayType:
        argument.beginArray();
        while (!argument.atEnd())
            inside = std::max(inside, depthOf(argument));
        argument.endArray();
        return 1 + inside;
    case QDBusArgument::StructureType:
        argument.beginStructure();
        while (!argument.atEnd())
            inside = std::max(inside, depthOf(argument));
        argument.endStructure();
        return 1 + inside;
    case QDBusArgument::MapType:
        argument.beginMap();
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            inside = std::max({inside, depthOf(argument), depthOf(argument)});
            argument.endMapEntry();
        }
        argument.endMap();
        return 2 + inside; // the array and its dict entries
    case QDBusArgument::BasicType:
    case QDBusArgument::MapEntryType:
    case QDBusArgument::UnknownType:
        break;
    }
    argument.asVariant();
    return 0;
}

// The containers a value received from the bus nests: Qt hands over lists of
// strings and byte arrays as such, other compound values as a QDBusArgument.
int depthOf(const QVariant& value)
{
    const int type = value.userType();
    if (type == qMetaTypeId<QDBusArgument>())
        return depthOf(qvariant_cast<QDBusArgument>(value));
    if (type == qMetaTypeId<QDBusVariant>())
        return 1 + depthOf(qvariant_cast<QDBusVariant>(value).variant());
    return type == QMetaType::QStringList || type == QMetaType::QByteArray ? 1 : 0;
}
} // namespace

ControlInterface::ControlInterface(CallResponder& responder, SimulatedServices& services)
    : m_responder(responder)
    , m_services(services)
{
    m_methods.insert(QStringLiteral("SetReply"), [this](const QDBusMessage& call) {
        Answer answer;
        answer.kind = Answer::Envelope;
        answer.code = call.arguments().at(1).toInt();
        answer.message = str(call, 2);
        answer.value = inner(call, 3);
        if (envelopeDepth + depthOf(answer.value) > maximumDepth)
            return refuse(call, QStringLiteral("The value nests too deeply for an envelope: D-Bus carries %1 "
                                               "containers around a value, %2 of them the envelope's")
                                    .arg(maximumDepth)
                                    .arg(envelopeDepth));
        return setAnswer(call, answer);
    });
    m_methods.insert(QStringLiteral("SetError"), [this](const QDBusMessage& call) {
        Answer answer;
        answer.kind = Answer::Error;
        answer.errorName = str(call, 1);
        answer.message = str(call, 2);
        if (!DBusNameRules::isValidInterfaceName(answer.errorName))
            return refuse(call, QStringLiteral("'%1' is no valid D-Bus error name").arg(answer.errorName));
        return setAnswer(call, answer);
    });
    m_methods.insert(QStringLiteral("SetRawReply"), [this](const QDBusMessage& call) {
        Answer answer;
        answer.kind = Answer::Raw;
        answer.value = inner(call, 1);
        return setAnswer(call, answer);
    });
    m_methods.insert(QStringLiteral("SetNoReply"), [this](const QDBusMessage& call) {
        Answer answer;
        answer.kind = Answer::Never;
        return setAnswer(call, answer);
    });
    m_methods.insert(QStringLiteral("SetDelay"), [this](const QDBusMessage& call) {
        const uint delayMs = call.arguments().at(1).toUInt();
        const QString refusal = refusalOfMethod(str(call, 0));
        if (!refusal.isEmpty())
            return refuse(call, refusal);
        if (delayMs > maximumDelayMs)
            return refuse(call, QStringLiteral("A delay of %1 ms is beyond the %2 ms the simulator waits at most")
                                    .arg(delayMs)
                                    .arg(maximumDelayMs));
        m_responder.setDelay(str(call, 0), int(delayMs));
        return call.createReply();
    });
    m_methods.insert(QStringLiteral("ReleaseHeld"),
                     [this](const QDBusMessage& call) { return call.createReply(uint(m_responder.releaseHeld())); });
    m_methods.insert(QStringLiteral("Reset"), [this](const QDBusMessage& call) {
        m_responder.reset();
        return call.createReply();
    });
    m_methods.insert(QStringLiteral("Calls"), [this](const QDBusMessage& call) {
        return call.createReply(QVariant::fromValue(m_responder.calls()));
    });
    m_methods.insert(QStringLiteral("ClearCalls"), [this](const QDBusMessage& call) {
        m_responder.clearCalls();
        return call.createReply();
    });
    m_methods.insert(QStringLiteral("OwnName"), [this](const QDBusMessage& call) { return changeName(call, true); });
    m_methods.insert(QStringLiteral("ReleaseName"),
                     [this](const QDBusMessage& call) { return changeName(call, false); });
    m_methods.insert(QStringLiteral("EmitSignal"), [this](const QDBusMessage& call) { return emitSignal(call); });
}

QString ControlInterface::name()
{
    return QStringLiteral("com.vantelo.Simulator.Control");
}

QString ControlInterface::serviceName()
{
    return QStringLiteral("com.vantelo.Simulator");
}

QString ControlInterface::path()
{
    return QStringLiteral("/com/vantelo/Simulator");
}

QDBusMessage ControlInterface::handle(const QDBusMessage& call)
{
    const auto method = m_methods.constFind(call.member());
    if (method == m_methods.constEnd())
        return call.createErrorReply(QDBusError::UnknownMethod,
                                     QStringLiteral("No control method %1").arg(call.member()));
    return method.value()(call);
}

QString ControlInterface::refusalOfMethod(const QString& member) const
{
    if (!isValidMemberName(member))
        return QStringLiteral("'%1' is no valid D-Bus method name").arg(member);
    if (!m_services.servesMethod(member))
        return QStringLiteral("No served interface has a method %1").arg(member);
    return QString();
}

QDBusMessage ControlInterface::setAnswer(const QDBusMessage& call, const Answer& answer)
{
    const QString refusal = refusalOfMethod(str(call, 0));
    if (!refusal.isEmpty())
        return refuse(call, refusal);
    m_responder.setAnswer(str(call, 0), answer);
    return call.createReply();
}

QDBusMessage ControlInterface::changeName(const QDBusMessage& call, bool own)
{
    const QString name = str(call, 0);
    QString refusal;
    if (!m_services.mayOwn(name, &refusal))
        return refuse(call, refusal);
    return call.createReply(own ? m_services.own(name) : m_services.release(name));
}

QDBusMessage ControlInterface::emitSignal(const QDBusMessage& call)
{
    const QString path = str(call, 0);
    const QString interface = str(call, 1);
    const QString member = str(call, 2);
    if (!DBusNameRules::isValidObjectPath(path))
        return refuse(call, QStringLiteral("'%1' is no valid object path").arg(path));
    if (!DBusNameRules::isValidInterfaceName(interface))
        return refuse(call, QStringLiteral("'%1' is no valid interface name").arg(interface));
    if (!isValidMemberName(member))
        return refuse(call, QStringLiteral("'%1' is no valid signal name").arg(member));
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, member);
    signal.setArguments(qdbus_cast<QVariantList>(call.arguments().at(3)));
    QString refusal;
    if (!m_services.emitSignal(signal, &refusal))
        return refuse(call, refusal);
    return call.createReply();
}
