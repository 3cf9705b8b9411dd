#include "ConnectorTable.h"

#include "BusControlInfoDBusConnector.h"
#include "ConfigurationDataFileHandlerDBusConnector.h"
#include "ConfigurationFileHandlerDBusConnector.h"
#include "DBusControllerConnector.h"
#include "DBusDeviceInfoConnector.h"
#include "DBusProcessDescriptionConnector.h"
#include "DisplayDBusConnector.h"
#include "ExternalMediaManagerDBusConnector.h"
#include "ExternalMediaManagerDBusMountServiceConnector.h"
#include "JsonValue.h"
#include "WarningCapture.h"
#include "MaintenanceDBusConnector.h"
#include "SelectorDataDBusConnector.h"
#include "UiStatusInformationDataDBusConnector.h"
#include "VanteloDBusConnector.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <type_traits>
#include <utility>

namespace {
template <typename T>
QString typeName();
template <>
QString typeName<QString>()
{
    return QStringLiteral("text");
}
template <>
QString typeName<bool>()
{
    return QStringLiteral("bool");
}
template <>
QString typeName<UiStatusInformationItem>()
{
    return QStringLiteral("item");
}

Outcome outcomeOf(const DBusReply& reply)
{
    Outcome outcome;
    outcome.reply = reply;
    return outcome;
}

Outcome outcomeOf(const DBusPendingReply::SharedPointer& pending)
{
    Outcome outcome;
    outcome.pending = pending;
    outcome.asynchronous = true;
    return outcome;
}

Outcome outcomeOf(const UiStatusInformationItem& item)
{
    Outcome outcome;
    outcome.reply.setValue(QVariant::fromValue(JsonValue::from(item)));
    return outcome;
}

Outcome outcomeOf(const QList<UiStatusInformationItem>& items)
{
    QJsonArray array;
    for (const UiStatusInformationItem& item : items)
        array.append(JsonValue::from(item));
    Outcome outcome;
    outcome.reply.setValue(QVariant::fromValue(QJsonValue(array)));
    return outcome;
}

template <typename R, typename... P, typename C, typename Member, std::size_t... I>
R invoke(C& connector, Member member, const QVariantList& arguments, std::index_sequence<I...>)
{
    Q_UNUSED(arguments); // for operations without parameters
    return (connector.*member)(qvariant_cast<std::decay_t<P>>(arguments.at(I))...);
}

template <typename C, typename R, typename... P, typename Member>
OperationEntry makeOperation(const char* name, Member member, const QStringList& parameterNames)
{
    Q_ASSERT(parameterNames.size() == int(sizeof...(P)));
    OperationEntry entry;
    entry.name = QLatin1String(name);
    entry.parameterNames = parameterNames;
    entry.parameterTypes = QStringList {typeName<std::decay_t<P>>()...};
    entry.invoke = [member](DBusConnectorBase& base, const QVariantList& arguments) -> Outcome {
        C& connector = static_cast<C&>(base);
        if constexpr (std::is_void_v<R>) {
            invoke<R, P...>(connector, member, arguments, std::index_sequence_for<P...>());
            return Outcome();
        } else {
            return outcomeOf(invoke<R, P...>(connector, member, arguments, std::index_sequence_for<P...>()));
        }
    };
    return entry;
}

template <typename C, typename R, typename... P>
OperationEntry operation(const char* name, R (C::*member)(P...) const, const QStringList& parameterNames = {})
{
    return makeOperation<C, R, P...>(name, member, parameterNames);
}

template <typename C, typename R, typename... P>
OperationEntry operation(const char* name, R (C::*member)(P...), const QStringList& parameterNames = {})
{
    return makeOperation<C, R, P...>(name, member, parameterNames);
}

template <typename C, typename... A>
SignalEntry relayed(const char* name, void (C::*signal)(A...), const QStringList& parameterNames = {})
{
    SignalEntry entry;
    entry.name = QLatin1String(name);
    entry.parameterNames = parameterNames;
    entry.connect = [name, signal](DBusConnectorBase& base, const SignalPrinter& print) {
        QObject::connect(static_cast<C*>(&base), signal, &base,
            [name, print](A... arguments) { print(QLatin1String(name), QJsonArray {JsonValue::from(arguments)...}); });
    };
    return entry;
}

template <typename C>
ConnectorEntry connector(const char* className, const char* alias, const QString& defaultObject)
{
    ConnectorEntry entry;
    entry.className = QLatin1String(className);
    entry.alias = QLatin1String(alias);
    entry.defaultObject = defaultObject;
    if constexpr (std::is_invocable_v<decltype(&C::createAndConnect)>) {
        entry.addressing = ConnectorEntry::FixedAddress;
        entry.create = [](const QString&, const QString&) {
            return QSharedPointer<DBusConnectorBase>(C::createAndConnect());
        };
    } else if constexpr (std::is_invocable_v<decltype(&C::createAndConnect), QString>) {
        entry.addressing = ConnectorEntry::ModuleOnly;
        entry.create = [](const QString& module, const QString&) {
            return QSharedPointer<DBusConnectorBase>(C::createAndConnect(module));
        };
    } else {
        entry.addressing = ConnectorEntry::ModuleAndObject;
        entry.create = [](const QString& module, const QString& object) {
            return QSharedPointer<DBusConnectorBase>(C::createAndConnect(module, object));
        };
    }
    return entry;
}

QStringList names(std::initializer_list<const char*> list)
{
    QStringList result;
    for (const char* name : list)
        result.append(QLatin1String(name));
    return result;
}

QList<ConnectorEntry> makeTable()
{
    QList<ConnectorEntry> table;

    ConnectorEntry registry = connector<VanteloDBusConnector>("VanteloDBusConnector", "provider-registry", QString());
    using Registry = VanteloDBusConnector;
    registry.operations = {
        operation(
            "getRegisteredProvidersList", &Registry::getRegisteredProvidersList, names({"providerType", "language"})),
        operation("getStructuredMenu", &Registry::getStructuredMenu, names({"menuName", "language"})),
        operation("getRegisteredProvidersListSyncCall", &Registry::getRegisteredProvidersListSyncCall,
            names({"providerType", "language"})),
        operation("getStructuredMenuSyncCall", &Registry::getStructuredMenuSyncCall, names({"menuName", "language"})),
        operation("isProviderRegistered", &Registry::isProviderRegistered, names({"providerType", "providerName"})),
        operation("registerObject", &Registry::registerObject,
            names({"providerType", "providerName", "serviceName", "objectName"})),
        operation(
            "unregisterObject", &Registry::unregisterObject, names({"providerType", "providerName", "serviceName"})),
    };
    table.append(registry);

    ConnectorEntry controller =
        connector<DBusControllerConnector>("DBusControllerConnector", "controller", QStringLiteral("ControllerData"));
    using Controller = DBusControllerConnector;
    controller.operations = {
        operation("getListOfInstances", &Controller::getListOfInstances, names({"instanceName"})),
        operation("registerControllerObject", &Controller::registerControllerObject, names({"controllerObject"})),
        operation("unregisterControllerObject", &Controller::unregisterControllerObject, names({"controllerObject"})),
        operation("setFaultController", &Controller::setFaultController),
        operation("clearFaultController", &Controller::clearFaultController),
    };
    table.append(controller);

    ConnectorEntry deviceInfo =
        connector<DBusDeviceInfoConnector>("DBusDeviceInfoConnector", "device-info", QStringLiteral("DeviceInfo"));
    using DeviceInfo = DBusDeviceInfoConnector;
    deviceInfo.operations = {
        operation("getListOfInstances", &DeviceInfo::getListOfInstances, names({"instanceType"})),
        operation("getInformation", &DeviceInfo::getInformation, names({"instanceName", "informationName"})),
        operation("getListOfActions", &DeviceInfo::getListOfActions, names({"instanceName", "language"})),
        operation(
            "runAction", &DeviceInfo::runAction, names({"instanceName", "actionName", "actionArguments", "language"})),
        operation("getListOfInstancesAsynchron", &DeviceInfo::getListOfInstancesAsynchron, names({"instanceType"})),
        operation("getInformationAsynchron", &DeviceInfo::getInformationAsynchron,
            names({"instanceName", "informationName"})),
        operation(
            "getListOfActionsAsynchron", &DeviceInfo::getListOfActionsAsynchron, names({"instanceName", "language"})),
        operation("runActionsAsynchron", &DeviceInfo::runActionsAsynchron,
            names({"instanceName", "actionName", "actionArguments", "language"})),
    };
    table.append(deviceInfo);

    ConnectorEntry process = connector<DBusProcessDescriptionConnector>(
        "DBusProcessDescriptionConnector", "process-description", QStringLiteral("ProcessData"));
    using Process = DBusProcessDescriptionConnector;
    process.operations = {
        operation(
            "getProcessDataDescription", &Process::getProcessDataDescription, names({"instanceName", "language"})),
        operation("getListOfInstances", &Process::getListOfInstances, names({"instanceType", "language"})),
        operation("getProcessDataDescriptionAsynchron", &Process::getProcessDataDescriptionAsynchron,
            names({"instanceName", "language"})),
        operation(
            "getListOfInstancesAsynchron", &Process::getListOfInstancesAsynchron, names({"instanceType", "language"})),
    };
    process.relayedSignals = {
        relayed("processDataDescriptionChanged", &Process::processDataDescriptionChanged, names({"instanceName"})),
        relayed("propertyChanged", &Process::propertyChanged, names({"instanceName"})),
    };
    table.append(process);

    ConnectorEntry maintenance =
        connector<MaintenanceDBusConnector>("MaintenanceDBusConnector", "maintenance", QStringLiteral("Maintenance"));
    maintenance.operations = {
        operation("getListOfInstancesAsynchron", &MaintenanceDBusConnector::getListOfInstancesAsynchron,
            names({"instanceType"})),
    };
    table.append(maintenance);

    ConnectorEntry busControl = connector<BusControlInfoDBusConnector>(
        "BusControlInfoDBusConnector", "bus-control", QStringLiteral("BusControlInfo"));
    using BusControl = BusControlInfoDBusConnector;
    busControl.operations = {
        operation("getInformationAsynchron", &BusControl::getInformationAsynchron, names({"instanceName"})),
        operation("getListOfActionsAsynchron", &BusControl::getListOfActionsAsynchron, names({"instanceName"})),
        operation("runActionsAsynchron", &BusControl::runActionsAsynchron,
            names({"instanceName", "actionName", "actionArguments"})),
    };
    busControl.relayedSignals = {
        relayed("busControlInfoMasterChanged", &BusControl::busControlInfoMasterChanged),
        relayed("busControlInfoSlaveChanged", &BusControl::busControlInfoSlaveChanged, names({"arrayIndex"})),
    };
    table.append(busControl);

    ConnectorEntry configuration = connector<ConfigurationFileHandlerDBusConnector>(
        "ConfigurationFileHandlerDBusConnector", "configuration", QStringLiteral("Configuration"));
    using Configuration = ConfigurationFileHandlerDBusConnector;
    configuration.operations = {
        operation("getConfiguration", &Configuration::getConfiguration,
            names({"instanceName", "configurationName", "language"})),
        operation("getConfigurationElement", &Configuration::getConfigurationElement,
            names({"instanceName", "configurationName", "elementName"})),
        operation("getConfigurationElementValue", &Configuration::getConfigurationElementValue,
            names({"instanceName", "configurationName", "elementName"})),
        operation("getManifestNodeElement", &Configuration::getManifestNodeElement,
            names({"instanceName", "nodeName", "elementName"})),
        operation("getStaticText", &Configuration::getStaticText, names({"instanceName", "textId", "language"})),
        operation("getConfigurationWithSessionId", &Configuration::getConfigurationWithSessionId,
            names({"instanceName", "configurationName", "language", "sessionId"})),
        operation("getDynamicText", &Configuration::getDynamicText,
            names({"instanceName", "textId", "textArguments", "language"})),
        operation("getConfigurationUntranslated", &Configuration::getConfigurationUntranslated,
            names({"instanceName", "configurationName"})),
        operation("getJavaScriptConfigurationDependency", &Configuration::getJavaScriptConfigurationDependency,
            names({"instanceName", "configurationName"})),
        operation(
            "getListOfInstances", &Configuration::getListOfInstances, names({"instanceName", "configurationName"})),
        operation("setConfiguration", &Configuration::setConfiguration,
            names({"instanceName", "configurationName", "configuration", "language", "persistent"})),
        operation("setConfigurationWithSessionId", &Configuration::setConfigurationWithSessionId,
            names({"instanceName", "configurationName", "configuration", "language", "sessionId", "persistent"})),
        operation("getNumberOfInstances", &Configuration::getNumberOfInstances, names({"instanceName"})),
        operation("getListOfNodeInstances", &Configuration::getListOfNodeInstances, names({"instanceName"})),
        operation("getConfigurationAsynchron", &Configuration::getConfigurationAsynchron,
            names({"instanceName", "configurationName", "language"})),
        operation("getStaticTextAsynchron", &Configuration::getStaticTextAsynchron,
            names({"instanceName", "textId", "language"})),
        operation("getConfigurationWithSessionIdAsynchron", &Configuration::getConfigurationWithSessionIdAsynchron,
            names({"instanceName", "configurationName", "language", "sessionId"})),
        operation("getDynamicTextAsynchron", &Configuration::getDynamicTextAsynchron,
            names({"instanceName", "textId", "textArguments", "language"})),
        operation("getConfigurationUntranslatedAsynchron", &Configuration::getConfigurationUntranslatedAsynchron,
            names({"instanceName", "configurationName"})),
        operation("getJavaScriptConfigurationDependencyAsynchron",
            &Configuration::getJavaScriptConfigurationDependencyAsynchron,
            names({"instanceName", "configurationName"})),
        operation("getListOfInstancesAsynchron", &Configuration::getListOfInstancesAsynchron,
            names({"instanceName", "configurationName"})),
        operation("setConfigurationAsynchron", &Configuration::setConfigurationAsynchron,
            names({"instanceName", "configurationName", "configuration", "language", "persistent"})),
        operation("setConfigurationWithSessionIdAsynchron", &Configuration::setConfigurationWithSessionIdAsynchron,
            names({"instanceName", "configurationName", "configuration", "language", "sessionId", "persistent"})),
        operation(
            "getNumberOfInstancesAsynchron", &Configuration::getNumberOfInstancesAsynchron, names({"instanceName"})),
        operation("getListOfNodeInstancesAsynchron", &Configuration::getListOfNodeInstancesAsynchron,
            names({"instanceName"})),
    };
    configuration.relayedSignals = {
        relayed("configurationChanged", &Configuration::configurationChanged, names({"instanceName"})),
        relayed("configurationAccepted", &Configuration::configurationAccepted, names({"instanceName"})),
        relayed("configurationDataChanged", &Configuration::configurationDataChanged),
    };
    table.append(configuration);

    ConnectorEntry configurationData = connector<ConfigurationDataFileHandlerDBusConnector>(
        "ConfigurationDataFileHandlerDBusConnector", "configuration-data", QStringLiteral("ConfigurationData"));
    using ConfigurationData = ConfigurationDataFileHandlerDBusConnector;
    configurationData.operations = {
        operation("requestConfigurationWrite", &ConfigurationData::requestConfigurationWrite,
            names({"instanceName", "configurationName"})),
        operation("requestConfigurationExport", &ConfigurationData::requestConfigurationExport,
            names({"instanceName", "exportPath", "includeDefaults"})),
    };
    configurationData.relayedSignals = {
        relayed("applyConfigurationCompleted", &ConfigurationData::applyConfigurationCompleted,
            names({"deviceRebootRequired", "reportMessages"})),
        relayed("exportConfigurationEnd", &ConfigurationData::exportConfigurationEnd),
    };
    table.append(configurationData);

    ConnectorEntry selector = connector<SelectorDataDBusConnector>(
        "SelectorDataDBusConnector", "selector-data", QStringLiteral("Configuration"));
    using Selector = SelectorDataDBusConnector;
    selector.operations = {
        operation("getListOfInstances", &Selector::getListOfInstances, names({"instanceName", "selectorName"})),
        operation("getListOfInstancesAsynchron", &Selector::getListOfInstancesAsynchron,
            names({"instanceName", "selectorName"})),
        operation("getSelectorText", &Selector::getSelectorText,
            names({"instanceName", "selectorName", "selectorValue", "textId", "textArguments", "language"})),
    };
    table.append(selector);

    ConnectorEntry media = connector<ExternalMediaManagerDBusConnector>(
        "ExternalMediaManagerDBusConnector", "external-media", QStringLiteral("ExternalMedia"));
    media.operations = {
        operation(
            "getAvailableFunctions", &ExternalMediaManagerDBusConnector::getAvailableFunctions, names({"mediaPath"})),
    };
    media.relayedSignals = {
        relayed("determineAvailableFunctionsFinished",
            &ExternalMediaManagerDBusConnector::determineAvailableFunctionsFinished,
            names({"strModuleName", "jobData"})),
    };
    table.append(media);

    ConnectorEntry mount = connector<ExternalMediaManagerDBusMountServiceConnector>(
        "ExternalMediaManagerDBusMountServiceConnector", "mount-service", QString());
    using Mount = ExternalMediaManagerDBusMountServiceConnector;
    mount.operations = {
        operation("getProviderDataAsJson", &Mount::getProviderDataAsJson, names({"providerName"})),
    };
    mount.relayedSignals = {
        relayed("externalMediaMounted", &Mount::externalMediaMounted, names({"strMountPath"})),
        relayed("externalMediaUnmounted", &Mount::externalMediaUnmounted),
    };
    table.append(mount);

    ConnectorEntry uiStatus = connector<UiStatusInformationDataDBusConnector>(
        "UiStatusInformationDataDBusConnector", "ui-status", QStringLiteral("UiStatusInformation"));
    using UiStatus = UiStatusInformationDataDBusConnector;
    uiStatus.operations = {
        operation("getUiStatusInformationItemList", &UiStatus::getUiStatusInformationItemList, names({"filter"})),
        operation("getUiStatusInformationItem", &UiStatus::getUiStatusInformationItem, names({"filter", "uuid"})),
        operation("addUiStatusInformationItem", &UiStatus::addUiStatusInformationItem, names({"item"})),
        operation("removeUiStatusInformationItem", &UiStatus::removeUiStatusInformationItem, names({"item"})),
    };
    uiStatus.relayedSignals = {
        relayed("uiStatusInformationItemChanged", &UiStatus::uiStatusInformationItemChanged, names({"uuid"})),
        relayed("uiStatusInformationItemRemoved", &UiStatus::uiStatusInformationItemRemoved, names({"item"})),
    };
    table.append(uiStatus);

    ConnectorEntry display = connector<DisplayDBusConnector>("DisplayDBusConnector", "display", QString());
    display.operations = {
        operation("getScreenshot", &DisplayDBusConnector::getScreenshot),
        operation("toggleDisplayState", &DisplayDBusConnector::toggleDisplayState),
    };
    table.append(display);

    return table;
}

bool parseBool(const QString& word, bool* value)
{
    static const QStringList yes {QStringLiteral("true"), QStringLiteral("1"), QStringLiteral("yes")};
    static const QStringList no {QStringLiteral("false"), QStringLiteral("0"), QStringLiteral("no")};
    *value = yes.contains(word.toLower());
    return *value || no.contains(word.toLower());
}

bool parseItem(const QString& word, UiStatusInformationItem* item, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(word.toUtf8(), &parseError);
    if (!document.isObject()) {
        *error = QStringLiteral("an item is a JSON object such as "
                                "'{\"uuid\": \"u1\", \"title\": \"Hello\", \"priority\": 1}'");
        return false;
    }
    const QJsonObject object = document.object();
    const auto text = [&object](const char* name) { return object.value(QLatin1String(name)).toString(); };
    item->setUuid(text("uuid"));
    item->setSource(text("source"));
    item->setCategory(text("category"));
    item->setTitle(text("title"));
    item->setText(text("text"));
    item->setIconName(text("iconName"));
    item->setTimestamp(text("timestamp"));
    item->setAction(text("action"));
    item->setPriority(UiStatusInformationItemPriority(object.value(QLatin1String("priority")).toInt()));
    return true;
}
} // namespace

DBusReply OperationEntry::run(DBusConnectorBase& connector, const QVariantList& arguments) const
{
    WarningCapture warnings;
    const Outcome outcome = invoke(connector, arguments);
    if (outcome.asynchronous) {
        if (outcome.pending)
            return outcome.pending->getReply();
        DBusReply reply;
        reply.setError(ErrorContainer::getDefaultErrorCode(), connector.getInvalidDBusInterfaceMessage());
        return reply;
    }
    DBusReply reply = outcome.reply;
    if (!reply.isError() && !warnings.messages().isEmpty())
        reply.setError(ErrorContainer::getDefaultErrorCode(), warnings.messages().last());
    return reply;
}

bool OperationEntry::parseArguments(const QStringList& words, QVariantList* arguments, QString* error) const
{
    if (words.size() != parameterNames.size()) {
        *error = QStringLiteral("%1 takes %2 argument(s): %3").arg(name).arg(parameterNames.size()).arg(synopsis());
        return false;
    }
    for (int i = 0; i < words.size(); ++i) {
        const QString& type = parameterTypes.at(i);
        if (type == QLatin1String("bool")) {
            bool value = false;
            if (!parseBool(words.at(i), &value)) {
                *error = QStringLiteral("%1 must be true or false, not \"%2\"").arg(parameterNames.at(i), words.at(i));
                return false;
            }
            arguments->append(value);
        } else if (type == QLatin1String("item")) {
            UiStatusInformationItem item;
            if (!parseItem(words.at(i), &item, error))
                return false;
            arguments->append(QVariant::fromValue(item));
        } else {
            arguments->append(words.at(i));
        }
    }
    return true;
}

QString OperationEntry::synopsis() const
{
    QStringList parts;
    for (int i = 0; i < parameterNames.size(); ++i) {
        const QString& type = parameterTypes.at(i);
        parts.append(
            type == QLatin1String("text") ? parameterNames.at(i) : parameterNames.at(i) + QLatin1Char(':') + type);
    }
    return parts.isEmpty() ? QStringLiteral("(no arguments)") : parts.join(QLatin1Char(' '));
}

const OperationEntry* ConnectorEntry::operation(const QString& name) const
{
    for (const OperationEntry& entry : operations) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

const QList<ConnectorEntry>& connectorTable()
{
    static const QList<ConnectorEntry> table = makeTable();
    return table;
}

const ConnectorEntry* findConnector(const QString& name)
{
    for (const ConnectorEntry& entry : connectorTable()) {
        if (entry.className.compare(name, Qt::CaseInsensitive) == 0 ||
            entry.alias.compare(name, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}
