#ifndef VANTELODEFINITIONS_H
#define VANTELODEFINITIONS_H

#include "DBusToolsExport.h"

#include <QString>

/**
 * The names under which the device's services are reached: the module, the
 * objects whose names are fixed, every interface and two method names. Each
 * getter returns one constant, made on first use.
 */
class VANTELO_DBUSTOOLS_EXPORT VanteloDefinitions
{
public:
    /// `SystemInformation`: the module whose service, `com.vantelo.SystemInformation`, serves the system information
    /// objects.
    static const QString& getModuleName();

    /// `Information`: the object of the provider registry (VanteloDBusConnector).
    static const QString& getObjectNameInformation();
    /// `ExternalMediaMountService`: the object of the external media mount service.
    static const QString& getObjectNameExternalMediaMountService();
    /// `Display`: the object of the display of a module.
    static const QString& getObjectNameDisplay();
    /// `SelectorData`: the object of the selector data, and the part of an object name that SelectorDataDBusConnector
    /// puts in.
    static const QString& getObjectNameSelectorData();
    /// `Configuration`: the configuration object; SelectorDataDBusConnector replaces it in object names by the selector
    /// data object.
    static const QString& getObjectNameConfiguration();
    /// `ProcessData`: the process data object; SelectorDataDBusConnector replaces it in object names by the selector
    /// data object.
    static const QString& getObjectNameProcessData();

    /// `com.vantelo.Vantelo`: the provider registry's interface.
    static const QString& getInterfaceNameVantelo();
    /// `com.vantelo.BusControlInfo`: bus control information.
    static const QString& getInterfaceNameBusControlInfo();
    /// `com.vantelo.Configuration`: the configuration file handler.
    static const QString& getInterfaceNameConfiguration();
    /// `com.vantelo.ConfigurationData`: the configuration data file handler.
    static const QString& getInterfaceNameConfigurationData();
    /// `com.vantelo.ControllerData`: controller data.
    static const QString& getInterfaceNameControllerData();
    /// `com.vantelo.DeviceInfo`: device information.
    static const QString& getInterfaceNameDeviceInfo();
    /// `com.vantelo.ProcessDescription`: process data descriptions.
    static const QString& getInterfaceNameProcessDescription();
    /// `com.vantelo.Maintenance`: maintenance.
    static const QString& getInterfaceNameMaintenance();
    /// `com.vantelo.ExternalMedia`: the functions of external media.
    static const QString& getInterfaceNameExternalMedia();
    /// `com.vantelo.ExternalMediaMountService`: the external media mount service.
    static const QString& getInterfaceNameExternalMediaMountService();
    /// `com.vantelo.Display`: the display.
    static const QString& getInterfaceNameDisplay();
    /// `com.vantelo.SelectorData`: selector data.
    static const QString& getInterfaceNameSelectorData();
    /// `com.vantelo.UiStatusInformationData`: UI status information.
    static const QString& getInterfaceNameUiStatusInformationData();

    /// `getListOfInstances`: the method of SelectorDataDBusConnector::getListOfInstances().
    static const QString& getMethodNameGetListOfInstances();
    /// `getDynamicSelectorText`: the method of SelectorDataDBusConnector::getSelectorText().
    static const QString& getMethodNameGetDynamicSelectorText();

    /// The bus name that serves \a moduleName: "com.vantelo." followed by it.
    static QString serviceNameOfModule(const QString& moduleName);
    /// The path of \a objectName: "/com/vantelo/" followed by it (an object name may hold `/` for deeper paths).
    static QString objectPathOfObject(const QString& objectName);
};

#endif // VANTELODEFINITIONS_H
