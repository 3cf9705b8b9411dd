#include "CallResponder.h"

#include "DBusReply.h"

#include <QDBusVariant>
#include <QTextStream>
#include <QTimer>

#include <utility>

CallResponder::CallResponder(const QDBusConnection& connection, SimulatedDevice& device, bool logCalls,
                             QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_device(device)
    , m_logCalls(logCalls)
{
}

void CallResponder::respond(const QDBusMessage& call)
{
    m_calls.append({call.path(), call.interface(), call.member(), call.signature(), call.arguments()});
    log(call);

    const Answer answer = m_answers.value(call.member());
    if (answer.kind == Answer::Never) {
        call.setDelayedReply(true);
        m_held.append(call);
        return;
    }
    if (answer.delayMs > 0) {
        call.setDelayedReply(true);
        QTimer::singleShot(answer.delayMs, this, [this, call, answer] { send(call, answer); });
        return;
    }
    send(call, answer);
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
    const QList<QDBusMessage> held = std::exchange(m_held, {});
    for (const QDBusMessage& call : held)
        send(call, Answer());
    return held.size();
}

void CallResponder::reset()
{
    m_answers.clear();
    m_calls.clear();
    releaseHeld();
}

void CallResponder::send(const QDBusMessage& call, const Answer& answer)
{
    switch (answer.kind) {
    case Answer::AsTheDevice:
    case Answer::Never:
        sendAsTheDevice(call);
        return;
    case Answer::Error:
        m_connection.send(call.createErrorReply(answer.errorName, answer.message));
        return;
    case Answer::Raw:
        m_connection.send(call.createReply(answer.value));
        return;
    case Answer::Envelope: {
        DBusReply envelope;
        envelope.setError(answer.code, answer.message);
        envelope.setValue(answer.value);
        m_connection.send(call.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(envelope)))));
        return;
    }
    }
}

void CallResponder::sendAsTheDevice(const QDBusMessage& call)
{
    QDBusError::ErrorType errorType = QDBusError::Other;
    QString message;
    if (!m_device.accepts(call, &errorType, &message)) {
        m_connection.send(call.createErrorReply(errorType, message));
        return;
    }
    DBusReply envelope;
    QList<QDBusMessage> announcements;
    if (!m_device.answer(call, &envelope, &announcements, &message)) {
        m_connection.send(call.createErrorReply(QStringLiteral("com.vantelo.Simulator.Error.UnknownArguments"), message));
        return;
    }
    m_connection.send(call.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(envelope)))));
    for (const QDBusMessage& announcement : announcements)
        m_connection.send(announcement);
}

void CallResponder::log(const QDBusMessage& call) const
{
    if (!m_logCalls)
        return;
    QTextStream out(stdout);
    out << call.service() << ' ' << call.path() << ' ' << call.interface() << '.' << call.member() << '('
        << call.signature() << ")\n";
}
