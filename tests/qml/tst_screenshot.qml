import QtQuick 2.15
import QtTest 1.2
import Vantelo.Connectors 1.0
import Vantelo.Connectors.Testing 1.0

TestCase {
    id: testCase
    name: "Screenshot"

    Component {
        id: imageComponent
        Image { cache: false }
    }

    Connector { id: display; connector: "display" }

    // The runner's simulator, driven through the test kit's QML type.
    SimulatedDevice { id: device }

    function initTestCase() {
        verify(device.attach(), device.errorString)
    }

    function init() {
        verify(device.reset(), device.errorString)
    }

    function load(properties) {
        var image = createTemporaryObject(imageComponent, testCase, properties)
        tryVerify(function() { return image.status !== Image.Loading && image.status !== Image.Null }, 5000)
        return image
    }

    function test_screenshot_data() {
        return [
            {tag: "default module", source: "image://vantelo/screenshot", size: Qt.size(8, 4)},
            {tag: "module", source: "image://vantelo/screenshot/SystemInformation", size: Qt.size(8, 4)},
            {tag: "query against the cache", source: "image://vantelo/screenshot?1", size: Qt.size(8, 4)},
            {tag: "scaled", source: "image://vantelo/screenshot", sourceSize: Qt.size(16, 0), size: Qt.size(16, 8)},
        ]
    }

    function test_screenshot(data) {
        var properties = {source: data.source}
        if (data.sourceSize)
            properties.sourceSize = data.sourceSize
        var image = load(properties)
        compare(image.status, Image.Ready)
        compare(Qt.size(image.implicitWidth, image.implicitHeight), data.size)
    }

    function test_failures_data() {
        return [
            {tag: "unknown image", source: "image://vantelo/photo",
             warning: "image://vantelo/photo: no such image; there are image://vantelo/screenshot and "
                      + "image://vantelo/screenshot/MODULE"},
            {tag: "service not running", source: "image://vantelo/screenshot/Nowhere",
             warning: "image://vantelo/screenshot/Nowhere: no screenshot \\(-1, "
                      + "org.freedesktop.DBus.Error.ServiceUnknown\\): .*the service is not running"},
            {tag: "display off", source: "image://vantelo/screenshot?off", displayOff: true,
             warning: "image://vantelo/screenshot\\?off: no screenshot \\(2, \\): The display is switched off"},
        ]
    }

    function test_failures(data) {
        if (data.displayOff)
            verify(!display.call("toggleDisplayState").isError)
        ignoreWarning(new RegExp("^" + data.warning + "$"))
        ignoreWarning(new RegExp("Failed to get image from provider: " + data.source.replace("?", "\\?")))
        var image = load({source: data.source})
        compare(image.status, Image.Error)
        if (!data.displayOff)
            return
        // Once the display is on again, a new source takes a new screenshot.
        display.call("toggleDisplayState")
        image.source = "image://vantelo/screenshot?on"
        tryCompare(image, "status", Image.Ready, 5000)
    }
}
