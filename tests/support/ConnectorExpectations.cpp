#include "ConnectorExpectations.h"

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
#include "StatusItemRecord.h"
#include "UiStatusInformationDataDBusConnector.h"
#include "VanteloDBusConnector.h"

#include <QDBusMetaType>
#include <QDBusVariant>

#include <type_traits>
#include <utility>

namespace {
const QString plant = QStringLiteral("Plant");
const QString itemType = QStringLiteral("(ssssssssi)");
const QString itemListType = QStringLiteral("a(ssssssssi)");

// Opens the connector's D-Bus interface, which connectors keep protected.
template <typename C>
class Opened : public C
{
public:
    using C::C;
    QSharedPointer<QDBusInterface> interface() const { return this->dBusInterface; }
};

StatusItemRecord sampleRecord(const QString& tag, int round)
{
    StatusItemRecord record;
    const QStringList names = StatusItemRecord::fieldNames();
    for (size_t i = 0; i < record.texts.size(); ++i)
        record.texts[i] = QStringLiteral("%1-%2-r%3").arg(tag, names.at(int(i))).arg(round);
    record.priority = round == 0 ? 7 : -2;
    return record;
}

// The same item as a caller holds it.
UiStatusInformationItem itemOf(const StatusItemRecord& record)
{
    UiStatusInformationItem item;
    item.setUuid(record.texts[0]);
    item.setSource(record.texts[1]);
    item.setCategory(record.texts[2]);
    item.setTitle(record.texts[3]);
    item.setText(record.texts[4]);
    item.setIconName(record.texts[5]);
    item.setTimestamp(record.texts[6]);
    item.setAction(record.texts[7]);
    item.setPriority(UiStatusInformationItemPriority(record.priority));
    return item;
}

QStringList fieldsOf(const UiStatusInformationItem& item)
{
    return {item.uuid(),      item.source(), item.category(),
            item.title(),     item.text(),   item.iconName(),
            item.timestamp(), item.action(), QString::number(item.priority().value())};
}

QStringList fieldsOf(const StatusItemRecord& record)
{
    QStringList fields(record.texts.begin(), record.texts.end());
    fields.append(QString::number(record.priority));
    return fields;
}

template <typename Item>
QVariantList fieldsOfAll(const QList<Item>& items)
{
    QVariantList list;
    for (const Item& item : items)
        list.append(fieldsOf(item));
    return list;
}

// Whatever the operation gave back, in its place.
template <typename Result>
Outcome outcomeOf(const Result& result)
{
    Outcome outcome;
    if constexpr (std::is_same_v<Result, DBusReply>)
        outcome.reply = result;
    else if constexpr (std::is_same_v<Result, DBusPendingReply::SharedPointer>)
        outcome.pending = result;
    else
        outcome.decoded = comparable(QVariant::fromValue(result));
    return outcome;
}

// Calls the member function with the arguments in declared order, each
// taken out of its variant as the parameter's type.
template <typename C, typename Method, typename... P, std::size_t... I>
decltype(auto) callInOrder(C& connector, Method method, const QVariantList& arguments, std::index_sequence<I...>)
{
    Q_UNUSED(arguments); // for member functions without parameters
    return (connector.*method)(qvariant_cast<std::decay_t<P>>(arguments.value(int(I)))...);
}

template <typename C, typename R, typename... P, typename Method>
OperationExpectation makeExpectation(const char* name, Method method, const char* member, const char* signature,
                                     CallMode mode, const QString& answerType)
{
    OperationExpectation row{
        QLatin1String(name), QLatin1String(member), QLatin1String(signature), mode, answerType, {}};
    row.call = [method](DBusConnectorBase& base, const QVariantList& arguments) {
        C& connector = static_cast<C&>(base);
        const auto order = std::index_sequence_for<P...>();
        if constexpr (std::is_void_v<R>) {
            callInOrder<C, Method, P...>(connector, method, arguments, order);
            return Outcome();
        } else {
            return outcomeOf(callInOrder<C, Method, P...>(connector, method, arguments, order));
        }
    };
    return row;
}

template <typename C, typename R, typename... P>
OperationExpectation expectation(const char* name, R (C::*method)(P...) const, const char* member,
                                 const char* signature, CallMode mode, const QString& answerType = QString())
{
    return makeExpectation<C, R, P...>(name, method, member, signature, mode, answerType);
}

template <typename C, typename R, typename... P>
OperationExpectation expectation(const char* name, R (C::*method)(P...), const char* member, const char* signature,
                                 CallMode mode, const QString& answerType = QString())
{
    return makeExpectation<C, R, P...>(name, method, member, signature, mode, answerType);
}

#define OPERATION(Class, function, ...) expectation(#function, &Class::function, __VA_ARGS__)

template <typename C, typename... Names>
ConnectorExpectation connector(const char* className, DBusConnectorBase::ConnectionMode mode, const char* service,
                               const char* path, const char* interface, const Names&... names)
{
    ConnectorExpectation row;
    row.className = QLatin1String(className);
    row.mode = mode;
    row.service = QLatin1String(service);
    row.path = QLatin1String(path);
    row.interface = QLatin1String(interface);
    row.create = [names...] { return QSharedPointer<DBusConnectorBase>(C::createAndConnect(names...)); };
    row.open = [names...] {
        QSharedPointer<Opened<C>> opened(new Opened<C>(names...));
        opened->initObject();
        return QSharedPointer<DBusConnectorBase>(opened);
    };
    row.interfaceOf = [](const DBusConnectorBase& base) { return static_cast<const Opened<C>&>(base).interface(); };
    return row;
}

SignalExpectation relayed(const char* name, const char* signature, const char* qtSignal)
{
    return {QLatin1String(name), QLatin1String(signature), QByteArray("2") + qtSignal};
}

QList<ConnectorExpectation> makeExpectations()
{
    using Mode = DBusConnectorBase::ConnectionMode;
    QList<ConnectorExpectation> table;

    using Registry = VanteloDBusConnector;
    table << connector<Registry>("VanteloDBusConnector", Mode::FollowService, "com.vantelo.SystemInformation",
                                 "/com/vantelo/Information", "com.vantelo.Vantelo");
    table.last().operations = {
        OPERATION(Registry, getRegisteredProvidersList, "getRegisteredProvidersList", "ss", CallMode::Asynchronous),
        OPERATION(Registry, getStructuredMenu, "getStructuredMenu", "ss", CallMode::Asynchronous),
        OPERATION(Registry, getRegisteredProvidersListSyncCall, "getRegisteredProvidersList", "ss", CallMode::Blocking),
        OPERATION(Registry, getStructuredMenuSyncCall, "getStructuredMenu", "ss", CallMode::Blocking),
        OPERATION(Registry, isProviderRegistered, "isProviderRegistered", "ss", CallMode::Blocking),
        OPERATION(Registry, registerObject, "registerObject", "ssss", CallMode::NoWait),
        OPERATION(Registry, unregisterObject, "unregisterObject", "sss", CallMode::NoWait),
    };

    using Controller = DBusControllerConnector;
    table << connector<Controller>("DBusControllerConnector", Mode::FollowService, "com.vantelo.Plant",
                                   "/com/vantelo/Line1/Controller", "com.vantelo.ControllerData", plant,
                                   QStringLiteral("Line1/Controller"));
    table.last().operations = {
        OPERATION(Controller, getListOfInstances, "getListOfInstances", "s", CallMode::Blocking),
        OPERATION(Controller, registerControllerObject, "registerControllerObject", "s", CallMode::Blocking),
        OPERATION(Controller, unregisterControllerObject, "unregisterControllerObject", "s", CallMode::Blocking),
        OPERATION(Controller, setFaultController, "setFaultController", "", CallMode::Blocking),
        OPERATION(Controller, clearFaultController, "clearFaultController", "", CallMode::Blocking),
    };

    using Device = DBusDeviceInfoConnector;
    table << connector<Device>("DBusDeviceInfoConnector", Mode::FollowService, "com.vantelo.Plant",
                               "/com/vantelo/Line1/DeviceInfo", "com.vantelo.DeviceInfo", plant,
                               QStringLiteral("Line1/DeviceInfo"));
    table.last().operations = {
        OPERATION(Device, getListOfInstancesAsynchron, "getListOfInstances", "s", CallMode::Asynchronous),
        OPERATION(Device, getInformationAsynchron, "getInformation", "ss", CallMode::Asynchronous),
        OPERATION(Device, getListOfActionsAsynchron, "getListOfActions", "ss", CallMode::Asynchronous),
        OPERATION(Device, runActionsAsynchron, "runAction", "ssss", CallMode::Asynchronous),
        OPERATION(Device, getListOfInstances, "getListOfInstances", "s", CallMode::Blocking),
        OPERATION(Device, getInformation, "getInformation", "ss", CallMode::Blocking),
        OPERATION(Device, getListOfActions, "getListOfActions", "ss", CallMode::Blocking),
        OPERATION(Device, runAction, "runAction", "ssss", CallMode::Blocking),
    };

    using Process = DBusProcessDescriptionConnector;
    table << connector<Process>("DBusProcessDescriptionConnector", Mode::FollowService, "com.vantelo.Plant",
                                "/com/vantelo/Line1/ProcessDescription", "com.vantelo.ProcessDescription", plant,
                                QStringLiteral("Line1/ProcessDescription"));
    table.last().operations = {
        OPERATION(Process, getProcessDataDescriptionAsynchron, "getProcessDataDescription", "ss",
                  CallMode::Asynchronous),
        OPERATION(Process, getListOfInstancesAsynchron, "getListOfInstances", "ss", CallMode::Asynchronous),
        OPERATION(Process, getProcessDataDescription, "getProcessDataDescription", "ss", CallMode::Blocking),
        OPERATION(Process, getListOfInstances, "getListOfInstances", "ss", CallMode::Blocking),
    };
    table.last().relayedSignals = {
        relayed("processDataDescriptionChanged", "s", "processDataDescriptionChanged(QString)"),
        relayed("propertyChanged", "s", "propertyChanged(QString)"),
    };

    using Maintenance = MaintenanceDBusConnector;
    table << connector<Maintenance>("MaintenanceDBusConnector", Mode::FollowService, "com.vantelo.Plant",
                                    "/com/vantelo/Line1/Maintenance", "com.vantelo.Maintenance", plant,
                                    QStringLiteral("Line1/Maintenance"));
    table.last().operations = {
        OPERATION(Maintenance, getListOfInstancesAsynchron, "getListOfInstances", "s", CallMode::Asynchronous),
    };

    using BusControl = BusControlInfoDBusConnector;
    table << connector<BusControl>("BusControlInfoDBusConnector", Mode::FollowService, "com.vantelo.Plant",
                                   "/com/vantelo/Line1/BusControl", "com.vantelo.BusControlInfo", plant,
                                   QStringLiteral("Line1/BusControl"));
    table.last().operations = {
        OPERATION(BusControl, getInformationAsynchron, "getInformation", "s", CallMode::Asynchronous),
        OPERATION(BusControl, getListOfActionsAsynchron, "getListOfActions", "s", CallMode::Asynchronous),
        OPERATION(BusControl, runActionsAsynchron, "runAction", "sss", CallMode::Asynchronous),
    };
    table.last().relayedSignals = {
        relayed("busControlInfoMasterChanged", "", "busControlInfoMasterChanged()"),
        relayed("busControlInfoSlaveChanged", "i", "busControlInfoSlaveChanged(int)"),
    };

    using Configuration = ConfigurationFileHandlerDBusConnector;
    table << connector<Configuration>("ConfigurationFileHandlerDBusConnector", Mode::FollowService, "com.vantelo.Plant",
                                      "/com/vantelo/Line1/Configuration", "com.vantelo.Configuration", plant,
                                      QStringLiteral("Line1/Configuration"));
    table.last().operations = {
        OPERATION(Configuration, getConfigurationAsynchron, "getConfiguration", "sss", CallMode::Asynchronous),
        OPERATION(Configuration, getStaticTextAsynchron, "getStaticText", "sss", CallMode::Asynchronous),
        OPERATION(Configuration, getConfigurationWithSessionIdAsynchron, "getConfigurationWithSessionId", "ssss",
                  CallMode::Asynchronous),
        OPERATION(Configuration, getDynamicTextAsynchron, "getDynamicText", "ssss", CallMode::Asynchronous),
        OPERATION(Configuration, getConfigurationUntranslatedAsynchron, "getConfigurationUntranslated", "ss",
                  CallMode::Asynchronous),
        OPERATION(Configuration, getJavaScriptConfigurationDependencyAsynchron, "getJavaScriptConfigurationDependency",
                  "ss", CallMode::Asynchronous),
        OPERATION(Configuration, getListOfInstancesAsynchron, "getListOfInstances", "ss", CallMode::Asynchronous),
        OPERATION(Configuration, setConfigurationAsynchron, "setConfiguration", "ssssb", CallMode::Asynchronous),
        OPERATION(Configuration, setConfigurationWithSessionIdAsynchron, "setConfigurationWithSessionId", "sssssb",
                  CallMode::Asynchronous),
        OPERATION(Configuration, getNumberOfInstancesAsynchron, "getNumberOfInstances", "s", CallMode::Asynchronous),
        OPERATION(Configuration, getListOfNodeInstancesAsynchron, "getListOfNodeInstances", "s",
                  CallMode::Asynchronous),
        OPERATION(Configuration, getConfiguration, "getConfiguration", "sss", CallMode::Blocking),
        OPERATION(Configuration, getConfigurationElement, "getConfigurationElement", "sss", CallMode::Blocking),
        OPERATION(Configuration, getConfigurationElementValue, "getConfigurationElementValue", "sss",
                  CallMode::Blocking),
        OPERATION(Configuration, getManifestNodeElement, "getManifestNodeElement", "sss", CallMode::Blocking),
        OPERATION(Configuration, getStaticText, "getStaticText", "sss", CallMode::Blocking),
        OPERATION(Configuration, getConfigurationWithSessionId, "getConfigurationWithSessionId", "ssss",
                  CallMode::Blocking),
        OPERATION(Configuration, getDynamicText, "getDynamicText", "ssss", CallMode::Blocking),
        OPERATION(Configuration, getConfigurationUntranslated, "getConfigurationUntranslated", "ss",
                  CallMode::Blocking),
        OPERATION(Configuration, getJavaScriptConfigurationDependency, "getJavaScriptConfigurationDependency", "ss",
                  CallMode::Blocking),
        OPERATION(Configuration, getListOfInstances, "getListOfInstances", "ss", CallMode::Blocking),
        OPERATION(Configuration, setConfiguration, "setConfiguration", "ssssb", CallMode::Blocking),
        OPERATION(Configuration, setConfigurationWithSessionId, "setConfigurationWithSessionId", "sssssb",
                  CallMode::Blocking),
        OPERATION(Configuration, getNumberOfInstances, "getNumberOfInstances", "s", CallMode::Blocking),
        OPERATION(Configuration, getListOfNodeInstances, "getListOfNodeInstances", "s", CallMode::Blocking),
    };
    table.last().relayedSignals = {
        relayed("configurationChanged", "s", "configurationChanged(QString)"),
        relayed("configurationAccepted", "s", "configurationAccepted(QString)"),
        relayed("configurationDataChanged", "", "configurationDataChanged()"),
    };

    using ConfigurationData = ConfigurationDataFileHandlerDBusConnector;
    table << connector<ConfigurationData>("ConfigurationDataFileHandlerDBusConnector", Mode::StartOnDemand,
                                          "com.vantelo.Plant", "/com/vantelo/Line1/ConfigurationData",
                                          "com.vantelo.ConfigurationData", plant,
                                          QStringLiteral("Line1/ConfigurationData"));
    table.last().operations = {
        OPERATION(ConfigurationData, requestConfigurationWrite, "requestConfigurationWrite", "ss", CallMode::Blocking),
        OPERATION(ConfigurationData, requestConfigurationExport, "requestConfigurationExport", "ssb",
                  CallMode::Blocking),
    };
    table.last().relayedSignals = {
        relayed("applyConfigurationCompleted", "bas", "applyConfigurationCompleted(bool,QStringList)"),
        relayed("exportConfigurationEnd", "", "exportConfigurationEnd()"),
    };

    // The selector object is named after the configuration object given.
    using Selector = SelectorDataDBusConnector;
    table << connector<Selector>("SelectorDataDBusConnector", Mode::FollowService, "com.vantelo.Plant",
                                 "/com/vantelo/Line1/SelectorData", "com.vantelo.SelectorData", plant,
                                 QStringLiteral("Line1/Configuration"));
    table.last().operations = {
        OPERATION(Selector, getListOfInstancesAsynchron, "getListOfInstances", "ss", CallMode::Asynchronous),
        OPERATION(Selector, getListOfInstances, "getListOfInstances", "ss", CallMode::Blocking),
        OPERATION(Selector, getSelectorText, "getDynamicSelectorText", "ssssss", CallMode::Blocking),
    };

    using Media = ExternalMediaManagerDBusConnector;
    table << connector<Media>("ExternalMediaManagerDBusConnector", Mode::FollowService, "com.vantelo.Plant",
                              "/com/vantelo/Line1/ExternalMedia", "com.vantelo.ExternalMedia", plant,
                              QStringLiteral("Line1/ExternalMedia"));
    table.last().operations = {
        OPERATION(Media, getAvailableFunctions, "getAvailableFunctions", "s", CallMode::Blocking),
    };
    table.last().relayedSignals = {
        relayed("determineAvailableFunctionsFinished", "sv",
                "determineAvailableFunctionsFinished(QString,QDBusVariant)"),
    };

    using Mount = ExternalMediaManagerDBusMountServiceConnector;
    table << connector<Mount>("ExternalMediaManagerDBusMountServiceConnector", Mode::FollowService,
                              "com.vantelo.SystemInformation", "/com/vantelo/ExternalMediaMountService",
                              "com.vantelo.ExternalMediaMountService");
    table.last().operations = {
        OPERATION(Mount, getProviderDataAsJson, "getProviderDataAsJson", "s", CallMode::Blocking),
    };
    table.last().relayedSignals = {
        relayed("externalMediaMounted", "s", "externalMediaMounted(QString)"),
        relayed("externalMediaUnmounted", "", "externalMediaUnmounted()"),
    };

    using UiStatus = UiStatusInformationDataDBusConnector;
    table << connector<UiStatus>("UiStatusInformationDataDBusConnector", Mode::StartOnDemand, "com.vantelo.Plant",
                                 "/com/vantelo/Line1/UiStatus", "com.vantelo.UiStatusInformationData", plant,
                                 QStringLiteral("Line1/UiStatus"));
    table.last().operations = {
        OPERATION(UiStatus, getUiStatusInformationItemList, "getUiStatusInformationItemList", "s", CallMode::UiStatus,
                  itemListType),
        OPERATION(UiStatus, getUiStatusInformationItem, "getUiStatusInformationItem", "ss", CallMode::UiStatus,
                  itemType),
        OPERATION(UiStatus, addUiStatusInformationItem, "addUiStatusInformationItem", "(ssssssssi)",
                  CallMode::UiStatus),
        OPERATION(UiStatus, removeUiStatusInformationItem, "removeUiStatusInformationItem", "(ssssssssi)",
                  CallMode::UiStatus),
    };
    table.last().relayedSignals = {
        relayed("uiStatusInformationItemChanged", "s", "uiStatusInformationItemChanged(QString)"),
        relayed("uiStatusInformationItemRemoved", "(ssssssssi)",
                "uiStatusInformationItemRemoved(UiStatusInformationItem)"),
    };

    // Only the module is chosen, and a module name converts to a display;
    // object and interface are the display's own.
    static_assert(std::is_convertible<QString, DisplayDBusConnector>::value, "made from a module name");
    using Display = DisplayDBusConnector;
    table << connector<Display>("DisplayDBusConnector", Mode::FollowService, "com.vantelo.Plant",
                                "/com/vantelo/Display", "com.vantelo.Display", plant);
    table.last().operations = {
        OPERATION(Display, getScreenshot, "getScreenshot", "", CallMode::Blocking),
        OPERATION(Display, toggleDisplayState, "toggleDisplayState", "", CallMode::NoWait),
    };
    return table;
}
} // namespace

const QList<ConnectorExpectation>& connectorExpectations()
{
    static const QList<ConnectorExpectation> table = [] {
        // The remote side's items, marshalled independently of the library's.
        qDBusRegisterMetaType<StatusItemRecord>();
        qDBusRegisterMetaType<QList<StatusItemRecord>>();
        return makeExpectations();
    }();
    return table;
}

QStringList expectedServices()
{
    return {QStringLiteral("com.vantelo.SystemInformation"), QStringLiteral("com.vantelo.Plant")};
}

QStringList completeTypes(const QString& signature)
{
    QStringList types;
    int depth = 0;
    QString current;
    for (const QChar c : signature) {
        current += c;
        depth += c == QLatin1Char('(') || c == QLatin1Char('{') ? 1 : 0;
        depth -= c == QLatin1Char(')') || c == QLatin1Char('}') ? 1 : 0;
        if (depth == 0 && c != QLatin1Char('a')) {
            types.append(current);
            current.clear();
        }
    }
    return types;
}

QVariant remoteValue(const QString& type, const QString& tag, int round)
{
    if (type == QLatin1String("s"))
        return QStringLiteral("%1-r%2").arg(tag).arg(round);
    if (type == QLatin1String("b"))
        return round == 0;
    if (type == QLatin1String("i"))
        return round == 0 ? 3 : 0;
    if (type == QLatin1String("as"))
        return round == 0 ? QStringList{tag + QStringLiteral("-a"), tag + QStringLiteral("-b")} : QStringList();
    if (type == QLatin1String("v"))
        return QVariant::fromValue(QDBusVariant(round == 0 ? QVariant(42) : QVariant(tag)));
    if (type == itemType)
        return QVariant::fromValue(sampleRecord(tag, round));
    if (type == itemListType) {
        return QVariant::fromValue(QList<StatusItemRecord>{sampleRecord(tag + QStringLiteral("-1"), round),
                                                           sampleRecord(tag + QStringLiteral("-2"), round)});
    }
    qFatal("No test value for the D-Bus type %s", qPrintable(type));
    return {};
}

QVariantList argumentValues(const QString& name, const QString& signature, int round)
{
    QVariantList values = remoteValues(name, signature, round);
    const QStringList types = completeTypes(signature);
    for (int i = 0; i < types.size(); ++i) {
        if (types.at(i) == itemType)
            values[i] = QVariant::fromValue(itemOf(qvariant_cast<StatusItemRecord>(values.at(i))));
    }
    return values;
}

QVariantList remoteValues(const QString& name, const QString& signature, int round)
{
    QVariantList values;
    const QStringList types = completeTypes(signature);
    for (int i = 0; i < types.size(); ++i)
        values.append(remoteValue(types.at(i), QStringLiteral("%1-%2").arg(name).arg(i), round));
    return values;
}

QString interfaceWithMethod(const QString& member)
{
    for (const ConnectorExpectation& row : connectorExpectations()) {
        for (const OperationExpectation& operation : row.operations) {
            if (operation.member == member)
                return row.interface;
        }
    }
    return QString();
}

QVariant comparable(const QVariant& value)
{
    const int type = value.userType();
    if (type == qMetaTypeId<QDBusVariant>())
        return comparable(qvariant_cast<QDBusVariant>(value).variant());
    if (type == qMetaTypeId<UiStatusInformationItem>())
        return fieldsOf(qvariant_cast<UiStatusInformationItem>(value));
    if (type == qMetaTypeId<StatusItemRecord>())
        return fieldsOf(qvariant_cast<StatusItemRecord>(value));
    if (type == qMetaTypeId<QList<UiStatusInformationItem>>())
        return fieldsOfAll(qvariant_cast<QList<UiStatusInformationItem>>(value));
    if (type == qMetaTypeId<QList<StatusItemRecord>>())
        return fieldsOfAll(qvariant_cast<QList<StatusItemRecord>>(value));
    if (type == qMetaTypeId<QDBusArgument>()) {
        const auto argument = qvariant_cast<QDBusArgument>(value);
        const QString signature = argument.currentSignature();
        if (signature == itemType)
            return fieldsOf(qdbus_cast<StatusItemRecord>(argument));
        if (signature == itemListType)
            return fieldsOfAll(qdbus_cast<QList<StatusItemRecord>>(argument));
        if (signature == QLatin1String("as"))
            return qdbus_cast<QStringList>(argument);
    }
    return value;
}
