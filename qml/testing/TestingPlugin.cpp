// The plugin of the QML module Vantelo.Connectors.Testing: the simulated device.

#include <QQmlEngine>
#include <QQmlExtensionPlugin>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include "QmlSimulatedDevice.h"

class VanteloTestingPlugin : public QQmlExtensionPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QQmlExtensionInterface_iid)
public:
    void registerTypes(const char* uri) override { qmlRegisterType<QmlSimulatedDevice>(uri, 1, 0, "SimulatedDevice"); }
};
#else
// Made by qt_add_qml_module from the type's QML_ELEMENT declaration.
extern void qml_register_types_Vantelo_Connectors_Testing();

class VanteloTestingPlugin : public QQmlEngineExtensionPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QQmlEngineExtensionInterface_iid)
public:
    VanteloTestingPlugin()
    {
        // Keeps the registration, which lies in a static library, in the plugin.
        volatile auto registration = &qml_register_types_Vantelo_Connectors_Testing;
        Q_UNUSED(registration)
    }
};
#endif

#include "TestingPlugin.moc"
