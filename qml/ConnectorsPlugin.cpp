// The plugin of the QML module Vantelo.Connectors: the types, and the
// screenshot image provider in every engine that imports the module.

#include "QmlLogging.h"
#include "ScreenshotImageProvider.h"

#include <QQmlEngine>
#include <QQmlExtensionPlugin>

Q_LOGGING_CATEGORY(lcVanteloQml, "vantelo.qml")

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include "QmlConnector.h"
#include "QmlPendingReply.h"
#include "UiStatusItemsModel.h"

class VanteloConnectorsPlugin : public QQmlExtensionPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QQmlExtensionInterface_iid)
public:
    void registerTypes(const char* uri) override
    {
        qmlRegisterType<QmlConnector>(uri, 1, 0, "Connector");
        qmlRegisterUncreatableType<QmlPendingReply>(uri, 1, 0, "PendingReply",
                                                    QStringLiteral("PendingReply is made by Connector.call()"));
        qmlRegisterType<UiStatusItemsModel>(uri, 1, 0, "UiStatusItemsModel");
    }
#else
// Made by qt_add_qml_module from the types' QML_ELEMENT declarations.
extern void qml_register_types_Vantelo_Connectors();

class VanteloConnectorsPlugin : public QQmlEngineExtensionPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QQmlEngineExtensionInterface_iid)
public:
    VanteloConnectorsPlugin()
    {
        // Keeps the registration, which lies in a static library, in the plugin.
        volatile auto registration = &qml_register_types_Vantelo_Connectors;
        Q_UNUSED(registration)
    }
#endif

    void initializeEngine(QQmlEngine* engine, const char* uri) override
    {
        Q_UNUSED(uri)
        engine->addImageProvider(ScreenshotImageProvider::name(), new ScreenshotImageProvider);
    }
};

#include "ConnectorsPlugin.moc"
