// Run by the checks of the installed tree and of the packages, with nothing
// but QML2_IMPORT_PATH / QML_IMPORT_PATH pointing at the installation.
import QtQuick 2.15
import QtTest 1.2
import Vantelo.Connectors 1.0

TestCase {
    name: "InstalledModule"

    Connector { id: deviceInfo; connector: "device-info" }
    UiStatusItemsModel { id: items }
    Image { id: screenshot; source: "image://vantelo/screenshot" }

    function test_module() {
        compare(deviceInfo.call("getInformation", "Device1", "serialNumber").value, "SN-2026-0042")
        tryCompare(items, "count", 2)
        tryCompare(screenshot, "status", Image.Ready)
    }
}
