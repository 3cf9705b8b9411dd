#include "Peer.h"

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
#include "UiStatusInformationDataDBusConnector.h"
#include "VanteloDBusConnector.h"
#include "VanteloDefinitions.h"

namespace {
const QString distinctPrefix = QStringLiteral("Distinct/");

// A class whose factory takes the module and an object name.
template <typename Connector>
ClientClass withObject(const QString& name, const QString& interface, const QString& object, const QString& path,
                       const QStringList& relayed)
{
    return {name, interface, path, true, relayed, [object](const QString& module, const QString& chosen) {
                return Connector::createAndConnect(module, chosen.isEmpty() ? object : chosen);
            }};
}
} // namespace

const std::vector<ClientClass>& clientClasses()
{
    using D = VanteloDefinitions;
    static const std::vector<ClientClass> classes = {
        {QStringLiteral("VanteloDBusConnector"),
         D::getInterfaceNameVantelo(),
         QStringLiteral("/com/vantelo/Information"),
         false,
         {},
         [](const QString&, const QString&) { return VanteloDBusConnector::createAndConnect(); }},
        withObject<DBusControllerConnector>(QStringLiteral("DBusControllerConnector"),
                                            D::getInterfaceNameControllerData(), QStringLiteral("ControllerData"),
                                            QStringLiteral("/com/vantelo/ControllerData"), {}),
        withObject<DBusDeviceInfoConnector>(QStringLiteral("DBusDeviceInfoConnector"), D::getInterfaceNameDeviceInfo(),
                                            Bench::deviceObject, Bench::devicePath, {}),
        withObject<DBusProcessDescriptionConnector>(
            QStringLiteral("DBusProcessDescriptionConnector"), D::getInterfaceNameProcessDescription(),
            QStringLiteral("ProcessData"), QStringLiteral("/com/vantelo/ProcessData"),
            {QStringLiteral("processDataDescriptionChanged"), QStringLiteral("propertyChanged")}),
        withObject<MaintenanceDBusConnector>(QStringLiteral("MaintenanceDBusConnector"),
                                             D::getInterfaceNameMaintenance(), QStringLiteral("Maintenance"),
                                             QStringLiteral("/com/vantelo/Maintenance"), {}),
        withObject<BusControlInfoDBusConnector>(
            QStringLiteral("BusControlInfoDBusConnector"), D::getInterfaceNameBusControlInfo(),
            QStringLiteral("BusControlInfo"), QStringLiteral("/com/vantelo/BusControlInfo"),
            {QStringLiteral("busControlInfoMasterChanged"), QStringLiteral("busControlInfoSlaveChanged")}),
        withObject<ConfigurationFileHandlerDBusConnector>(
            QStringLiteral("ConfigurationFileHandlerDBusConnector"), D::getInterfaceNameConfiguration(),
            QStringLiteral("Configuration"), QStringLiteral("/com/vantelo/Configuration"),
            {QStringLiteral("configurationChanged"), QStringLiteral("configurationAccepted"),
             QStringLiteral("configurationDataChanged")}),
        withObject<ConfigurationDataFileHandlerDBusConnector>(
            QStringLiteral("ConfigurationDataFileHandlerDBusConnector"), D::getInterfaceNameConfigurationData(),
            QStringLiteral("Data"), QStringLiteral("/com/vantelo/Data"),
            {QStringLiteral("applyConfigurationCompleted"), QStringLiteral("exportConfigurationEnd")}),
        // Its object name "Configuration" becomes "SelectorData".
        withObject<SelectorDataDBusConnector>(QStringLiteral("SelectorDataDBusConnector"),
                                              D::getInterfaceNameSelectorData(), QStringLiteral("Configuration"),
                                              QStringLiteral("/com/vantelo/SelectorData"), {}),
        withObject<ExternalMediaManagerDBusConnector>(
            QStringLiteral("ExternalMediaManagerDBusConnector"), D::getInterfaceNameExternalMedia(),
            QStringLiteral("ExternalMedia"), QStringLiteral("/com/vantelo/ExternalMedia"),
            {QStringLiteral("determineAvailableFunctionsFinished")}),
        {QStringLiteral("ExternalMediaManagerDBusMountServiceConnector"),
         D::getInterfaceNameExternalMediaMountService(),
         QStringLiteral("/com/vantelo/ExternalMediaMountService"),
         false,
         {QStringLiteral("externalMediaMounted"), QStringLiteral("externalMediaUnmounted")},
         [](const QString&, const QString&) {
             return ExternalMediaManagerDBusMountServiceConnector::createAndConnect();
         }},
        withObject<UiStatusInformationDataDBusConnector>(
            QStringLiteral("UiStatusInformationDataDBusConnector"), D::getInterfaceNameUiStatusInformationData(),
            QStringLiteral("UiStatus"), QStringLiteral("/com/vantelo/UiStatus"),
            {QStringLiteral("uiStatusInformationItemChanged"), QStringLiteral("uiStatusInformationItemRemoved")}),
        {QStringLiteral("DisplayDBusConnector"),
         D::getInterfaceNameDisplay(),
         QStringLiteral("/com/vantelo/Display"),
         false,
         {},
         [](const QString& module, const QString&) { return DisplayDBusConnector::createAndConnect(module); }},
    };
    return classes;
}

ClientRecipe clientRecipe(int index, bool distinct)
{
    const std::vector<ClientClass>& classes = clientClasses();
    if (!distinct) {
        const ClientClass& type = classes[size_t(index) % classes.size()];
        return {&type, Bench::module, Bench::service, QString(), type.path};
    }
    static const std::vector<const ClientClass*> withObjects = [&] {
        std::vector<const ClientClass*> result;
        for (const ClientClass& type : classes) {
            if (type.takesObject)
                result.push_back(&type);
        }
        return result;
    }();
    const QString object = distinctPrefix + QString::number(index);
    return {withObjects[size_t(index) % withObjects.size()], Bench::module, Bench::service, object,
            VanteloDefinitions::objectPathOfObject(object)};
}

void handOverLatencies(std::vector<double>* arrived, int count, std::vector<double>* latencies, const QString& peer)
{
    if (int(arrived->size()) != count)
        fail(QStringLiteral("%1: %2 signals arrived, %3 were sent").arg(peer).arg(arrived->size()).arg(count));
    if (latencies)
        latencies->insert(latencies->end(), arrived->begin(), arrived->end());
    arrived->clear();
}
