#include "Snapshot.h"

#include "ConnectorTable.h"
#include "DBusArgumentTree.h"
#include "StatusItemMap.h"
#include "VanteloDefinitions.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>

namespace {
const QString servicePrefix = QStringLiteral("com.vantelo.");
const QString pathPrefix = QStringLiteral("/com/vantelo/");
// JSON numbers pass through a double here, exact only up to 2^53: 64-bit
// values are written as this text first and become plain numbers in the file.
const QString exactNumber = QStringLiteral("@exact-number:");

QJsonObject typedBasic(const QString& type, const QJsonValue& value)
{
    return QJsonObject{{QStringLiteral("@type"), type}, {QStringLiteral("@value"), value}};
}

// A value from the bus as a scenario writes it: text, flags, int32 numbers,
// lists and objects as they are; other basic types with their type, so that
// the simulator answers with the same.
QJsonValue scenarioValue(const QVariant& value)
{
    const int type = value.userType();
    if (type == qMetaTypeId<QDBusArgument>())
        return DBusArgumentTree::read<QJsonArray, QJsonObject>(qvariant_cast<QDBusArgument>(value), &scenarioValue);
    if (type == qMetaTypeId<QDBusVariant>())
        return scenarioValue(qvariant_cast<QDBusVariant>(value).variant());
    if (type == qMetaTypeId<QDBusObjectPath>())
        return typedBasic(QStringLiteral("o"), qvariant_cast<QDBusObjectPath>(value).path());
    switch (type) {
    case QMetaType::QString:
    case QMetaType::Bool:
    case QMetaType::Int:
        return QJsonValue::fromVariant(value);
    case QMetaType::UChar:
        return typedBasic(QStringLiteral("y"), value.toInt());
    case QMetaType::Short:
        return typedBasic(QStringLiteral("n"), value.toInt());
    case QMetaType::UShort:
        return typedBasic(QStringLiteral("q"), value.toInt());
    case QMetaType::UInt:
        return typedBasic(QStringLiteral("u"), qint64(value.toUInt()));
    case QMetaType::LongLong:
        return typedBasic(QStringLiteral("x"), exactNumber + QString::number(value.toLongLong()));
    case QMetaType::ULongLong:
        return typedBasic(QStringLiteral("t"), exactNumber + QString::number(value.toULongLong()));
    case QMetaType::Double:
        return typedBasic(QStringLiteral("d"), value.toDouble());
    case QMetaType::QByteArray:
        return QJsonObject{{QStringLiteral("@type"), QStringLiteral("ay")},
                           {QStringLiteral("@base64"), QString::fromLatin1(value.toByteArray().toBase64())}};
    case QMetaType::QStringList:
        return QJsonArray::fromStringList(value.toStringList());
    case QMetaType::QVariantList: {
        QJsonArray list;
        for (const QVariant& element : value.toList())
            list.append(scenarioValue(element));
        return list;
    }
    case QMetaType::QVariantMap: {
        QJsonObject map;
        const QVariantMap elements = value.toMap();
        for (auto it = elements.cbegin(); it != elements.cend(); ++it)
            map.insert(it.key(), scenarioValue(it.value()));
        return map;
    }
    default:
        return QJsonValue::fromVariant(value);
    }
}

struct Snapshot
{
    // module -> object -> interfaces
    QMap<QString, QMap<QString, QStringList>> objects;
    QJsonArray answers;
    QJsonArray items;
    int skipped = 0;
};

void recordItems(const QVariant& list, Snapshot* snapshot)
{
    for (const QVariant& element : list.toList()) {
        QJsonObject item;
        const QVariantMap fields = element.toMap();
        for (const QString& field : StatusItemMap::fieldNames()) {
            if (!fields.value(field).toString().isEmpty() || field == QLatin1String("priority"))
                item.insert(field, QJsonValue::fromVariant(fields.value(field)));
        }
        snapshot->items.append(item);
    }
}

void snapshotConnector(const ConnectorEntry& entry, Snapshot* snapshot, QTextStream& err)
{
    const QSharedPointer<DBusConnectorBase> connector =
        entry.create(VanteloDefinitions::getModuleName(), entry.defaultObject);
    if (!connector || !connector->isDBusInterfaceValid()) {
        err << "snapshot: " << entry.className << ": "
            << (connector ? connector->getInvalidDBusInterfaceMessage() : QStringLiteral("not made")) << '\n';
        ++snapshot->skipped;
        return;
    }
    const QString module = connector->getServiceName().mid(servicePrefix.size());
    const QString object = connector->getDBusPath().mid(pathPrefix.size());
    const QString interface = connector->getInterfaceName();
    QSet<QString> asked;
    bool answered = false;
    for (const OperationEntry& operation : entry.operations) {
        if (!operation.readOnly || asked.contains(operation.member))
            continue;
        asked.insert(operation.member);
        const DBusReply reply = operation.run(*connector, snapshotArguments(operation));
        if (operation.mode == OperationEntry::CallMode::UiStatus) {
            // The UI status service answers from its items: they go into the scenario as such.
            if (operation.resultType.startsWith(QLatin1Char('a')) && !reply.isError()) {
                recordItems(reply.getValue(), snapshot);
                answered = true;
            }
            continue;
        }
        const ErrorContainer& error = reply.getError();
        if (reply.isError() && !error.getErrorName().isEmpty()) {
            err << "snapshot: " << interface << '.' << operation.member << " left out: " << error.getErrorName() << ": "
                << error.getErrorMessage() << '\n';
            ++snapshot->skipped;
            continue;
        }
        QJsonObject answer{{QStringLiteral("interface"), interface},
                           {QStringLiteral("method"), operation.member},
                           {QStringLiteral("object"), object}};
        if (reply.isError()) {
            answer.insert(QStringLiteral("code"), error.getErrorCode());
            answer.insert(QStringLiteral("message"), error.getErrorMessage());
        } else if (reply.getValue().isValid()) {
            answer.insert(QStringLiteral("value"), scenarioValue(reply.getValue()));
        }
        snapshot->answers.append(answer);
        answered = true;
    }
    if (answered || entry.operations.isEmpty()) {
        QStringList& interfaces = snapshot->objects[module][object];
        if (!interfaces.contains(interface))
            interfaces.append(interface);
    }
}
} // namespace

QVariantList snapshotArguments(const OperationEntry& operation)
{
    QVariantList arguments;
    for (const QString& type : operation.parameterTypes)
        arguments.append(type == QLatin1String("b") ? QVariant(false) : QVariant(QString()));
    return arguments;
}

QString snapshotHelp()
{
    return QStringLiteral(
        "Usage: vantelo-cli snapshot > device.json\n"
        "\n"
        "Records the device's state as a scenario that vantelo-simulator --scenario serves: asks every read-only\n"
        "operation (the methods named get... and is...) of every connector on the bus the client is on, with\n"
        "empty text and false as arguments, and writes the objects that answered, their answers (each serving\n"
        "any arguments) and the UI status items. What can't be recorded, a service that is away or a D-Bus\n"
        "error, is named on stderr and left out. Exit status 0, or 1 when no service answered.\n");
}

int runSnapshot(QTextStream& out, QTextStream& err)
{
    Snapshot snapshot;
    for (const ConnectorEntry& entry : connectorTable())
        snapshotConnector(entry, &snapshot, err);

    QJsonArray objects;
    for (auto module = snapshot.objects.cbegin(); module != snapshot.objects.cend(); ++module) {
        for (auto object = module->cbegin(); object != module->cend(); ++object) {
            objects.append(QJsonObject{{QStringLiteral("module"), module.key()},
                                       {QStringLiteral("object"), object.key()},
                                       {QStringLiteral("interfaces"), QJsonArray::fromStringList(object.value())}});
        }
    }
    QJsonObject scenario{{QStringLiteral("objects"), objects}, {QStringLiteral("answers"), snapshot.answers}};
    if (!snapshot.items.isEmpty())
        scenario.insert(QStringLiteral("uiStatusItems"), snapshot.items);
    QString text = QString::fromUtf8(QJsonDocument(scenario).toJson(QJsonDocument::Indented));
    text.replace(QRegularExpression(QStringLiteral("\"%1(-?[0-9]+)\"").arg(exactNumber)), QStringLiteral("\\1"));
    out << text;
    out.flush();
    return objects.isEmpty() ? 1 : 0;
}
