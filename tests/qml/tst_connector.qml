import QtQuick 2.15
import QtTest 1.2
import Vantelo.Connectors 1.0
import Vantelo.Connectors.Testing 1.0

TestCase {
    id: testCase
    name: "Connector"

    readonly property string firstItem: "3f1c2a9e-0c4b-4a8e-9d2f-1b7e5a6c0001"
    readonly property var pngSignature: [137, 80, 78, 71, 13, 10, 26, 10]
    // Every warning names the item's file and line.
    readonly property string where: "file:.*/tst_connector\\.qml:\\d+:\\d+: QML Connector: "
    property string changedInstance
    property bool finishedWithoutReference

    Component { id: connectorComponent; Connector {} }
    Component { id: spyComponent; SignalSpy {} }

    Connector {
        id: configuration
        connector: "configuration"
    }

    Connections {
        target: configuration
        function onConfigurationChanged(instanceName) {
            testCase.changedInstance = instanceName
        }
    }

    // The runner's simulator, driven through the test kit's QML type.
    SimulatedDevice { id: device }
    SignalSpy { id: runningSpy; target: device; signalName: "runningChanged" }

    function initTestCase() {
        verify(device.attach(), device.errorString)
        verify(device.running)
        compare(runningSpy.count, 1) // bindings to running follow
    }

    function init() {
        verify(device.reset(), device.errorString)
    }

    function make(properties) {
        var connector = createTemporaryObject(connectorComponent, testCase, properties)
        verify(connector)
        return connector
    }

    function spyOn(target, signalName) {
        return createTemporaryObject(spyComponent, testCase, {target: target, signalName: signalName})
    }

    function call(connector, operation, args) {
        return connector.call.apply(connector, [operation].concat(args))
    }

    // Waits, bounded, for finished(), and checks it came once: a second one
    // would have been queued behind the first.
    function waitFinished(reply) {
        var spy = spyOn(reply, "finished")
        // A reply that finished within call() gives finished() on the next turn of the event loop.
        tryCompare(spy, "count", 1, reply.isFinished ? 1000 : 5000)
        wait(0)
        compare(spy.count, 1)
        verify(reply.isFinished)
    }

    // Lists of strings arrive as sequences of their own: as plain JavaScript values.
    function plain(value) {
        return JSON.parse(JSON.stringify(value))
    }

    function warningsFor(messages) {
        for (var i = 0; i < messages.length; ++i)
            ignoreWarning(new RegExp("^" + where + messages[i] + "$"))
    }

    function test_values_data() {
        return [
            {tag: "blocking, s", connector: "device-info", operation: "getInformation",
             args: ["Device1", "serialNumber"], value: "SN-2026-0042"},
            {tag: "blocking, a{sv}", connector: "device-info", operation: "getInformation", args: ["Device1", "all"],
             value: {firmware: "4.2.1", hardware: "Rev. C", serialNumber: "SN-2026-0042"}},
            {tag: "blocking, as", connector: "controller", operation: "getListOfInstances", args: ["all"],
             value: ["Controller1", "Controller2"]},
            {tag: "arguments as an array", connector: "device-info", operation: "getInformation",
             args: ["Device1", "firmware"], asArray: true, value: "4.2.1"},
            {tag: "blocking, i", connector: "configuration", operation: "getNumberOfInstances", args: ["Network"],
             value: 3},
            {tag: "blocking, b", connector: "provider-registry", operation: "isProviderRegistered",
             args: ["DeviceInfo", "SystemInformation"], value: true},
            {tag: "blocking, no value", connector: "configuration", operation: "setConfiguration",
             args: ["Network", "network", "{}", "en", false], value: ""},
            {tag: "blocking, ay", connector: "DisplayDBusConnector", operation: "getScreenshot", args: [],
             read: function(value) { return Array.prototype.slice.call(new Uint8Array(value), 0, 8) },
             value: pngSignature},
            {tag: "blocking, variants in variants", connector: "VanteloDBusConnector",
             operation: "getStructuredMenuSyncCall", args: ["main", "en"],
             value: {title: "Device", entries: [{title: "Information", provider: "DeviceInfo"},
                                                {title: "Process data", provider: "ProcessData"},
                                                {title: "Maintenance", provider: "Maintenance"}]}},
            {tag: "blocking, an item", connector: "ui-status", operation: "getUiStatusInformationItem",
             args: ["", firstItem],
             value: {uuid: firstItem, source: "DeviceInfo", category: "warning", title: "Fan speed low",
                     text: "The fan runs below 40 % of its rated speed.", iconName: "fan",
                     timestamp: "2026-12-06T08:15:00Z", action: "openDeviceInfo", priority: 2}},
            {tag: "asynchronous, s", connector: "device-info", operation: "getInformationAsynchron",
             args: ["Device1", "firmware"], delay: "getInformation", value: "4.2.1"},
            {tag: "asynchronous, a{sv}", connector: "bus-control", operation: "getInformationAsynchron",
             args: ["Bus1"], delay: "getInformation", value: {master: "running", slaves: 3, cycleTimeUs: 1000}},
            {tag: "without waiting", connector: "provider-registry", operation: "registerObject",
             args: ["DeviceInfo", "Device1", "com.vantelo.Other", "Other"], value: undefined},
        ]
    }

    function test_values(data) {
        var connector = make({connector: data.connector})
        if (data.delay)
            verify(device.setDelay(connector.interfaceName, data.delay, 200), device.errorString)
        var reply = data.asArray ? connector.callWithArguments(data.operation, data.args)
                                 : call(connector, data.operation, data.args)
        compare(reply.operation, data.operation)
        // Only asynchronous calls are still on their way when call() returns.
        compare(reply.isFinished, data.delay === undefined)
        waitFinished(reply)
        verify(!reply.isError, reply.errorMessage)
        compare(reply.errorCode, 0)
        compare(reply.errorName, "")
        compare(data.read ? data.read(reply.value) : reply.value, data.value)
    }

    function test_errors_data() {
        var busy = ["com.vantelo.DeviceInfo", "getListOfInstances", "com.vantelo.Error.Busy", "Busy with an update"]
        return [
            {tag: "service's code", connector: "controller", operation: "setFaultController", args: [],
             code: 3, message: "^No fault controller is configured$", name: ""},
            {tag: "D-Bus error", connector: "device-info", operation: "getListOfInstances", args: ["all"],
             error: busy, code: -1, message: "Busy with an update", name: "com.vantelo.Error.Busy"},
            {tag: "D-Bus error, asynchronous", connector: "device-info", operation: "getListOfInstancesAsynchron",
             args: ["all"], error: busy, code: -1, message: "Busy with an update", name: "com.vantelo.Error.Busy"},
            {tag: "service not running", connector: "device-info", module: "Nowhere", operation: "getInformation",
             args: ["Device1", "all"], code: -1, message: "com.vantelo.Nowhere is not usable: the service is not running",
             name: "org.freedesktop.DBus.Error.ServiceUnknown"},
            {tag: "service not running, asynchronous", connector: "device-info", module: "Nowhere",
             operation: "getInformationAsynchron", args: ["Device1", "all"], code: -1,
             message: "the service is not running", name: "org.freedesktop.DBus.Error.ServiceUnknown"},
            {tag: "ui status warning", connector: "ui-status", operation: "getUiStatusInformationItem",
             args: ["", "nope"], code: -1, message: "No UI status information item nope", name: ""},
            {tag: "a malformed answer", connector: "device-info", operation: "getInformation",
             args: ["Device1", "all"], rawReply: ["com.vantelo.DeviceInfo", "getInformation", ["not", "enveloped"]],
             code: -1, message: "Unexpected reply signature: got \"av\"", name: "org.freedesktop.DBus.Error.InvalidSignature"},
        ]
    }

    function test_errors(data) {
        if (data.error)
            verify(device.setError.apply(device, data.error), device.errorString)
        if (data.rawReply)
            verify(device.setRawReply.apply(device, data.rawReply), device.errorString)
        var connector = make({connector: data.connector, module: data.module || ""})
        compare(connector.valid, data.module === undefined)
        var reply = call(connector, data.operation, data.args)
        waitFinished(reply)
        verify(reply.isError)
        compare(reply.errorCode, data.code)
        verify(new RegExp(data.message).test(reply.errorMessage), reply.errorMessage)
        compare(reply.errorName, data.name)
        compare(reply.value, undefined)
    }

    function test_refusals_data() {
        return [
            {tag: "unknown connector", properties: {connector: "nope"}, operation: "getInformation", args: [],
             warnings: ["no connector \"nope\"; the connectors are VanteloDBusConnector \\(provider-registry\\), "
                        + "DBusControllerConnector \\(controller\\), .*, DisplayDBusConnector \\(display\\)",
                        "getInformation not called: no connector \"nope\".*"],
             name: "org.freedesktop.DBus.Error.Failed"},
            {tag: "module it doesn't take", properties: {connector: "provider-registry", module: "Other"},
             operation: "isProviderRegistered", args: ["a", "b"],
             warnings: ["VanteloDBusConnector takes no module; leave module empty",
                        "isProviderRegistered not called: VanteloDBusConnector takes no module.*"],
             name: "org.freedesktop.DBus.Error.Failed"},
            {tag: "object it doesn't take", properties: {connector: "display", object: "Screen"},
             operation: "getScreenshot", args: [],
             warnings: ["DisplayDBusConnector takes no object; leave object empty",
                        "getScreenshot not called: DisplayDBusConnector takes no object.*"],
             name: "org.freedesktop.DBus.Error.Failed"},
            {tag: "unknown operation", properties: {connector: "device-info"}, operation: "getNothing", args: [],
             warnings: ["DBusDeviceInfoConnector has no operation \"getNothing\"; its operations are "
                        + "getListOfInstances, getInformation, .*, runActionsAsynchron"],
             name: "org.freedesktop.DBus.Error.UnknownMethod"},
            {tag: "too few arguments", properties: {connector: "device-info"}, operation: "getInformation",
             args: ["Device1"],
             warnings: ["DBusDeviceInfoConnector.getInformation\\(instanceName, informationName\\): "
                        + "getInformation takes 2 argument\\(s\\), not 1"],
             name: "org.freedesktop.DBus.Error.InvalidArgs"},
            {tag: "more arguments than any operation takes", properties: {connector: "display"},
             operation: "getScreenshot", args: [1, 2, 3, 4, 5, 6, 7, 8],
             warnings: ["DisplayDBusConnector.getScreenshot\\(\\): getScreenshot takes 0 argument\\(s\\), not 7"],
             name: "org.freedesktop.DBus.Error.InvalidArgs"},
            {tag: "number for text", properties: {connector: "device-info"}, operation: "getInformation",
             args: ["Device1", 7], warnings: [".*: informationName must be text"],
             name: "org.freedesktop.DBus.Error.InvalidArgs"},
            {tag: "undefined for text", properties: {connector: "device-info"}, operation: "getInformation",
             args: [undefined, "all"], warnings: [".*: instanceName must be text"],
             name: "org.freedesktop.DBus.Error.InvalidArgs"},
            {tag: "text for a flag", properties: {connector: "configuration"}, operation: "setConfiguration",
             args: ["Network", "network", "{}", "en", "yes"], warnings: [".*: persistent must be true or false"],
             name: "org.freedesktop.DBus.Error.InvalidArgs"},
            {tag: "item without uuid", properties: {connector: "ui-status"}, operation: "addUiStatusInformationItem",
             args: [{title: "Hello"}], warnings: [".*: item.uuid is missing or empty.*"],
             name: "org.freedesktop.DBus.Error.InvalidArgs"},
            {tag: "item with a field it hasn't", properties: {connector: "ui-status"},
             operation: "addUiStatusInformationItem", args: [{uuid: "q1", colour: "red"}],
             warnings: [".*: item has no field \"colour\"; its fields are uuid, source, .*, priority"],
             name: "org.freedesktop.DBus.Error.InvalidArgs"},
        ]
    }

    function test_refusals(data) {
        warningsFor(data.warnings)
        var connector = make(data.properties)
        var reply = call(connector, data.operation, data.args)
        // Refused before anything was sent: finished at once.
        verify(reply.isFinished)
        verify(reply.isError)
        compare(reply.errorCode, -1)
        compare(reply.errorName, data.name)
        verify(new RegExp(data.warnings[data.warnings.length - 1]).test(reply.errorMessage), reply.errorMessage)
        waitFinished(reply)
        compare(connector.valid, data.name !== "org.freedesktop.DBus.Error.Failed")
        compare(connector.invalidMessage === "", connector.valid)
    }

    function test_relayedSignals_data() {
        var item = {uuid: "q1", source: "", category: "", title: "Gone", text: "", iconName: "", timestamp: "",
                    action: "", priority: 4}
        return [
            {tag: "busControlInfoMasterChanged", connector: "bus-control", args: []},
            {tag: "busControlInfoSlaveChanged", connector: "bus-control", args: [3]},
            {tag: "configurationChanged", connector: "configuration", args: ["Network"]},
            {tag: "configurationAccepted", connector: "configuration", args: ["Time"]},
            {tag: "configurationDataChanged", connector: "configuration", args: []},
            {tag: "applyConfigurationCompleted", connector: "configuration-data", args: [true, ["a", "b"]]},
            {tag: "exportConfigurationEnd", connector: "configuration-data", args: []},
            {tag: "processDataDescriptionChanged", connector: "process-description", args: ["Process1"]},
            {tag: "propertyChanged", connector: "process-description", args: ["Process2"]},
            {tag: "determineAvailableFunctionsFinished", connector: "external-media",
             args: ["usb", {functions: ["import", "export"], size: 7}]},
            {tag: "externalMediaMounted", connector: "mount-service", args: ["/media/usb0"]},
            {tag: "externalMediaUnmounted", connector: "mount-service", args: []},
            {tag: "uiStatusInformationItemChanged", connector: "ui-status", args: ["q1"]},
            {tag: "uiStatusInformationItemRemoved", connector: "ui-status", args: [item]},
        ]
    }

    // Each relayed signal reaches QML as signalReceived() and as the item's
    // own signal of that name, its arguments as QML values.
    function test_relayedSignals(data) {
        var connector = make({connector: data.connector})
        tryCompare(connector, "valid", true)
        verify(connector.relayedSignals.indexOf(data.tag) >= 0)
        var named = spyOn(connector, data.tag)
        var received = spyOn(connector, "signalReceived")
        verify(simulator.emitRelayed(connector, data.tag, data.args), simulator.errorString())
        tryCompare(received, "count", 1, 5000)
        compare(received.signalArguments[0][0], data.tag)
        compare(plain(received.signalArguments[0][1]), data.args)
        compare(named.count, 1)
        compare(plain(Array.prototype.slice.call(named.signalArguments[0])), data.args)
    }

    // A relayed signal by its name, from the service's own state change.
    function test_handlerByName() {
        changedInstance = ""
        var reply = configuration.call("setConfiguration", "Time", "time", "{}", "en", false)
        verify(!reply.isError, reply.errorMessage)
        tryCompare(testCase, "changedInstance", "Time", 5000)
    }

    function test_validFollowsTheService() {
        var connector = make({connector: "display"})
        compare(connector.className, "DisplayDBusConnector")
        compare(connector.service, "com.vantelo.SystemInformation")
        compare(connector.path, "/com/vantelo/Display")
        compare(connector.interfaceName, "com.vantelo.Display")
        compare(connector.operations, ["getScreenshot", "toggleDisplayState"])
        tryCompare(connector, "valid", true)
        verify(device.stopService("com.vantelo.SystemInformation"), device.errorString)
        tryCompare(connector, "valid", false)
        verify(/the service is not running/.test(connector.invalidMessage), connector.invalidMessage)
        verify(device.startService("com.vantelo.SystemInformation"), device.errorString)
        tryCompare(connector, "valid", true)
        compare(connector.invalidMessage, "")
    }

    // Changing a name makes the connector again.
    function test_remade() {
        var connector = make({connector: "display"})
        var made = spyOn(connector, "made")
        connector.module = "Nowhere"
        compare(made.count, 1)
        compare(connector.service, "com.vantelo.Nowhere")
        verify(!connector.valid)
        connector.connector = "configuration"
        connector.module = ""
        compare(connector.className, "ConfigurationFileHandlerDBusConnector")
        tryCompare(connector, "valid", true)
        compare(connector.relayedSignals, ["configurationChanged", "configurationAccepted", "configurationDataChanged"])
        compare(connector.call("getNumberOfInstances", "Network").value, 3)
    }

    // Calls without keeping the reply; its frame is gone once it returns.
    function callWithoutReference() {
        configuration.call("getNumberOfInstancesAsynchron", "Network").finished.connect(function() {
            testCase.finishedWithoutReference = true
        })
    }

    // The reply lives until finished() was delivered, though QML keeps no reference to it.
    function test_replyLivesUntilFinished() {
        finishedWithoutReference = false
        verify(device.setDelay("com.vantelo.Configuration", "getNumberOfInstances", 200), device.errorString)
        callWithoutReference()
        gc()
        tryCompare(testCase, "finishedWithoutReference", true, 5000)
    }

    // The display's state set by an operation sent without waiting: the
    // screenshot fails with the service's own code while it is off.
    function test_withoutWaiting() {
        var display = make({connector: "display"})
        var toggled = display.call("toggleDisplayState")
        verify(toggled.isFinished)
        verify(!toggled.isError)
        compare(toggled.value, undefined)
        var screenshot = display.call("getScreenshot")
        compare([screenshot.errorCode, screenshot.errorMessage, screenshot.errorName],
                [2, "The display is switched off", ""])
        display.call("toggleDisplayState")
        verify(!display.call("getScreenshot").isError)
    }
}
