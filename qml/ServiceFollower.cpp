#include "ServiceFollower.h"

#include "VanteloDefinitions.h"

namespace {
QString moduleOf(const QString& serviceName)
{
    return serviceName.mid(VanteloDefinitions::serviceNameOfModule(QString()).size());
}
} // namespace

ServiceFollower::ServiceFollower(const QString& serviceName)
    // Object and interface only have to be valid names: nothing is ever called.
    : DBusConnectorBase(moduleOf(serviceName), VanteloDefinitions::getObjectNameInformation(),
                        VanteloDefinitions::getInterfaceNameVantelo(), nullptr, FollowService)
{
}

void ServiceFollower::connectServices()
{
    Q_EMIT serviceUp();
}

void ServiceFollower::disconnectServices()
{
    Q_EMIT serviceDown();
}
