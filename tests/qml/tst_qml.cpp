// The QML module against the simulator's default scenario, on a private bus:
// Qt Quick Test runs the tst_*.qml files of this folder with the module from
// the build tree, and gives them `simulator`, which emits a connector's
// relayed signals with the D-Bus types the catalogue gives them.

#include "ConnectorTable.h"
#include "SimulatedDevice.h"
#include "StatusItemMap.h"
#include "UiStatusInformationItem.h"

#include <QDBusMetaType>
#include <QDBusVariant>
#include <QJSValue>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

namespace {
QVariant plain(const QVariant& value)
{
    return value.userType() == qMetaTypeId<QJSValue>() ? qvariant_cast<QJSValue>(value).toVariant() : value;
}
} // namespace

// emitRelayed() for QML, through the kit's device: the tests drive everything
// else with the kit's QML type.
class RelayedSignals : public QObject
{
    Q_OBJECT
public:
    explicit RelayedSignals(QObject* parent)
        : QObject(parent)
    {
        if (!m_device.attach())
            qFatal("%s", qPrintable(m_device.errorString()));
    }

    Q_INVOKABLE QString errorString() const { return m_device.errorString(); }

    // Emits the signal \a name from the remote object of \a connector, a
    // Connector item, with \a arguments in the D-Bus types the catalogue gives
    // its parameters: numbers as int32 where it takes "i", an object as an
    // item, anything as a variant where it takes "v".
    Q_INVOKABLE bool emitRelayed(QObject* connector, const QString& name, const QVariantList& arguments)
    {
        const ConnectorEntry* entry = findConnector(connector->property("className").toString());
        if (!entry)
            qFatal("not a Connector with a connector");
        for (const SignalEntry& signal : entry->relayedSignals) {
            if (signal.name != name)
                continue;
            QVariantList typed;
            for (int i = 0; i < arguments.size(); ++i)
                typed.append(typedArgument(plain(arguments.at(i)), signal.parameterTypes.value(i)));
            return m_device.emitSignal(connector->property("path").toString(),
                                       connector->property("interfaceName").toString(), name, typed);
        }
        qFatal("%s relays no %s", qPrintable(entry->className), qPrintable(name));
    }

private:
    static QVariant typedArgument(const QVariant& value, const QString& type)
    {
        if (type == QLatin1String("i"))
            return value.toInt();
        if (type == QLatin1String("as"))
            return value.toStringList();
        if (type == QLatin1String("v"))
            return QVariant::fromValue(QDBusVariant(value));
        if (type == StatusItemMap::signature()) {
            UiStatusInformationItem item;
            QString error;
            if (!StatusItemMap::toItem(value.toMap(), QStringLiteral("item"), &item, &error))
                qFatal("%s", qPrintable(error));
            return QVariant::fromValue(item);
        }
        return value;
    }

    SimulatedDevice m_device;
};

class Setup : public QObject
{
    Q_OBJECT
public Q_SLOTS:
    void applicationAvailable() { qDBusRegisterMetaType<UiStatusInformationItem>(); }

    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral(VANTELO_QML_BUILD_DIR));
        engine->rootContext()->setContextProperty(QStringLiteral("simulator"), new RelayedSignals(engine));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(qml, Setup)

#include "tst_qml.moc"
