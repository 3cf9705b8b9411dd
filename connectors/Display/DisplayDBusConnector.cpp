#include "DisplayDBusConnector.h"

#include "VanteloDefinitions.h"

DisplayDBusConnector::DisplayDBusConnector(const QString& moduleName)
    // Braces: the names are fetched in the order they are given.
    : DBusConnectorBase{moduleName, VanteloDefinitions::getObjectNameDisplay(),
                        VanteloDefinitions::getInterfaceNameDisplay(), nullptr, FollowService}
{
}

DisplayDBusConnector::~DisplayDBusConnector() = default;

QSharedPointer<DisplayDBusConnector> DisplayDBusConnector::createAndConnect(const QString& moduleName)
{
    QSharedPointer<DisplayDBusConnector> connector(new DisplayDBusConnector(moduleName));
    if (connector.isNull()) {
        qWarning("Invalid pointer to connector!");
        return connector;
    }
    connector->initObject();
    return connector;
}

DBusReply DisplayDBusConnector::getScreenshot() const
{
    return syncCallHelper(QStringLiteral("getScreenshot"));
}

DBusReply DisplayDBusConnector::toggleDisplayState() const
{
    return syncCallNoBlock(QStringLiteral("toggleDisplayState"));
}
