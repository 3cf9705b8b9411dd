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
#include "MaintenanceDBusConnector.h"
#include "SelectorDataDBusConnector.h"
#include "StatusItemMap.h"
#include "UiStatusInformationDataDBusConnector.h"
#include "VanteloDBusConnector.h"
#include "WarningCapture.h"

#include <QDBusMetaType>

#include <type_traits>
#include <utility>

namespace {
using Item = UiStatusInformationItem;

template <typename T>
QString signatureOf()
{
    if constexpr (std::is_same_v<T, Item>)
        return StatusItemMap::signature();
    else
        return dbusSignature(qMetaTypeId<T>());
}

// A signal argument as the handler gets it.
template <typename T>
QVariant qtValue(const T& value)
{
    if constexpr (std::is_same_v<T, Item>)
        return StatusItemMap::fromItem(value);
    else
        return QVariant::fromValue(value);
}

CallOutcome outcomeOf(const DBusReply& reply)
{
    CallOutcome outcome;
    outcome.reply = reply;
    return outcome;
}

CallOutcome outcomeOf(const DBusPendingReply::SharedPointer& pending)
{
    CallOutcome outcome;
    outcome.pending = pending;
    return outcome;
}

CallOutcome outcomeOf(const Item& item)
{
    CallOutcome outcome;
    outcome.decoded = StatusItemMap::fromItem(item);
    return outcome;
}

CallOutcome outcomeOf(const QList<Item>& items)
{
    QVariantList list;
    for (const Item& item : items)
        list.append(StatusItemMap::fromItem(item));
    CallOutcome outcome;
    outcome.decoded = list;
    return outcome;
}

template <typename R, typename... P, typename C, typename Member, std::size_t... I>
R invoke(C& connector, Member member, const QVariantList& arguments, std::index_sequence<I...>)
{
    Q_UNUSED(arguments); // for operations without parameters
    return (connector.*member)(qvariant_cast<std::decay_t<P>>(arguments.at(I))...);
}

// The D-Bus method of an operation: its name without the suffix that marks
// the asynchronous or the blocking twin.
QString memberOf(const QString& name)
{
    for (const QLatin1String suffix : {QLatin1String("Asynchron"), QLatin1String("SyncCall")}) {
        if (name.endsWith(suffix))
            return name.chopped(suffix.size());
    }
    return name;
}

template <typename C, typename R, typename... P, typename Member>
OperationEntry makeOperation(const char* name, Member member, const QStringList& parameterNames)
{
    Q_ASSERT(parameterNames.size() == int(sizeof...(P)));
    OperationEntry entry;
    entry.name = QLatin1String(name);
    entry.member = memberOf(entry.name);
    entry.readOnly = entry.member.startsWith(QLatin1String("get")) || entry.member.startsWith(QLatin1String("is"));
    entry.parameterNames = parameterNames;
    entry.parameterTypes = QStringList{signatureOf<std::decay_t<P>>()...};
    if constexpr (std::is_same_v<R, DBusPendingReply::SharedPointer>) {
        entry.mode = OperationEntry::CallMode::Asynchronous;
    } else if constexpr (std::is_same_v<C, UiStatusInformationDataDBusConnector>) {
        entry.mode = OperationEntry::CallMode::UiStatus;
        if constexpr (std::is_same_v<R, QList<Item>>)
            entry.resultType = QLatin1Char('a') + StatusItemMap::signature();
        else if constexpr (std::is_same_v<R, Item>)
            entry.resultType = StatusItemMap::signature();
    }
    entry.invoke = [member](DBusConnectorBase& base, const QVariantList& arguments) -> CallOutcome {
        C& connector = static_cast<C&>(base);
        if constexpr (std::is_void_v<R>) {
            invoke<R, P...>(connector, member, arguments, std::index_sequence_for<P...>());
            return CallOutcome();
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

// An operation sent with syncCallNoBlock: the type doesn't tell it from a blocking one.
OperationEntry withoutWaiting(OperationEntry entry)
{
    Q_ASSERT(entry.mode == OperationEntry::CallMode::Blocking);
    entry.mode = OperationEntry::CallMode::NoWait;
    return entry;
}

// An operation whose D-Bus method is not its own name.
OperationEntry calling(const char* member, OperationEntry entry)
{
    entry.member = QLatin1String(member);
    entry.readOnly = entry.member.startsWith(QLatin1String("get")) || entry.member.startsWith(QLatin1String("is"));
    return entry;
}

template <typename C, typename... A>
SignalEntry relayed(const char* name, void (C::*signal)(A...), const QStringList& parameterNames = {})
{
    Q_ASSERT(parameterNames.size() == int(sizeof...(A)));
    SignalEntry entry;
    entry.name = QLatin1String(name);
    entry.parameterNames = parameterNames;
    entry.parameterTypes = QStringList{signatureOf<std::decay_t<A>>()...};
    entry.relay = [name, signal](DBusConnectorBase& base, QObject* context, const SignalHandler& handler) {
        return QObject::connect(static_cast<C*>(&base), signal, context, [name, handler](A... arguments) {
            handler(QLatin1String(name), QVariantList{qtValue<std::decay_t<A>>(arguments)...});
        });
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
        operation("getRegisteredProvidersList", &Registry::getRegisteredProvidersList,
                  names({"providerType", "language"})),
        operation("getStructuredMenu", &Registry::getStructuredMenu, names({"menuName", "language"})),
        operation("getRegisteredProvidersListSyncCall", &Registry::getRegisteredProvidersListSyncCall,
                  names({"providerType", "language"})),
        operation("getStructuredMenuSyncCall", &Registry::getStructuredMenuSyncCall, names({"menuName", "language"})),
        operation("isProviderRegistered", &Registry::isProviderRegistered, names({"providerType", "providerName"})),
        withoutWaiting(operation("registerObject", &Registry::registerObject,
                                 names({"providerType", "providerName", "serviceName", "objectName"}))),
        withoutWaiting(operation("unregisterObject", &Registry::unregisterObject,
                                 names({"providerType", "providerName", "serviceName"}))),
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
        operation("runAction", &DeviceInfo::runAction,
                  names({"instanceName", "actionName", "actionArguments", "language"})),
        operation("getListOfInstancesAsynchron", &DeviceInfo::getListOfInstancesAsynchron, names({"instanceType"})),
        operation("getInformationAsynchron", &DeviceInfo::getInformationAsynchron,
                  names({"instanceName", "informationName"})),
        operation("getListOfActionsAsynchron", &DeviceInfo::getListOfActionsAsynchron,
                  names({"instanceName", "language"})),
        calling("runAction", operation("runActionsAsynchron", &DeviceInfo::runActionsAsynchron,
                                       names({"instanceName", "actionName", "actionArguments", "language"}))),
    };
    table.append(deviceInfo);

    ConnectorEntry process = connector<DBusProcessDescriptionConnector>(
        "DBusProcessDescriptionConnector", "process-description", QStringLiteral("ProcessData"));
    using Process = DBusProcessDescriptionConnector;
    process.operations = {
        operation("getProcessDataDescription", &Process::getProcessDataDescription,
                  names({"instanceName", "language"})),
        operation("getListOfInstances", &Process::getListOfInstances, names({"instanceType", "language"})),
        operation("getProcessDataDescriptionAsynchron", &Process::getProcessDataDescriptionAsynchron,
                  names({"instanceName", "language"})),
        operation("getListOfInstancesAsynchron", &Process::getListOfInstancesAsynchron,
                  names({"instanceType", "language"})),
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

    ConnectorEntry busControl = connector<BusControlInfoDBusConnector>("BusControlInfoDBusConnector", "bus-control",
                                                                       QStringLiteral("BusControlInfo"));
    using BusControl = BusControlInfoDBusConnector;
    busControl.operations = {
        operation("getInformationAsynchron", &BusControl::getInformationAsynchron, names({"instanceName"})),
        operation("getListOfActionsAsynchron", &BusControl::getListOfActionsAsynchron, names({"instanceName"})),
        calling("runAction", operation("runActionsAsynchron", &BusControl::runActionsAsynchron,
                                       names({"instanceName", "actionName", "actionArguments"}))),
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
        operation("getListOfInstances", &Configuration::getListOfInstances,
                  names({"instanceName", "configurationName"})),
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
        operation("getNumberOfInstancesAsynchron", &Configuration::getNumberOfInstancesAsynchron,
                  names({"instanceName"})),
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

    ConnectorEntry selector = connector<SelectorDataDBusConnector>("SelectorDataDBusConnector", "selector-data",
                                                                   QStringLiteral("Configuration"));
    using Selector = SelectorDataDBusConnector;
    selector.operations = {
        operation("getListOfInstances", &Selector::getListOfInstances, names({"instanceName", "selectorName"})),
        operation("getListOfInstancesAsynchron", &Selector::getListOfInstancesAsynchron,
                  names({"instanceName", "selectorName"})),
        calling("getDynamicSelectorText", operation("getSelectorText", &Selector::getSelectorText,
                                                    names({"instanceName", "selectorName", "selectorValue", "textId",
                                                           "textArguments", "language"}))),
    };
    table.append(selector);

    ConnectorEntry media = connector<ExternalMediaManagerDBusConnector>(
        "ExternalMediaManagerDBusConnector", "external-media", QStringLiteral("ExternalMedia"));
    media.operations = {
        operation("getAvailableFunctions", &ExternalMediaManagerDBusConnector::getAvailableFunctions,
                  names({"mediaPath"})),
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
        withoutWaiting(operation("toggleDisplayState", &DisplayDBusConnector::toggleDisplayState)),
    };
    table.append(display);

    return table;
}

} // namespace

bool OperationEntry::prepareArguments(const QVariantList& given, QVariantList* prepared, QString* error) const
{
    if (given.size() != parameterNames.size()) {
        *error =
            QStringLiteral("%1 takes %2 argument(s), not %3").arg(name).arg(parameterNames.size()).arg(given.size());
        return false;
    }
    QVariantList result;
    for (int i = 0; i < given.size(); ++i) {
        const QVariant& value = given.at(i);
        const QString& parameter = parameterNames.at(i);
        const QString& type = parameterTypes.at(i);
        if (type == StatusItemMap::signature()) {
            // An item comes as a map of its fields (from QML or JSON), or as an item.
            QVariantMap fields;
            if (value.userType() == qMetaTypeId<Item>()) {
                fields = StatusItemMap::fromItem(qvariant_cast<Item>(value));
            } else if (value.userType() == QMetaType::QVariantMap) {
                fields = value.toMap();
            } else {
                *error = QStringLiteral("%1 must be an item, a map of its fields").arg(parameter);
                return false;
            }
            Item item;
            if (!StatusItemMap::toItem(fields, parameter, &item, error))
                return false;
            result.append(QVariant::fromValue(item));
        } else {
            const bool isBool = type == QLatin1String("b");
            if (value.userType() != (isBool ? int(QMetaType::Bool) : int(QMetaType::QString))) {
                *error = QStringLiteral("%1 must be %2")
                             .arg(parameter, isBool ? QStringLiteral("true or false") : QStringLiteral("text"));
                return false;
            }
            result.append(value);
        }
    }
    *prepared = result;
    return true;
}

DBusReply OperationEntry::run(DBusConnectorBase& connector, const QVariantList& prepared) const
{
    if (mode == CallMode::UiStatus) {
        WarningCapture warnings;
        DBusReply reply;
        reply.setValue(invoke(connector, prepared).decoded);
        if (!warnings.messages().isEmpty())
            reply.setError(ErrorContainer::getDefaultErrorCode(), warnings.messages().last());
        return reply;
    }
    const CallOutcome outcome = invoke(connector, prepared);
    if (mode != CallMode::Asynchronous)
        return outcome.reply;
    return outcome.pending ? outcome.pending->getReply() : unusableInterfaceReply(connector);
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

DBusReply unusableInterfaceReply(const DBusConnectorBase& connector)
{
    DBusReply reply;
    reply.setError(ErrorContainer::getDefaultErrorCode(), connector.getInvalidDBusInterfaceMessage(),
                   connector.getInvalidDBusInterfaceErrorName());
    return reply;
}

QString dbusSignature(int metaTypeId)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QString::fromLatin1(QDBusMetaType::typeToSignature(QMetaType(metaTypeId)));
#else
    return QString::fromLatin1(QDBusMetaType::typeToSignature(metaTypeId));
#endif
}
