#ifndef VANTELODEFINITIONS_H
#define VANTELODEFINITIONS_H

#include "DBusToolsExport.h"

#include <QString>

// The names under which the device's services are reached.
class VANTELO_DBUSTOOLS_EXPORT VanteloDefinitions
{
public:
    static const QString& getModuleName();

    static const QString& getObjectNameInformation();
    static const QString& getObjectNameExternalMediaMountService();
    static const QString& getObjectNameDisplay();
    static const QString& getObjectNameSelectorData();
    static const QString& getObjectNameConfiguration();
    static const QString& getObjectNameProcessData();

    static const QString& getInterfaceNameVantelo();
    static const QString& getInterfaceNameBusControlInfo();
    static const QString& getInterfaceNameConfiguration();
    static const QString& getInterfaceNameConfigurationData();
    static const QString& getInterfaceNameControllerData();
    static const QString& getInterfaceNameDeviceInfo();
    static const QString& getInterfaceNameProcessDescription();
    static const QString& getInterfaceNameMaintenance();
    static const QString& getInterfaceNameExternalMedia();
    static const QString& getInterfaceNameExternalMediaMountService();
    static const QString& getInterfaceNameDisplay();
    static const QString& getInterfaceNameSelectorData();
    static const QString& getInterfaceNameUiStatusInformationData();

    static const QString& getMethodNameGetListOfInstances();
    static const QString& getMethodNameGetDynamicSelectorText();

    // A module is served under the bus name "com.vantelo." + module name,
    // an object at the path "/com/vantelo/" + object name.
    static QString serviceNameOfModule(const QString& moduleName);
    static QString objectPathOfObject(const QString& objectName);
};

#endif // VANTELODEFINITIONS_H
