#include "Scenario.h"

#include "InterfaceCatalogue.h"
#include "JsonDBusValue.h"
#include "VanteloDefinitions.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace {
QString key(const QString& interface, const QString& method)
{
    return interface + QLatin1Char('.') + method;
}

QString describe(const QVariantList& arguments)
{
    QStringList texts;
    for (const QVariant& argument : arguments)
        texts.append(argument.userType() == QMetaType::QString ? QLatin1Char('"') + argument.toString() + QLatin1Char('"')
                                                               : argument.toString());
    return QLatin1Char('(') + texts.join(QStringLiteral(", ")) + QLatin1Char(')');
}

// Line and column of a byte offset, for parse errors.
QString position(const QByteArray& data, int offset)
{
    const QByteArray before = data.left(offset);
    const int line = before.count('\n') + 1;
    const int column = offset - (before.lastIndexOf('\n') + 1) + 1;
    return QStringLiteral("%1:%2").arg(line).arg(column);
}

// Reads each entry of a list; a failure names the entry's index.
template <typename Reader>
bool readEach(const QJsonValue& json, QString* error, Reader read)
{
    if (!json.isArray()) {
        *error = QStringLiteral(": must be a list");
        return false;
    }
    const QJsonArray array = json.toArray();
    for (int i = 0; i < array.size(); ++i) {
        if (!read(array.at(i).toObject(), error)) {
            error->prepend(QStringLiteral("[%1]").arg(i));
            return false;
        }
    }
    return true;
}

bool readString(const QJsonObject& object, const char* name, QString* value, QString* error)
{
    const QJsonValue json = object.value(QLatin1String(name));
    if (!json.isString() || json.toString().isEmpty()) {
        *error = QStringLiteral(".%1: needs a non-empty string").arg(QLatin1String(name));
        return false;
    }
    *value = json.toString();
    return true;
}
} // namespace

bool Scenario::load(const QString& fileName, const InterfaceCatalogue& catalogue, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(fileName, file.errorString());
        return false;
    }
    const QByteArray data = file.readAll();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("%1:%2: %3").arg(fileName, position(data, parseError.offset), parseError.errorString());
        return false;
    }
    if (!document.isObject()) {
        *error = QStringLiteral("%1: the scenario must be a JSON object").arg(fileName);
        return false;
    }

    const QJsonObject root = document.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        QString reason;
        bool ok = false;
        if (it.key() == QLatin1String("objects"))
            ok = readEach(it.value(), &reason, [&](const QJsonObject& entry, QString* why) {
                return readObject(entry, catalogue, why);
            });
        else if (it.key() == QLatin1String("answers"))
            ok = readEach(it.value(), &reason, [&](const QJsonObject& entry, QString* why) {
                return readAnswer(entry, catalogue, why);
            });
        else if (it.key() == QLatin1String("uiStatusItems"))
            ok = readEach(it.value(), &reason, [&](const QJsonObject& entry, QString* why) {
                return readUiStatusItem(entry, why);
            });
        else
            reason = QStringLiteral(": unknown; known are objects, answers and uiStatusItems");
        if (!ok) {
            *error = QStringLiteral("%1: %2%3").arg(fileName, it.key(), reason);
            return false;
        }
    }
    return true;
}

bool Scenario::readObject(const QJsonObject& object, const InterfaceCatalogue& catalogue, QString* error)
{
    QString module;
    QString name;
    if (!readString(object, "module", &module, error) || !readString(object, "object", &name, error))
        return false;
    ServedObject served{VanteloDefinitions::serviceNameOfModule(module), VanteloDefinitions::objectPathOfObject(name),
                        {}};
    for (const QJsonValue& interface : object.value(QLatin1String("interfaces")).toArray()) {
        if (!catalogue.contains(interface.toString())) {
            *error = QStringLiteral(".interfaces: no interface \"%1\"; known are %2")
                         .arg(interface.toString(), catalogue.names().join(QStringLiteral(", ")));
            return false;
        }
        served.interfaces.append(interface.toString());
    }
    if (served.interfaces.isEmpty()) {
        *error = QStringLiteral(".interfaces: needs a list of interface names");
        return false;
    }
    m_objects.append(served);
    return true;
}

bool Scenario::readAnswer(const QJsonObject& object, const InterfaceCatalogue& catalogue, QString* error)
{
    QString interfaceName;
    QString method;
    if (!readString(object, "interface", &interfaceName, error) || !readString(object, "method", &method, error))
        return false;
    const InterfaceCatalogue::Interface* interface = catalogue.find(interfaceName);
    if (!interface) {
        *error = QStringLiteral(".interface: no interface \"%1\"").arg(interfaceName);
        return false;
    }
    if (!interface->methods.contains(method)) {
        *error = QStringLiteral(".method: %1 has no method \"%2\"").arg(interfaceName, method);
        return false;
    }

    Reply reply;
    const QString signature = interface->methods.value(method).signature;
    if (object.contains(QLatin1String("arguments"))) {
        reply.anyArguments = false;
        const QJsonArray arguments = object.value(QLatin1String("arguments")).toArray();
        bool fits = arguments.size() == signature.size();
        for (int a = 0; fits && a < arguments.size(); ++a) {
            fits = (signature.at(a) == QLatin1Char('s') && arguments.at(a).isString()) ||
                   (signature.at(a) == QLatin1Char('b') && arguments.at(a).isBool());
            reply.arguments.append(arguments.at(a).toVariant());
        }
        if (!fits) {
            *error = QStringLiteral(".arguments: %1 takes (%2)").arg(method, signature);
            return false;
        }
    }
    if (object.contains(QLatin1String("value")) &&
        !JsonDBusValue::toDBus(object.value(QLatin1String("value")), &reply.value, error)) {
        error->prepend(QStringLiteral(".value"));
        return false;
    }
    reply.code = object.value(QLatin1String("code")).toInt();
    reply.message = object.value(QLatin1String("message")).toString();
    m_replies[key(interfaceName, method)].append(reply);
    return true;
}

bool Scenario::readUiStatusItem(const QJsonObject& object, QString* error)
{
    StatusItemRecord record;
    if (!StatusItemRecord::fromJson(object, &record, error)) {
        error->prepend(QStringLiteral(": "));
        return false;
    }
    m_uiStatusItems.append(record);
    return true;
}

QStringList Scenario::services() const
{
    QStringList result;
    for (const ServedObject& object : m_objects) {
        if (!result.contains(object.service))
            result.append(object.service);
    }
    return result;
}

QStringList Scenario::interfacesAt(const QString& path) const
{
    QStringList result;
    for (const ServedObject& object : m_objects) {
        if (object.path == path)
            result += object.interfaces;
    }
    result.removeDuplicates();
    return result;
}

bool Scenario::hasReplies(const QString& interface, const QString& method) const
{
    return m_replies.contains(key(interface, method));
}

const Scenario::Reply* Scenario::find(const QString& interface, const QString& method,
                                      const QVariantList& arguments, QString* known) const
{
    const auto replies = m_replies.constFind(key(interface, method));
    if (replies == m_replies.constEnd())
        return nullptr;
    const Reply* fallback = nullptr;
    QStringList argumentLists;
    for (const Reply& reply : *replies) {
        if (reply.anyArguments)
            fallback = fallback ? fallback : &reply;
        else if (reply.arguments == arguments)
            return &reply;
        else
            argumentLists.append(describe(reply.arguments));
    }
    if (!fallback)
        *known = QStringLiteral("%1 knows the arguments %2, not %3")
                     .arg(method, argumentLists.join(QStringLiteral(", ")), describe(arguments));
    return fallback;
}
