#include "DBusReply.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusVariant>

namespace {
const QLatin1String envelopeSignature("(isv)");
}

void DBusReply::setError(int errorCode, const QString& errorMessage)
{
    m_error = ErrorContainer(errorCode, errorMessage);
}

void DBusReply::setError(int errorCode, const QString& errorMessage, const QString& errorName)
{
    m_error = ErrorContainer(errorCode, errorMessage, errorName);
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusReply& reply)
{
    if (argument.currentSignature() != envelopeSignature) {
        const QString found = argument.currentSignature();
        reply.setError(ErrorContainer::getDefaultErrorCode(),
                       QStringLiteral("Malformed reply: expected a variant holding %1, found %2")
                           .arg(envelopeSignature, found.isEmpty() ? QStringLiteral("no compound value")
                                                                   : QLatin1Char('"') + found + QLatin1Char('"')),
                       QDBusError::errorString(QDBusError::InvalidSignature));
        return argument;
    }

    int code = 0;
    QString message;
    QDBusVariant value;
    argument.beginStructure();
    argument >> code >> message >> value;
    argument.endStructure();

    if (code != 0)
        reply.setError(code, message);
    reply.setValue(value.variant());
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusReply& reply)
{
    // A value-less envelope still needs a valid variant on the wire.
    const QVariant value = reply.getValue().isValid() ? reply.getValue() : QVariant(QString());
    argument.beginStructure();
    argument << reply.getError().getErrorCode() << reply.getError().getErrorMessage() << QDBusVariant(value);
    argument.endStructure();
    return argument;
}
