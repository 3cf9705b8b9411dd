#include "ScenarioReader.h"

#include "ControlInterface.h"
#include "DBusNameRules.h"
#include "InterfaceCatalogue.h"
#include "JsonDBusValue.h"
#include "JsonPlace.h"
#include "Scenario.h"
#include "VanteloDefinitions.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {
// The containers a scenario value sits in on the wire: the variant the method
// answers with, the (isv) envelope in it and the variant that holds the value.
const int envelopeDepth = 3;

bool readText(const JsonPlace& place, QString* text, QString* error)
{
    if (!place.value().isString() || place.value().toString().isEmpty())
        return place.refuse(QStringLiteral("needs a non-empty string"), error);
    *text = place.value().toString();
    return true;
}
} // namespace

ScenarioReader::ScenarioReader(const InterfaceCatalogue& catalogue)
    : m_catalogue(catalogue)
{
}

bool ScenarioReader::read(const QString& fileName, Scenario* scenario, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(fileName, file.errorString());
        return false;
    }
    const QByteArray data = file.readAll();
    JsonSource source;
    QJsonValue document;
    if (!source.read(data, &document, error)) {
        error->prepend(fileName + QLatin1Char(':'));
        return false;
    }

    m_scenario = scenario;
    const JsonPlace root(source, document.isObject() ? document : QJsonValue());
    const QString objects = QStringLiteral("objects");
    const QString answers = QStringLiteral("answers");
    const QString items = QStringLiteral("uiStatusItems");
    // Objects first: answers are checked against them.
    const bool read =
        (root.value().isObject() || root.refuse(QStringLiteral("a scenario is a JSON object"), error)) &&
        root.hasOnlyKeys({objects, answers, items}, error) &&
        (!root.has(objects) ||
         root.member(objects).readEachObject(
             error, [this](const JsonPlace& entry, QString* why) { return readObject(entry, why); })) &&
        (!root.has(answers) ||
         root.member(answers).readEachObject(
             error, [this](const JsonPlace& entry, QString* why) { return readAnswer(entry, why); })) &&
        (!root.has(items) || root.member(items).readEachObject(error, [this](const JsonPlace& entry, QString* why) {
            return readUiStatusItem(entry, why);
        }));
    if (!read)
        error->prepend(fileName + QLatin1Char(':'));
    return read;
}

bool ScenarioReader::readObject(const JsonPlace& place, QString* error)
{
    const JsonPlace module = place.member(QStringLiteral("module"));
    const JsonPlace object = place.member(QStringLiteral("object"));
    const JsonPlace interfaces = place.member(QStringLiteral("interfaces"));
    QString moduleName;
    QString objectName;
    if (!place.hasOnlyKeys({QStringLiteral("module"), QStringLiteral("object"), QStringLiteral("interfaces")}, error) ||
        !readText(module, &moduleName, error) || !readText(object, &objectName, error))
        return false;

    Scenario::ServedObject served{
        VanteloDefinitions::serviceNameOfModule(moduleName), VanteloDefinitions::objectPathOfObject(objectName), {}};
    if (!DBusNameRules::isValidBusName(served.service) || served.service == ControlInterface::serviceName())
        return module.refuse(QStringLiteral("%1 is no bus name a scenario can serve").arg(served.service), error);
    if (!DBusNameRules::isValidObjectPath(served.path))
        return object.refuse(QStringLiteral("%1 is no valid object path").arg(served.path), error);
    for (const Scenario::ServedObject& other : m_scenario->objects()) {
        if (other.service == served.service && other.path == served.path)
            return place.refuse(QStringLiteral("%1 serves %2 already").arg(served.service, served.path), error);
    }

    const int count = interfaces.value().toArray().size();
    if (count == 0)
        return interfaces.refuse(QStringLiteral("needs a list of interface names"), error);
    QStringList known = m_catalogue.names();
    known.removeOne(ControlInterface::name());
    for (int i = 0; i < count; ++i) {
        const JsonPlace interface = interfaces.element(i);
        const QString name = interface.value().toString();
        if (!known.contains(name))
            return interface.refuse(
                QStringLiteral("no interface \"%1\"; known are %2").arg(name, known.join(QStringLiteral(", "))), error);
        if (served.interfaces.contains(name))
            return interface.refuse(QStringLiteral("%1 is listed already").arg(name), error);
        served.interfaces.append(name);
    }
    m_scenario->addObject(served);
    return true;
}

bool ScenarioReader::readAnswer(const JsonPlace& place, QString* error)
{
    const QStringList keys = {QStringLiteral("interface"), QStringLiteral("method"), QStringLiteral("object"),
                              QStringLiteral("arguments"), QStringLiteral("value"),  QStringLiteral("code"),
                              QStringLiteral("message")};
    const JsonPlace interfacePlace = place.member(QStringLiteral("interface"));
    const JsonPlace methodPlace = place.member(QStringLiteral("method"));
    QString interfaceName;
    QString method;
    if (!place.hasOnlyKeys(keys, error) || !readText(interfacePlace, &interfaceName, error) ||
        !readText(methodPlace, &method, error))
        return false;
    const InterfaceCatalogue::Interface* interface = m_catalogue.find(interfaceName);
    if (!interface || interfaceName == ControlInterface::name())
        return interfacePlace.refuse(QStringLiteral("no interface \"%1\"").arg(interfaceName), error);
    if (!interface->methods.contains(method))
        return methodPlace.refuse(QStringLiteral("%1 has no method \"%2\"").arg(interfaceName, method), error);

    Scenario::Reply reply;
    if (place.has(QStringLiteral("object"))) {
        const JsonPlace object = place.member(QStringLiteral("object"));
        QString objectName;
        if (!readText(object, &objectName, error))
            return false;
        reply.path = VanteloDefinitions::objectPathOfObject(objectName);
        if (!isServed(interfaceName, reply.path))
            return object.refuse(QStringLiteral("no object \"%1\" serves %2").arg(objectName, interfaceName), error);
    } else if (!isServed(interfaceName, QString())) {
        return interfacePlace.refuse(QStringLiteral("no object serves %1").arg(interfaceName), error);
    }
    if (place.has(QStringLiteral("arguments"))) {
        reply.anyArguments = false;
        if (!readArguments(place.member(QStringLiteral("arguments")), method,
                           interface->methods.value(method).signature, &reply.arguments, error))
            return false;
    }
    if (place.has(QStringLiteral("value")) &&
        !JsonDBusValue::toDBus(place.member(QStringLiteral("value")), envelopeDepth, &reply.value, error))
        return false;
    if (place.has(QStringLiteral("code"))) {
        QVariant code;
        if (!JsonDBusValue::toBasic(place.member(QStringLiteral("code")), QLatin1Char('i'), &code, error))
            return false;
        reply.code = code.toInt();
    }
    if (place.has(QStringLiteral("message"))) {
        const JsonPlace message = place.member(QStringLiteral("message"));
        if (!message.value().isString())
            return message.refuse(QStringLiteral("needs a string"), error);
        reply.message = message.value().toString();
    }
    m_scenario->addReply(interfaceName, method, reply);
    return true;
}

bool ScenarioReader::readArguments(const JsonPlace& place, const QString& method, const QString& signature,
                                   QVariantList* arguments, QString* error) const
{
    // Each input argument of these methods is of one basic type, one type code each.
    const bool basic = !signature.contains(QRegularExpression(QStringLiteral("[(){}av]")));
    const QJsonArray list = place.value().toArray();
    if (!basic || !place.value().isArray() || list.size() != signature.size())
        return place.refuse(
            QStringLiteral("%1 takes (%2)%3")
                .arg(method, signature, basic ? QString() : QStringLiteral(", which answers can't name; leave it out")),
            error);
    for (int i = 0; i < list.size(); ++i) {
        QVariant argument;
        if (!JsonDBusValue::toBasic(place.element(i), signature.at(i), &argument, error))
            return false;
        arguments->append(argument);
    }
    return true;
}

bool ScenarioReader::readUiStatusItem(const JsonPlace& place, QString* error)
{
    const QStringList texts = StatusItemRecord::fieldNames();
    if (!place.hasOnlyKeys(texts + QStringList(QStringLiteral("priority")), error))
        return false;
    StatusItemRecord item;
    for (int i = 0; i < texts.size(); ++i) {
        const JsonPlace text = place.member(texts.at(i));
        if (place.has(texts.at(i)) && !text.value().isString())
            return text.refuse(QStringLiteral("needs a string"), error);
        item.texts[size_t(i)] = text.value().toString();
    }
    if (place.has(QStringLiteral("priority"))) {
        QVariant priority;
        if (!JsonDBusValue::toBasic(place.member(QStringLiteral("priority")), QLatin1Char('i'), &priority, error))
            return false;
        item.priority = priority.toInt();
    }
    const JsonPlace uuid = place.member(QStringLiteral("uuid"));
    if (item.uuid().isEmpty())
        return place.refuse(QStringLiteral("an item needs a \"uuid\""), error);
    for (const StatusItemRecord& other : m_scenario->uiStatusItems()) {
        if (other.uuid() == item.uuid())
            return uuid.refuse(QStringLiteral("another item has the uuid \"%1\" already").arg(item.uuid()), error);
    }
    m_scenario->addUiStatusItem(item);
    return true;
}

bool ScenarioReader::isServed(const QString& interface, const QString& path) const
{
    for (const Scenario::ServedObject& object : m_scenario->objects()) {
        if (object.interfaces.contains(interface) && (path.isEmpty() || object.path == path))
            return true;
    }
    return false;
}
