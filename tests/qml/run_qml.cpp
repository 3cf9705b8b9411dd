// Runs a QML program that ends by itself through Qt.quit(), as the README's
// does once the relayed signal has arrived, and checks the text it shows.
//   run_qml FILE EXPECTED_TEXT
#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QTimer>
#include <QtDebug>

#include <memory>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        qCritical("usage: run_qml FILE EXPECTED_TEXT");
        return 2;
    }
    QQmlEngine engine;
    engine.addImportPath(QStringLiteral(VANTELO_QML_BUILD_DIR));
    QObject::connect(&engine, &QQmlEngine::quit, &app, &QCoreApplication::quit);
    QQmlComponent component(&engine, QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    const std::unique_ptr<QObject> root(component.create());
    if (!root) {
        qCritical() << component.errors();
        return 1;
    }
    QTimer::singleShot(10000, &app, [&app] {
        qCritical("the program did not end within 10 s");
        app.exit(1);
    });
    if (app.exec() != 0)
        return 1;
    const QString text = root->property("text").toString();
    qInfo().noquote() << "shown:" << text;
    return text == QString::fromLocal8Bit(argv[2]) ? 0 : 1;
}
