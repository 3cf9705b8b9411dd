#include "VanteloDefinitions.h"

// Each name is one constant, made on first use and shared by every caller.
#define VANTELO_NAME(getter, value)                                                                                    \
    const QString& VanteloDefinitions::getter()                                                                        \
    {                                                                                                                  \
        static const QString name = QStringLiteral(value);                                                             \
        return name;                                                                                                   \
    }

VANTELO_NAME(getModuleName, "SystemInformation")
VANTELO_NAME(getObjectNameInformation, "Information")
VANTELO_NAME(getObjectNameExternalMediaMountService, "ExternalMediaMountService")
VANTELO_NAME(getObjectNameDisplay, "Display")
VANTELO_NAME(getObjectNameSelectorData, "SelectorData")
VANTELO_NAME(getObjectNameConfiguration, "Configuration")
VANTELO_NAME(getObjectNameProcessData, "ProcessData")
VANTELO_NAME(getInterfaceNameVantelo, "com.vantelo.Vantelo")
VANTELO_NAME(getInterfaceNameBusControlInfo, "com.vantelo.BusControlInfo")
VANTELO_NAME(getInterfaceNameConfiguration, "com.vantelo.Configuration")
VANTELO_NAME(getInterfaceNameConfigurationData, "com.vantelo.ConfigurationData")
VANTELO_NAME(getInterfaceNameControllerData, "com.vantelo.ControllerData")
VANTELO_NAME(getInterfaceNameDeviceInfo, "com.vantelo.DeviceInfo")
VANTELO_NAME(getInterfaceNameProcessDescription, "com.vantelo.ProcessDescription")
VANTELO_NAME(getInterfaceNameMaintenance, "com.vantelo.Maintenance")
VANTELO_NAME(getInterfaceNameExternalMedia, "com.vantelo.ExternalMedia")
VANTELO_NAME(getInterfaceNameExternalMediaMountService, "com.vantelo.ExternalMediaMountService")
VANTELO_NAME(getInterfaceNameDisplay, "com.vantelo.Display")
VANTELO_NAME(getInterfaceNameSelectorData, "com.vantelo.SelectorData")
VANTELO_NAME(getInterfaceNameUiStatusInformationData, "com.vantelo.UiStatusInformationData")
VANTELO_NAME(getMethodNameGetListOfInstances, "getListOfInstances")
VANTELO_NAME(getMethodNameGetDynamicSelectorText, "getDynamicSelectorText")

#undef VANTELO_NAME

QString VanteloDefinitions::serviceNameOfModule(const QString& moduleName)
{
    return QStringLiteral("com.vantelo.") + moduleName;
}

QString VanteloDefinitions::objectPathOfObject(const QString& objectName)
{
    return QStringLiteral("/com/vantelo/") + objectName;
}
