// A small device UI in QML: the device information, the UI status items and
// the display's screenshot, through the module Vantelo.Connectors.
//
//   vantelo-qml-example            shows the window until it is closed
//   vantelo-qml-example --check    ends once everything is shown: status 0, or
//                                  1 after any warning or when something is
//                                  missing after 10 s (for headless checks)

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QTimer>

namespace {
int warnings = 0;
QtMessageHandler defaultHandler = nullptr;

void countWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        ++warnings;
    defaultHandler(type, context, message);
}
} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    // From here on: what the platform says while it starts is not the UI's.
    defaultHandler = qInstallMessageHandler(countWarnings);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Device information, UI status items and the screenshot."));
    parser.addHelpOption();
    const QCommandLineOption check(QStringLiteral("check"),
                                   QStringLiteral("End once everything is shown; fail on any warning."));
    parser.addOption(check);
    parser.process(app);

    // Headless there is no OpenGL: Qt Quick draws in software instead.
    if (QGuiApplication::platformName() == QLatin1String("offscreen") &&
        qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setSceneGraphBackend(QStringLiteral("software"));

    QQmlApplicationEngine engine;
    // In the build tree the module lies there; installed, Qt's QML folder or
    // QML2_IMPORT_PATH (Qt 5) / QML_IMPORT_PATH (Qt 6) finds it.
    if (QDir(QStringLiteral(VANTELO_QML_BUILD_DIR)).exists())
        engine.addImportPath(QStringLiteral(VANTELO_QML_BUILD_DIR));
    engine.rootContext()->setContextProperty(QStringLiteral("checking"), parser.isSet(check));
    engine.load(QUrl(QStringLiteral("qrc:/main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;

    if (parser.isSet(check)) {
        QTimer::singleShot(10000, &app, [] {
            qCritical("Not everything was shown within 10 s");
            QCoreApplication::exit(1);
        });
    }
    const int status = app.exec();
    if (parser.isSet(check) && warnings > 0) {
        fprintf(stderr, "%d warning(s)\n", warnings);
        return 1;
    }
    return status;
}
