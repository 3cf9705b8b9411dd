import QtQuick 2.15
import QtTest 1.2
import Vantelo.Connectors 1.0
import Vantelo.Connectors.Testing 1.0

TestCase {
    id: testCase
    name: "DeviceInfo"

    SimulatedDevice { id: device }
    Component {
        id: deviceInfo
        Connector { connector: "device-info" }
    }

    function initTestCase() {
        // Before the first connector: connectors use the bus start() points them at.
        verify(device.start(), device.errorString)
    }

    function init() {
        verify(device.reset(), device.errorString)
    }

    function test_failureCarriesTheErrorName() {
        verify(device.setError("com.vantelo.DeviceInfo", "getInformation",
                               "com.vantelo.Error.Busy", "try again later"), device.errorString)
        var info = createTemporaryObject(deviceInfo, testCase)
        tryCompare(info, "valid", true)
        var reply = info.call("getInformation", "Device1", "serialNumber")
        tryCompare(reply, "isFinished", true)
        verify(reply.isError)
        compare(reply.errorName, "com.vantelo.Error.Busy")
        compare(device.calls("com.vantelo.DeviceInfo", "getInformation"),
                [["Device1", "serialNumber"]])
    }

    function test_followsTheServiceAcrossARestart() {
        var info = createTemporaryObject(deviceInfo, testCase)
        tryCompare(info, "valid", true)
        verify(device.stopService("SystemInformation"), device.errorString)
        tryCompare(info, "valid", false)
        verify(device.startService("SystemInformation"), device.errorString)
        tryCompare(info, "valid", true)
    }
}
