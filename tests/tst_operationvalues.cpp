#include "ConnectorTable.h"
#include "DBusConnection.h"
#include "DBusReply.h"
#include "SimulatedDevice.h"
#include "UiStatusInformationItem.h"
#include "VanteloDefinitions.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>

#include <functional>

// What each operation's answer holds, said in one place: the com.vantelo.Value
// annotation of each method in the interface files. The simulator's answers
// must have that type and read as the reference says; the headers' doc
// comments and the reference's table of operations must say the same.
class OperationValuesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void everyMethodNamesItsValue();
    void answersHaveTheNamedType_data();
    void answersHaveTheNamedType();
    void docCommentsNameMethodAndValue_data();
    void docCommentsNameMethodAndValue();
    void operationsPageIsCurrent();
};

namespace {
const QString sourceDir = QStringLiteral(VANTELO_SOURCE_DIR);
const QString valueAnnotation = QStringLiteral("com.vantelo.Value");
const QString itemSignature = QStringLiteral("(ssssssssi)");
const QString pageBegin = QStringLiteral(
    "<!-- operations: made from interfaces/*.xml and the connectors by tests/tst_operationvalues.cpp -->\n");
const QString pageEnd = QStringLiteral("<!-- end of operations -->\n");

struct Method
{
    QStringList argumentNames;
    QStringList argumentTypes;
    bool annotated = false;
    // The signatures the value may have; one empty string for none.
    QStringList values;
};

// Interface name, then method name.
using Interfaces = QMap<QString, QMap<QString, Method>>;

Interfaces readInterfaces()
{
    Interfaces interfaces;
    const QDir dir(sourceDir + QStringLiteral("/interfaces"));
    for (const QString& file : dir.entryList({QStringLiteral("com.vantelo.*.xml")}, QDir::Files, QDir::Name)) {
        if (file.contains(QLatin1String("Simulator")))
            continue;
        QFile input(dir.filePath(file));
        if (!input.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(input.fileName()));
        QXmlStreamReader xml(&input);
        QString interface;
        Method* method = nullptr;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QXmlStreamAttributes attributes = xml.attributes();
            const QString name = attributes.value(QLatin1String("name")).toString();
            if (xml.name() == QLatin1String("interface")) {
                interface = name;
            } else if (xml.name() == QLatin1String("method")) {
                method = &interfaces[interface][name];
            } else if (xml.name() == QLatin1String("signal")) {
                method = nullptr;
            } else if (method && xml.name() == QLatin1String("arg") &&
                       attributes.value(QLatin1String("direction")) == QLatin1String("in")) {
                method->argumentNames.append(name);
                method->argumentTypes.append(attributes.value(QLatin1String("type")).toString());
            } else if (method && xml.name() == QLatin1String("annotation") && name == valueAnnotation) {
                method->annotated = true;
                method->values = attributes.value(QLatin1String("value")).toString().split(QLatin1Char('|'));
            }
        }
        if (xml.hasError())
            qFatal("%s: %s", qPrintable(file), qPrintable(xml.errorString()));
    }
    return interfaces;
}

// How an application reads a value of each type from DBusReply::getValue(),
// and a check that reading it so gives something.
struct ValueForm
{
    QString signature;
    QString qtType;
    QString reading;
    std::function<bool(const QVariant&)> reads;
};

const QList<ValueForm>& valueForms()
{
    static const QList<ValueForm> forms = {
        {QString(), QStringLiteral("QString"), QStringLiteral("nothing to read (an empty string)"),
         [](const QVariant& value) { return value.toString().isEmpty(); }},
        {QStringLiteral("s"), QStringLiteral("QString"), QStringLiteral("`toString()`"),
         [](const QVariant&) { return true; }},
        {QStringLiteral("b"), QStringLiteral("bool"), QStringLiteral("`toBool()`"),
         [](const QVariant&) { return true; }},
        {QStringLiteral("i"), QStringLiteral("int"), QStringLiteral("`toInt()`"), [](const QVariant&) { return true; }},
        {QStringLiteral("as"), QStringLiteral("QStringList"), QStringLiteral("`toStringList()`"),
         [](const QVariant& value) { return !value.toStringList().isEmpty(); }},
        {QStringLiteral("ay"), QStringLiteral("QByteArray"), QStringLiteral("`toByteArray()`"),
         [](const QVariant& value) { return !value.toByteArray().isEmpty(); }},
        {QStringLiteral("a{sv}"), QStringLiteral("QDBusArgument"),
         QStringLiteral("`qdbus_cast<QVariantMap>(value)`; compound values in it stay `QDBusArgument`s"),
         [](const QVariant& value) { return !qdbus_cast<QVariantMap>(value).isEmpty(); }},
        {itemSignature, QStringLiteral("QDBusArgument"),
         QStringLiteral("the connector hands back a `UiStatusInformationItem`"),
         [](const QVariant& value) { return !qdbus_cast<UiStatusInformationItem>(value).uuid().isEmpty(); }},
        {QLatin1Char('a') + itemSignature, QStringLiteral("QDBusArgument"),
         QStringLiteral("the connector hands back a `QList<UiStatusInformationItem>`"),
         [](const QVariant& value) { return !qdbus_cast<QList<UiStatusInformationItem>>(value).isEmpty(); }},
    };
    return forms;
}

const ValueForm* formOf(const QString& signature)
{
    for (const ValueForm& form : valueForms()) {
        if (form.signature == signature)
            return &form;
    }
    return nullptr;
}

// The D-Bus signature of a value as DBusReply holds it; empty text stands for none.
QString signatureOf(const QVariant& value)
{
    if (value.userType() == qMetaTypeId<QDBusArgument>())
        return qvariant_cast<QDBusArgument>(value).currentSignature();
    if (value.userType() == QMetaType::QString && value.toString().isEmpty())
        return QString();
    return dbusSignature(value.userType());
}

QString code(const QString& text)
{
    return QLatin1Char('`') + text + QLatin1Char('`');
}

// The value as doc comments and the reference name it: "none", "`as`", "`s` or `a{sv}`".
QString valueText(const QStringList& values)
{
    if (values == QStringList{QString()})
        return QStringLiteral("none");
    QStringList quoted;
    for (const QString& value : values)
        quoted.append(code(value));
    return quoted.join(QLatin1String(" or "));
}

QJsonObject defaultScenario()
{
    QFile file(sourceDir + QStringLiteral("/simulator/scenarios/default.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    return QJsonDocument::fromJson(file.readAll()).object();
}

UiStatusInformationItem itemFrom(const QJsonObject& fields)
{
    UiStatusInformationItem item;
    item.setUuid(fields.value(QLatin1String("uuid")).toString());
    item.setSource(fields.value(QLatin1String("source")).toString());
    item.setCategory(fields.value(QLatin1String("category")).toString());
    item.setTitle(fields.value(QLatin1String("title")).toString());
    item.setText(fields.value(QLatin1String("text")).toString());
    item.setIconName(fields.value(QLatin1String("iconName")).toString());
    item.setTimestamp(fields.value(QLatin1String("timestamp")).toString());
    item.setAction(fields.value(QLatin1String("action")).toString());
    item.setPriority(UiStatusInformationItemPriority(fields.value(QLatin1String("priority")).toInt()));
    return item;
}

// Arguments for a method the scenario answers whatever they are: the
// scenario's own first UI status item where an item or its uuid is due.
QVariantList defaultArguments(const Method& method, const UiStatusInformationItem& item)
{
    QVariantList arguments;
    for (int i = 0; i < method.argumentTypes.size(); ++i) {
        const QString& type = method.argumentTypes.at(i);
        if (type == itemSignature)
            arguments.append(QVariant::fromValue(item));
        else if (type == QLatin1String("b"))
            arguments.append(false);
        else if (method.argumentNames.at(i) == QLatin1String("uuid"))
            arguments.append(item.uuid());
        else
            arguments.append(QString());
    }
    return arguments;
}

QVariantList argumentsFrom(const QJsonArray& given, const Method& method)
{
    QVariantList arguments;
    for (int i = 0; i < given.size(); ++i) {
        if (method.argumentTypes.value(i) == QLatin1String("b"))
            arguments.append(given.at(i).toBool());
        else
            arguments.append(given.at(i).toString());
    }
    return arguments;
}

// The doc comment just above the declaration of `member` in `header`, or
// empty when there is none.
QString docCommentOf(const QString& header, const QString& member)
{
    const QRegularExpression declaration(
        QStringLiteral("\\n[ \\t]*[A-Za-z][^\\n;/*]*\\b%1\\(").arg(QRegularExpression::escape(member)));
    const QRegularExpressionMatch match = declaration.match(header);
    if (!match.hasMatch())
        return QString();
    const QString before = header.left(match.capturedStart() + 1).trimmed();
    if (before.endsWith(QLatin1String("*/")))
        return before.mid(before.lastIndexOf(QLatin1String("/**")));
    QStringList lines = before.split(QLatin1Char('\n'));
    QStringList comment;
    while (!lines.isEmpty() && lines.constLast().trimmed().startsWith(QLatin1String("///")))
        comment.prepend(lines.takeLast());
    return comment.join(QLatin1Char('\n'));
}

QString headerOf(const QString& className)
{
    QDirIterator it(sourceDir + QStringLiteral("/connectors"), {className + QStringLiteral(".h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    if (!it.hasNext())
        return QString();
    QFile file(it.next());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString interfaceOf(const ConnectorEntry& entry)
{
    return entry.create(VanteloDefinitions::getModuleName(), entry.defaultObject)->getInterfaceName();
}

QString waiting(OperationEntry::CallMode mode)
{
    switch (mode) {
    case OperationEntry::CallMode::Blocking:
        return QStringLiteral("blocks");
    case OperationEntry::CallMode::NoWait:
        return QStringLiteral("no: sent without waiting");
    case OperationEntry::CallMode::Asynchronous:
        return QStringLiteral("no: pending reply");
    case OperationEntry::CallMode::UiStatus:
        return QStringLiteral("blocks; failures are warnings");
    }
    return QString();
}

// The reference page's block: how to read each value, then every operation.
QString operationsTable(const Interfaces& interfaces)
{
    QSet<QString> used;
    for (const auto& methods : interfaces) {
        for (const Method& method : methods) {
            for (const QString& value : method.values)
                used.insert(value);
        }
    }
    QString text = pageBegin;
    text += QStringLiteral("| value | `getValue()` holds | read it with |\n|---|---|---|\n");
    for (const ValueForm& form : valueForms()) {
        if (used.contains(form.signature)) {
            text += QStringLiteral("| %1 | `%2` | %3 |\n").arg(valueText({form.signature}), form.qtType, form.reading);
        }
    }
    text += QStringLiteral("\n| connector | operation | D-Bus method | waits | value on success |\n"
                           "|---|---|---|---|---|\n");
    for (const ConnectorEntry& entry : connectorTable()) {
        const QString interface = interfaceOf(entry);
        QString connector = QStringLiteral("`%1` (`%2`)").arg(entry.className, interface);
        for (const OperationEntry& operation : entry.operations) {
            const QStringList values = interfaces.value(interface).value(operation.member).values;
            QString value = valueText(values);
            if (operation.mode == OperationEntry::CallMode::NoWait && value != QLatin1String("none"))
                value = QStringLiteral("none: the service's %1 is not read").arg(value);
            text += QStringLiteral("| %1 | `%2` | `%3` | %4 | %5 |\n")
                        .arg(connector, operation.name, operation.member, waiting(operation.mode), value);
            connector.clear();
        }
    }
    return text + pageEnd;
}
} // namespace

void OperationValuesTest::initTestCase()
{
    // Only on the runner's private bus, with the simulator on it.
    SimulatedDevice device;
    QVERIFY2(device.attach(), qPrintable(device.errorString()));
    qDBusRegisterMetaType<UiStatusInformationItem>();
    qDBusRegisterMetaType<QList<UiStatusInformationItem>>();
}

void OperationValuesTest::everyMethodNamesItsValue()
{
    const Interfaces interfaces = readInterfaces();
    QVERIFY(!interfaces.isEmpty());
    for (auto interface = interfaces.cbegin(); interface != interfaces.cend(); ++interface) {
        for (auto method = interface->cbegin(); method != interface->cend(); ++method) {
            const QString where = interface.key() + QLatin1Char('.') + method.key();
            QVERIFY2(method->annotated, qPrintable(where + QStringLiteral(" has no ") + valueAnnotation));
            for (const QString& value : method->values) {
                QVERIFY2(formOf(value), qPrintable(where + QStringLiteral(": no reading known for ") + value));
                QVERIFY2(!value.isEmpty() || method->values.size() == 1,
                         qPrintable(where + QStringLiteral(": none among alternatives")));
            }
        }
    }
}

// Every answer of the default scenario, and one call of every method it
// leaves to the simulated device's state or to the empty answer.
void OperationValuesTest::answersHaveTheNamedType_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("interface");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QStringList>("values");

    const Interfaces interfaces = readInterfaces();
    const QJsonObject scenario = defaultScenario();
    const UiStatusInformationItem item =
        itemFrom(scenario.value(QLatin1String("uiStatusItems")).toArray().first().toObject());
    const QJsonArray answers = scenario.value(QLatin1String("answers")).toArray();

    for (const QJsonValue objectValue : scenario.value(QLatin1String("objects")).toArray()) {
        const QJsonObject object = objectValue.toObject();
        const QString objectName = object.value(QLatin1String("object")).toString();
        const QString moduleName = object.value(QLatin1String("module")).toString();
        const QString service = VanteloDefinitions::serviceNameOfModule(moduleName);
        const QString path = VanteloDefinitions::objectPathOfObject(objectName);
        for (const QJsonValue interfaceValue : object.value(QLatin1String("interfaces")).toArray()) {
            const QString interface = interfaceValue.toString();
            // In name order, which the simulated device's state needs: the
            // screenshot is taken before the display is switched off, and the
            // item is fetched before it is removed.
            const auto methods = interfaces.value(interface);
            for (auto method = methods.cbegin(); method != methods.cend(); ++method) {
                auto addRow = [&](const QVariantList& arguments, const QString& label) {
                    QTest::addRow("%s/%s %s.%s %s", qPrintable(moduleName), qPrintable(objectName),
                                  qPrintable(interface), qPrintable(method.key()), qPrintable(label))
                        << service << path << interface << method.key() << arguments << method->values;
                };
                bool answered = false;
                for (const QJsonValue answerValue : answers) {
                    const QJsonObject answer = answerValue.toObject();
                    if (answer.value(QLatin1String("interface")).toString() != interface ||
                        answer.value(QLatin1String("method")).toString() != method.key())
                        continue;
                    answered = true;
                    const bool forObject = answer.contains(QLatin1String("object"));
                    if ((forObject && answer.value(QLatin1String("object")).toString() != objectName) ||
                        answer.value(QLatin1String("code")).toInt() != 0)
                        continue;
                    const QString place = forObject ? QStringLiteral(" of the object") : QString();
                    if (answer.contains(QLatin1String("arguments"))) {
                        const QJsonArray given = answer.value(QLatin1String("arguments")).toArray();
                        addRow(argumentsFrom(given, *method),
                               QString::fromUtf8(QJsonDocument(given).toJson(QJsonDocument::Compact)) + place);
                    } else {
                        addRow(defaultArguments(*method, item), QStringLiteral("any arguments") + place);
                    }
                }
                if (!answered)
                    addRow(defaultArguments(*method, item), QStringLiteral("device"));
            }
        }
    }
}

void OperationValuesTest::answersHaveTheNamedType()
{
    QFETCH(QString, service);
    QFETCH(QString, path);
    QFETCH(QString, interface);
    QFETCH(QString, method);
    QFETCH(QVariantList, arguments);
    QFETCH(QStringList, values);

    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    const QDBusMessage answer = DBusConnection::getQDBusConnection().call(call, QDBus::Block, 5000);
    QVERIFY2(answer.type() == QDBusMessage::ReplyMessage, qPrintable(answer.errorMessage()));

    // Read as the call helpers read it.
    DBusReply reply;
    qvariant_cast<QDBusArgument>(qvariant_cast<QDBusVariant>(answer.arguments().value(0)).variant()) >> reply;
    QVERIFY2(!reply.isError(), qPrintable(reply.getError().getErrorMessage()));

    const QVariant value = reply.getValue();
    const QString signature = signatureOf(value);
    // An empty text is how an envelope says "nothing", and a text too.
    const bool emptyText = signature.isEmpty() && values.contains(QStringLiteral("s"));
    QVERIFY2(values.contains(signature) || emptyText,
             qPrintable(QStringLiteral("answered %1, annotated %2").arg(signature, values.join(QLatin1Char('|')))));
    const ValueForm* form = formOf(signature);
    QVERIFY(form);
    QCOMPARE(QString::fromLatin1(value.typeName()), form->qtType);
    QVERIFY2(form->reads(value), qPrintable(QStringLiteral("reading it with %1 gave nothing").arg(form->reading)));
}

void OperationValuesTest::docCommentsNameMethodAndValue_data()
{
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QStringList>("phrases");

    const Interfaces interfaces = readInterfaces();
    for (const ConnectorEntry& entry : connectorTable()) {
        const QString header = headerOf(entry.className);
        const QString interface = interfaceOf(entry);
        for (const OperationEntry& operation : entry.operations) {
            const QString value = operation.mode == OperationEntry::CallMode::NoWait
                                      ? QStringLiteral("none")
                                      : valueText(interfaces.value(interface).value(operation.member).values);
            QTest::addRow("%s::%s", qPrintable(entry.className), qPrintable(operation.name))
                << docCommentOf(header, operation.name)
                << QStringList{QLatin1Char('"') + operation.member + QLatin1Char('"'),
                               QStringLiteral("Value: ") + value};
        }
        for (const SignalEntry& signal : entry.relayedSignals) {
            QTest::addRow("%s::%s", qPrintable(entry.className), qPrintable(signal.name))
                << docCommentOf(header, signal.name) << QStringList{QStringLiteral("Relays \"%1\"").arg(signal.name)};
        }
    }
}

void OperationValuesTest::docCommentsNameMethodAndValue()
{
    QFETCH(QString, comment);
    QFETCH(QStringList, phrases);

    QVERIFY2(!comment.isEmpty(), "no doc comment above the declaration");
    // Comment lines joined into one text, as they read.
    const QString text = QString(comment).replace(
        QRegularExpression(QStringLiteral("(\\s*\\n\\s*(\\*(?!/)|///)?)+\\s*")), QStringLiteral(" "));
    for (const QString& phrase : phrases)
        QVERIFY2(text.contains(phrase), qPrintable(QStringLiteral("does not say %1 in: %2").arg(phrase, text)));
}

void OperationValuesTest::operationsPageIsCurrent()
{
    QFile page(sourceDir + QStringLiteral("/docs/operations.md"));
    QVERIFY(page.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(page.readAll());
    page.close();
    const int begin = text.indexOf(pageBegin);
    const int end = text.indexOf(pageEnd);
    QVERIFY2(begin >= 0 && end > begin, "docs/operations.md has no table of operations between its markers");

    const QString expected = operationsTable(readInterfaces());
    const QString current = text.mid(begin, end + pageEnd.size() - begin);
    if (current == expected)
        return;
    if (qEnvironmentVariableIsSet("VANTELO_UPDATE_OPERATIONS")) {
        text.replace(begin, current.size(), expected);
        QVERIFY(page.open(QIODevice::WriteOnly | QIODevice::Truncate));
        page.write(text.toUtf8());
        qInfo("docs/operations.md: table of operations rewritten");
        return;
    }
    QFile table(QStringLiteral("operations-table.md"));
    QVERIFY(table.open(QIODevice::WriteOnly | QIODevice::Truncate));
    table.write(expected.toUtf8());
    QFAIL(qPrintable(QStringLiteral("docs/operations.md's table of operations is not the one the interface files give, "
                                    "which is in %1; VANTELO_UPDATE_OPERATIONS=1 ctest -R tst_operationvalues "
                                    "puts it in place")
                         .arg(QFileInfo(table).absoluteFilePath())));
}

QTEST_GUILESS_MAIN(OperationValuesTest)
#include "tst_operationvalues.moc"
