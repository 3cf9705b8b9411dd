// An application of the installed library: it must build with nothing but
// what the package installs.
#include <DBusDeviceInfoConnector.h>
#include <UiStatusInformationDataDBusConnector.h>
#include <VanteloDefinitions.h>

int main()
{
    const auto device =
        DBusDeviceInfoConnector::createAndConnect(VanteloDefinitions::getModuleName(), QStringLiteral("DeviceInfo"));
    UiStatusInformationItem item;
    item.setUuid(QStringLiteral("u1"));
    return device.isNull() || item.uuid().isEmpty() ? 1 : 0;
}
