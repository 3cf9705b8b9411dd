// The QML module against the simulator's default scenario, on a private bus:
// Qt Quick Test runs the tst_*.qml files of this folder with the module from
// the build tree, and gives them `simulator`, a hand on its control interface.

#include "ConnectorTable.h"
#include "SimulatorControl.h"
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

// The simulator's control interface for QML.
class QmlSimulatorControl : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    Q_INVOKABLE void reset() { m_control.reset(); }
    Q_INVOKABLE void setDelay(const QString& method, int milliseconds) { m_control.setDelay(method, milliseconds); }
    Q_INVOKABLE void setError(const QString& method, const QString& name, const QString& message)
    {
        m_control.setError(method, name, message);
    }
    Q_INVOKABLE bool ownName(const QString& name) { return m_control.ownName(name); }
    Q_INVOKABLE bool releaseName(const QString& name) { return m_control.releaseName(name); }

    // Emits the signal \a name from the remote object of \a connector, a
    // Connector item, with \a arguments in the D-Bus types the catalogue gives
    // its parameters: numbers as int32 where it takes "i", an object as an
    // item, anything as a variant where it takes "v".
    Q_INVOKABLE void emitRelayed(QObject* connector, const QString& name, const QVariantList& arguments)
    {
        const ConnectorEntry* entry = findConnector(connector->property("className").toString());
        QVERIFY2(entry, "not a Connector with a connector");
        for (const SignalEntry& signal : entry->relayedSignals) {
            if (signal.name != name)
                continue;
            QVariantList typed;
            for (int i = 0; i < arguments.size(); ++i)
                typed.append(typedArgument(plain(arguments.at(i)), signal.parameterTypes.value(i)));
            m_control.emitSignal(connector->property("path").toString(),
                                 connector->property("interfaceName").toString(), name, typed);
            return;
        }
        QFAIL(qPrintable(QStringLiteral("%1 relays no %2").arg(entry->className, name)));
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

    SimulatorControl m_control;
};

class Setup : public QObject
{
    Q_OBJECT
public Q_SLOTS:
    void applicationAvailable()
    {
        SimulatorControl::requirePrivateBusWithSimulator();
        qDBusRegisterMetaType<UiStatusInformationItem>();
    }

    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral(VANTELO_QML_BUILD_DIR));
        engine->rootContext()->setContextProperty(QStringLiteral("simulator"), new QmlSimulatorControl(engine));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(qml, Setup)

#include "tst_qml.moc"
