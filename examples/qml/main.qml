import QtQuick 2.15
import QtQuick.Window 2.15
import Vantelo.Connectors 1.0

Window {
    id: window
    width: 720
    height: 480
    visible: true
    title: "Device"
    color: "white"

    // Filled by an asynchronous call: the UI never waits for the bus.
    property var information: ({})
    property string informationError: ""
    readonly property bool everythingShown: Object.keys(information).length > 0 && items.count > 0
                                            && screenshot.status === Image.Ready

    // With --check the program ends once everything is there and drawn.
    property bool endAfterNextFrame: false
    onEverythingShownChanged: {
        if (everythingShown && checking) {
            endAfterNextFrame = true
            requestUpdate()
        }
    }
    onFrameSwapped: if (endAfterNextFrame) Qt.exit(0)

    Connector {
        id: deviceInfo
        connector: "device-info"
    }

    function loadInformation() {
        var reply = deviceInfo.call("getInformationAsynchron", "Device1", "all")
        reply.finished.connect(function() {
            informationError = reply.isError ? reply.errorMessage : ""
            information = reply.isError ? {} : reply.value
        })
    }

    Component.onCompleted: loadInformation()

    Row {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 24

        Column {
            width: 260
            spacing: 8

            Text { text: "Device1"; font.bold: true; font.pixelSize: 18 }
            Repeater {
                model: Object.keys(window.information).sort()
                Text { text: modelData + ": " + window.information[modelData] }
            }
            Text {
                visible: window.informationError !== ""
                width: parent.width
                wrapMode: Text.Wrap
                color: "firebrick"
                text: window.informationError
            }

            Text { text: "Screenshot"; font.bold: true; font.pixelSize: 18; topPadding: 16 }
            Image {
                id: screenshot
                property int shot: 0
                // A new query each time: QML caches images by their source.
                source: "image://vantelo/screenshot?" + shot
                cache: false
                width: 240
                height: 120
                fillMode: Image.PreserveAspectFit
                smooth: false
                MouseArea {
                    anchors.fill: parent
                    onClicked: screenshot.shot++
                }
            }
            Text { text: "click the screenshot to take it again"; color: "gray" }
        }

        Column {
            width: parent.width - 284
            height: parent.height
            spacing: 8

            Text { text: "Status (" + items.count + ")"; font.bold: true; font.pixelSize: 18 }
            ListView {
                width: parent.width
                height: parent.height - 40
                spacing: 6
                clip: true
                model: UiStatusItemsModel { id: items }
                delegate: Rectangle {
                    width: ListView.view.width
                    height: column.height + 12
                    radius: 4
                    color: category === "warning" ? "#fff3cd" : category === "error" ? "#f8d7da" : "#e7f1ff"
                    Column {
                        id: column
                        x: 8
                        y: 6
                        width: parent.width - 16
                        Text { text: title + "  (priority " + priority + ")"; font.bold: true }
                        Text { text: model.text; width: parent.width; wrapMode: Text.Wrap }
                        Text { text: source + " · " + timestamp; color: "gray" }
                    }
                }
            }
        }
    }
}
