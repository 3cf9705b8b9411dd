import QtQuick 2.15
import QtTest 1.2
import Vantelo.Connectors 1.0
import Vantelo.Connectors.Testing 1.0

TestCase {
    id: testCase
    name: "UiStatusItemsModel"

    readonly property string service: "com.vantelo.SystemInformation"
    readonly property var scenarioTitles: ["Fan speed low", "Update available"]

    UiStatusItemsModel { id: items }

    // The roles, as a delegate reads them.
    Repeater {
        id: rows
        model: items
        delegate: Item {
            readonly property var fields: [uuid, source, category, title, text, iconName, timestamp, action, priority]
        }
    }

    // Changes made elsewhere reach the model through the service's signals.
    Connector { id: uiStatus; connector: "ui-status" }

    // The runner's simulator, driven through the test kit's QML type.
    SimulatedDevice { id: device }

    function initTestCase() {
        verify(device.attach(), device.errorString)
    }

    function init() {
        verify(device.reset(), device.errorString)
        tryCompare(items, "count", 2)
    }

    function titles() {
        var result = []
        for (var row = 0; row < items.count; ++row)
            result.push(items.get(row).title)
        return result
    }

    function test_fillsItself() {
        compare(titles(), scenarioTitles)
        compare(rows.count, 2)
        compare(rows.itemAt(0).fields, ["3f1c2a9e-0c4b-4a8e-9d2f-1b7e5a6c0001", "DeviceInfo", "warning",
                                        "Fan speed low", "The fan runs below 40 % of its rated speed.", "fan",
                                        "2026-12-06T08:15:00Z", "openDeviceInfo", 2])
    }

    function test_addChangeRemove() {
        verify(items.add({uuid: "q1", title: "Added", category: "info", priority: 3}))
        tryCompare(items, "count", 3)
        compare(items.get(2).title, "Added")
        compare(rows.itemAt(2).fields[8], 3)

        // The same uuid again replaces the item in its row.
        verify(items.add({uuid: "q1", title: "Changed", priority: 5}))
        tryVerify(function() { return rows.itemAt(2).fields[3] === "Changed" }, 5000)
        compare(items.count, 3)
        compare(rows.itemAt(2).fields[8], 5)

        verify(items.remove("q1"))
        tryCompare(items, "count", 2)
        compare(titles(), scenarioTitles)
    }

    function test_followsOtherClients() {
        var reply = uiStatus.call("addUiStatusInformationItem", {uuid: "q2", title: "From elsewhere"})
        verify(!reply.isError, reply.errorMessage)
        tryCompare(items, "count", 3)
        compare(items.get(2).uuid, "q2")
        uiStatus.call("removeUiStatusInformationItem", {uuid: "q2"})
        tryCompare(items, "count", 2)
    }

    // Gone with the service, fetched again when it is back.
    function test_serviceRestart() {
        verify(device.stopService(service), device.errorString)
        tryCompare(items, "count", 0)
        compare(rows.count, 0)
        verify(device.startService(service), device.errorString)
        tryCompare(items, "count", 2)
        compare(titles(), scenarioTitles)
    }

    function test_refusals_data() {
        return [
            {tag: "item without uuid", call: function() { return items.add({title: "Hello"}) },
             warning: "addUiStatusInformationItem: item.uuid is missing or empty; .*"},
            {tag: "not an item", call: function() { return items.add("Hello") },
             warning: "addUiStatusInformationItem: item must be an item, a map of its fields"},
            {tag: "unknown uuid", call: function() { return items.remove("nope") },
             warning: "removeUiStatusInformationItem failed: .*\"No UI status information item nope\""},
        ]
    }

    function test_refusals(data) {
        ignoreWarning(new RegExp("^file:.*/tst_uistatusitemsmodel\\.qml:\\d+:\\d+: QML UiStatusItemsModel: "
                                 + data.warning + "$"))
        verify(!data.call())
        compare(items.count, 2)
    }
}
