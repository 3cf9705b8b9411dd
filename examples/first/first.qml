import QtQuick 2.15
import Vantelo.Connectors 1.0

Text {
    Connector { id: device; connector: "device-info" }
    Connector { id: config; connector: "configuration"; onConfigurationChanged: Qt.quit() }
    Component.onCompleted: {
        var reply = device.call("getInformationAsynchron", "Device1", "serialNumber")
        reply.finished.connect(function() {
            text = reply.isError ? reply.errorName + ": " + reply.errorMessage : reply.value
            config.call("setConfiguration", "Network", "network", "{}", "en", false)  // sends the signal
        })
    }
}
