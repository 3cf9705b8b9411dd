#include "CallResponder.h"

#include "DBusReply.h"

#include <QDBusVariant>
#include <QTimer>

#include <utility>

namespace {
QVariant inVariant(const DBusReply& envelope)
{
    return QVariant::fromValue(QDBusVariant(QVariant::fromValue(envelope)));
}
} // namespace

CallResponder::CallResponder(DeviceBehaviour& device, int callLogLimit, QObject* parent)
    : QObject(parent)
    , m_device(device)
    , m_callLogLimit(callLogLimit)
{
}

void CallResponder::respond(const QDBusMessage& call, const QDBusConnection& connection)
{
    record(call);
    const HeldCall held{call, connection};
    const Answer answer = m_answers.value(call.member());
    if (answer.kind == Answer::Never) {
        call.setDelayedReply(true);
        m_held.append(held);
        return;
    }
    if (answer.delayMs > 0) {
        call.setDelayedReply(true);
        QTimer::singleShot(answer.delayMs, this, [this, held, answer] { send(held, answer); });
        return;
    }
    send(held, answer);
}

void CallResponder::setAnswer(const QString& member, const Answer& answer)
{
    Answer& stored = m_answers[member];
    const int delayMs = stored.delayMs;
    stored = answer;
    stored.delayMs = delayMs;
}

void CallResponder::setDelay(const QString& member, int delayMs)
{
    m_answers[member].delayMs = delayMs;
}

int CallResponder::releaseHeld()
{
    const QList<HeldCall> held = std::exchange(m_held, {});
    for (const HeldCall& call : held)
        send(call, Answer());
    return held.size();
}

void CallResponder::reset()
{
    m_answers.clear();
    clearCalls();
    releaseHeld();
}

namespace {
// The log keeps this much of a long text or byte array, and this many bytes in all.
const int longestLoggedArgument = 4096;
const qint64 callLogBytes = 16 * 1024 * 1024;

// The argument as the log keeps it, and about what it takes there: texts and
// byte arrays beyond the bound are shortened, texts saying so.
QVariant logged(const QVariant& argument, qint64* bytes)
{
    switch (argument.userType()) {
    case QMetaType::QString: {
        QString text = argument.toString();
        if (text.size() > longestLoggedArgument)
            text = text.left(longestLoggedArgument) +
                   QStringLiteral("… (shortened in the call log from %1 characters)").arg(argument.toString().size());
        *bytes += 2 * text.size();
        return text;
    }
    case QMetaType::QByteArray: {
        const QByteArray data = argument.toByteArray().left(longestLoggedArgument);
        *bytes += data.size();
        return data;
    }
    case QMetaType::QStringList: {
        QStringList texts;
        for (const QString& text : argument.toStringList())
            texts.append(logged(text, bytes).toString());
        return texts;
    }
    default:
        *bytes += 64;
        return argument;
    }
}
} // namespace

void CallResponder::record(const QDBusMessage& call)
{
    if (m_callLogLimit <= 0)
        return;
    qint64 bytes = 0;
    QVariantList arguments;
    for (const QVariant& argument : call.arguments())
        arguments.append(logged(argument, &bytes));
    // Bounded by count and by size: the oldest calls go first.
    while (!m_calls.isEmpty() && (m_calls.size() >= m_callLogLimit || m_callLogSize + bytes > callLogBytes)) {
        m_callLogSize -= m_callSizes.takeFirst();
        m_calls.removeFirst();
    }
    m_calls.append({call.path(), call.interface(), call.member(), call.signature(), arguments});
    m_callSizes.append(bytes);
    m_callLogSize += bytes;
}

void CallResponder::clearCalls()
{
    m_calls.clear();
    m_callSizes.clear();
    m_callLogSize = 0;
}

void CallResponder::send(const HeldCall& held, const Answer& answer)
{
    QDBusConnection connection(held.connection);
    switch (answer.kind) {
    case Answer::AsTheDevice:
    case Answer::Never:
        sendAsTheDevice(held);
        return;
    case Answer::Error:
        connection.send(held.call.createErrorReply(answer.errorName, answer.message));
        return;
    case Answer::Raw:
        connection.send(held.call.createReply(answer.value));
        return;
    case Answer::Envelope: {
        DBusReply envelope;
        envelope.setError(answer.code, answer.message);
        envelope.setValue(answer.value);
        connection.send(held.call.createReply(inVariant(envelope)));
        return;
    }
    }
}

void CallResponder::sendAsTheDevice(const HeldCall& held)
{
    QDBusConnection connection(held.connection);
    DBusReply envelope;
    QList<QDBusMessage> announcements;
    QString message;
    if (!m_device.answer(held.call, &envelope, &announcements, &message)) {
        connection.send(
            held.call.createErrorReply(QStringLiteral("com.vantelo.Simulator.Error.UnknownArguments"), message));
        return;
    }
    connection.send(held.call.createReply(inVariant(envelope)));
    for (const QDBusMessage& announcement : announcements)
        connection.send(announcement);
}
