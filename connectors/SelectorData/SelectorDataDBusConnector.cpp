#include "SelectorDataDBusConnector.h"

#include "VanteloDefinitions.h"

#include <utility>

// Under the configuration manager each parameter object has a selector data
// object of its own; its other objects share one.
static const QString spsConfigurationManagerModule = QStringLiteral("SpsConfigurationManager");
static const QString parameterMarker = QStringLiteral("Parameter");

namespace {
QString resultingObjectName(const QString& moduleName, QString objectName)
{
    const QString& selectorData = VanteloDefinitions::getObjectNameSelectorData();
    if (moduleName == spsConfigurationManagerModule) {
        if (objectName.contains(parameterMarker))
            return objectName + selectorData;
        return selectorData;
    }
    // In this order: the second replacement also sees what the first put in.
    objectName.replace(VanteloDefinitions::getObjectNameConfiguration(), selectorData);
    objectName.replace(VanteloDefinitions::getObjectNameProcessData(), selectorData);
    return objectName;
}
} // namespace

// The name is worked out by a free function: the base, and so the object, does
// not exist yet at this point.
SelectorDataDBusConnector::SelectorDataDBusConnector(const QString& moduleName, const QString& objectName)
    : DBusConnectorBase(moduleName, resultingObjectName(moduleName, objectName),
                        VanteloDefinitions::getInterfaceNameSelectorData(), nullptr, FollowService)
{
}

SelectorDataDBusConnector::~SelectorDataDBusConnector() = default;

QSharedPointer<SelectorDataDBusConnector> SelectorDataDBusConnector::createAndConnect(const QString& moduleName,
                                                                                      const QString& objectName)
{
    QSharedPointer<SelectorDataDBusConnector> connector(new SelectorDataDBusConnector(moduleName, objectName));
    if (connector.isNull()) {
        qWarning("Invalid pointer to connector!");
        return connector;
    }
    connector->initObject();
    return connector;
}

QString SelectorDataDBusConnector::getResultingObjectName(const QString& moduleName, QString objectName) const
{
    return resultingObjectName(moduleName, std::move(objectName));
}

DBusPendingReply::SharedPointer SelectorDataDBusConnector::getListOfInstancesAsynchron(
    const QString& instanceName, const QString& selectorName) const
{
    return asyncCallHelper(VanteloDefinitions::getMethodNameGetListOfInstances(), instanceName, selectorName);
}

DBusReply SelectorDataDBusConnector::getListOfInstances(const QString& instanceName, const QString& selectorName) const
{
    return syncCallHelper(VanteloDefinitions::getMethodNameGetListOfInstances(), instanceName, selectorName);
}

DBusReply SelectorDataDBusConnector::getSelectorText(const QString& instanceName, const QString& selectorName,
                                                     const QString& selectorValue, const QString& textId,
                                                     const QString& textArguments, const QString& language)
{
    return syncCallHelper(VanteloDefinitions::getMethodNameGetDynamicSelectorText(), instanceName, selectorName,
                          selectorValue, textId, textArguments, language);
}
