#include "QmlConnector.h"

#include "QmlLogging.h"

#include "ConnectorTable.h"
#include "QmlPendingReply.h"
#include "QmlValue.h"
#include "ServiceFollower.h"
#include "VanteloDefinitions.h"

#include <QDBusError>
#include <QMetaMethod>
#include <QQmlInfo>

namespace {
struct NotGiven
{
};
} // namespace

Q_DECLARE_METATYPE(NotGiven)

namespace {
// The names of the catalogue's operations or signals.
template <typename Entries>
QStringList namesOf(const Entries& entries)
{
    QStringList names;
    for (const auto& entry : entries)
        names.append(entry.name);
    return names;
}

// The item's own signal that relays the catalogue's \a signal: same name,
// same parameter names. Invalid if there is none.
QMetaMethod relayingSignal(const SignalEntry& signal)
{
    const QMetaObject& meta = QmlConnector::staticMetaObject;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.methodType() != QMetaMethod::Signal || QString::fromLatin1(method.name()) != signal.name)
            continue;
        QStringList names;
        for (const QByteArray& name : method.parameterNames())
            names.append(QString::fromLatin1(name));
        if (names == signal.parameterNames)
            return method;
    }
    return QMetaMethod();
}

// Emits \a method on \a target with \a values, each already of its parameter's type.
bool emitSignal(QObject* target, const QMetaMethod& method, const QVariantList& values)
{
    if (!method.isValid() || method.parameterCount() != values.size())
        return false;
    QGenericArgument arguments[10];
    for (int i = 0; i < values.size(); ++i) {
        const int type = method.parameterType(i);
        if (type == QMetaType::QVariant)
            arguments[i] = QGenericArgument("QVariant", &values.at(i));
        else if (values.at(i).userType() == type)
            arguments[i] = QGenericArgument(values.at(i).typeName(), values.at(i).constData());
        else
            return false;
    }
    return method.invoke(target, Qt::DirectConnection, arguments[0], arguments[1], arguments[2], arguments[3],
                         arguments[4], arguments[5], arguments[6], arguments[7], arguments[8], arguments[9]);
}
} // namespace

QmlConnector::QmlConnector(QObject* parent)
    : QObject(parent)
{
}

QmlConnector::~QmlConnector() = default;

void QmlConnector::setConnector(const QString& name)
{
    setName(&m_name, name, &QmlConnector::connectorChanged);
}

void QmlConnector::setModule(const QString& module)
{
    setName(&m_module, module, &QmlConnector::moduleChanged);
}

void QmlConnector::setObject(const QString& object)
{
    setName(&m_object, object, &QmlConnector::objectChanged);
}

void QmlConnector::setName(QString* name, const QString& value, void (QmlConnector::*changed)())
{
    if (*name == value)
        return;
    *name = value;
    Q_EMIT(this->*changed)();
    if (m_complete)
        remake();
}

QString QmlConnector::className() const
{
    return m_entry ? m_entry->className : QString();
}

QString QmlConnector::service() const
{
    return m_connector ? m_connector->getServiceName() : QString();
}

QString QmlConnector::path() const
{
    return m_connector ? m_connector->getDBusPath() : QString();
}

QString QmlConnector::interfaceName() const
{
    return m_connector ? m_connector->getInterfaceName() : QString();
}

QStringList QmlConnector::operations() const
{
    return m_entry ? namesOf(m_entry->operations) : QStringList();
}

QStringList QmlConnector::relayedSignals() const
{
    return m_entry ? namesOf(m_entry->relayedSignals) : QStringList();
}

void QmlConnector::classBegin()
{
}

void QmlConnector::componentComplete()
{
    m_complete = true;
    remake();
}

void QmlConnector::release()
{
    m_follower.reset();
    m_connector.reset();
    m_entry = nullptr;
}

void QmlConnector::remake()
{
    release();
    m_entry = findConnector(m_name);
    if (!m_entry) {
        QStringList names;
        for (const ConnectorEntry& entry : connectorTable())
            names.append(QStringLiteral("%1 (%2)").arg(entry.className, entry.alias));
        refuse(
            QStringLiteral("no connector \"%1\"; the connectors are %2").arg(m_name, names.join(QStringLiteral(", "))));
        return;
    }
    // A name the factory doesn't take is refused rather than dropped.
    if (!m_module.isEmpty() && m_entry->addressing == ConnectorEntry::FixedAddress) {
        refuse(QStringLiteral("%1 takes no module; leave module empty").arg(m_entry->className));
        return;
    }
    if (!m_object.isEmpty() && m_entry->addressing != ConnectorEntry::ModuleAndObject) {
        refuse(QStringLiteral("%1 takes no object; leave object empty").arg(m_entry->className));
        return;
    }
    m_connector = m_entry->create(m_module.isEmpty() ? VanteloDefinitions::getModuleName() : m_module,
                                  m_object.isEmpty() ? m_entry->defaultObject : m_object);
    if (!m_connector) {
        refuse(QStringLiteral("%1 could not be made").arg(m_entry->className));
        return;
    }
    for (const SignalEntry& signal : m_entry->relayedSignals) {
        const QMetaMethod own = relayingSignal(signal);
        if (!own.isValid())
            qCWarning(lcVanteloQml, "Connector declares no signal %s with the parameters of the relayed one",
                      qPrintable(signal.name));
        signal.connect(
            *m_connector,
            [this, own](const QString& name, const QVariantList& arguments) { relay(name, arguments, own); }, this);
    }
    connect(m_connector.data(), &DBusConnectorBase::dBusConnectionErrorOccurred, this, &QmlConnector::updateValidity);
    m_follower.reset(new ServiceFollower(m_connector->getServiceName()));
    connect(m_follower.data(), &ServiceFollower::serviceUp, this, &QmlConnector::updateValidity);
    connect(m_follower.data(), &ServiceFollower::serviceDown, this, &QmlConnector::updateValidity);
    m_follower->initObject();
    updateValidity();
    Q_EMIT made();
}

void QmlConnector::refuse(const QString& message)
{
    qmlWarning(this).noquote() << message;
    setValidity(false, message);
    Q_EMIT made();
}

void QmlConnector::updateValidity()
{
    if (!m_connector)
        return;
    const bool valid = m_connector->isDBusInterfaceValid();
    setValidity(valid, valid ? QString() : m_connector->getInvalidDBusInterfaceMessage());
}

void QmlConnector::setValidity(bool valid, const QString& message)
{
    if (m_invalidMessage != message) {
        m_invalidMessage = message;
        Q_EMIT invalidMessageChanged();
    }
    if (m_valid != valid) {
        m_valid = valid;
        Q_EMIT validChanged();
    }
}

void QmlConnector::relay(const QString& name, const QVariantList& arguments, const QMetaMethod& own)
{
    QVariantList values;
    for (const QVariant& argument : arguments)
        values.append(QmlValue::fromDBus(argument));
    Q_EMIT signalReceived(name, values);
    if (!emitSignal(this, own, values))
        qCWarning(lcVanteloQml, "Connector could not relay %s as a signal of its own", qPrintable(name));
}

QVariant QmlConnector::notGiven()
{
    return QVariant::fromValue(NotGiven());
}

QmlPendingReply* QmlConnector::call(const QString& operation, const QVariant& a1, const QVariant& a2,
                                    const QVariant& a3, const QVariant& a4, const QVariant& a5, const QVariant& a6,
                                    const QVariant& a7)
{
    QVariantList given;
    for (const QVariant& argument : {a1, a2, a3, a4, a5, a6, a7}) {
        if (argument.userType() == qMetaTypeId<NotGiven>())
            break;
        given.append(argument);
    }
    return callWithArguments(operation, given);
}

QmlPendingReply* QmlConnector::callWithArguments(const QString& operation, const QVariantList& given)
{
    auto* reply = new QmlPendingReply(operation, this);
    // Refused before anything is sent: a warning, and a reply that failed.
    const auto refused = [this, reply](const QString& message, QDBusError::ErrorType type) {
        qmlWarning(this).noquote() << message;
        reply->refuse(message, QDBusError::errorString(type));
        return reply;
    };
    if (!m_connector)
        return refused(QStringLiteral("%1 not called: %2").arg(operation, m_invalidMessage), QDBusError::Failed);
    const OperationEntry* entry = m_entry->operation(operation);
    if (!entry) {
        return refused(QStringLiteral("%1 has no operation \"%2\"; its operations are %3")
                           .arg(m_entry->className, operation, operations().join(QStringLiteral(", "))),
                       QDBusError::UnknownMethod);
    }
    QVariantList arguments;
    for (const QVariant& argument : given)
        arguments.append(QmlValue::fromQml(argument));
    QVariantList prepared;
    QString error;
    if (!entry->prepareArguments(arguments, &prepared, &error)) {
        return refused(QStringLiteral("%1.%2(%3): %4")
                           .arg(m_entry->className, operation, entry->parameterNames.join(QStringLiteral(", ")), error),
                       QDBusError::InvalidArgs);
    }
    if (entry->mode != OperationEntry::CallMode::Asynchronous) {
        reply->finish(entry->run(*m_connector, prepared));
        return reply;
    }
    const CallOutcome outcome = entry->invoke(*m_connector, prepared);
    if (outcome.pending)
        reply->follow(outcome.pending);
    else
        reply->finish(unusableInterfaceReply(*m_connector));
    return reply;
}
