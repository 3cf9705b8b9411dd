#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

// The reference's page of each QML type, docs/qml-TYPE.md, names exactly the
// properties, methods and signals the module declares in its type
// description, so that neither can change without the other.
class QmlTypePagesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyTypeHasItsPage_data();
    void everyTypeHasItsPage();
};

namespace {
using Members = QMap<QString, QSet<QString>>; // "Property", "Method", "Signal" -> names

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The blocks "Component { ... }" of a type description, with their nesting.
QStringList components(const QString& description)
{
    QStringList result;
    const QRegularExpression start(QStringLiteral("\\bComponent\\s*\\{"));
    for (auto match = start.globalMatch(description); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        int depth = 0;
        for (int i = found.capturedEnd() - 1; i < description.size(); ++i) {
            depth += description.at(i) == QLatin1Char('{') ? 1 : description.at(i) == QLatin1Char('}') ? -1 : 0;
            if (depth == 0) {
                result.append(description.mid(found.capturedStart(), i + 1 - found.capturedStart()));
                break;
            }
        }
    }
    return result;
}

// The members a component declares itself; a method with default arguments is one name.
Members declared(const QString& component)
{
    Members members;
    const QRegularExpression member(
        QStringLiteral("\\b(Property|Method|Signal)\\s*\\{[^{}]*?\\bname:\\s*\"([^\"]+)\""));
    for (auto match = member.globalMatch(component); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        members[found.captured(1)].insert(found.captured(2));
    }
    return members;
}

// The members a page names: the first name of each item under "## Properties",
// every name(...) in the items under "## Methods" and "## Signals".
Members documented(const QString& page)
{
    static const QMap<QString, QString> sections{{QStringLiteral("Properties"), QStringLiteral("Property")},
                                                 {QStringLiteral("Methods"), QStringLiteral("Method")},
                                                 {QStringLiteral("Signals"), QStringLiteral("Signal")}};
    Members members;
    QString kind;
    bool inItem = false;
    const QRegularExpression call(QStringLiteral("`(\\w+)\\([^`]*\\)`"));
    const QRegularExpression first(QStringLiteral("^- `(\\w+)`"));
    for (const QString& line : page.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("#"))) {
            kind = sections.value(line.mid(line.indexOf(QLatin1Char(' ')) + 1).trimmed());
            inItem = false;
            continue;
        }
        if (kind.isEmpty())
            continue;
        if (line.startsWith(QLatin1String("- ")))
            inItem = true;
        else if (!line.startsWith(QLatin1String("  ")))
            inItem = false;
        if (!inItem)
            continue;
        if (kind == QLatin1String("Property")) {
            const QRegularExpressionMatch found = first.match(line);
            if (found.hasMatch())
                members[kind].insert(found.captured(1));
            continue;
        }
        // A name(...) after the item's dash is prose, not a member.
        const QString named = line.section(QStringLiteral(" — "), 0, 0);
        for (auto match = call.globalMatch(named); match.hasNext();)
            members[kind].insert(match.next().captured(1));
        if (line.contains(QStringLiteral(" — ")))
            inItem = false;
    }
    return members;
}
} // namespace

void QmlTypePagesTest::everyTypeHasItsPage_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("component");

    // The type descriptions of every module of ours, separated by ';'.
    const QRegularExpression exported(QStringLiteral("\"Vantelo\\.[\\w.]+/(\\w+) \\d+\\.\\d+\""));
    int types = 0;
    for (const QString& path : QStringLiteral(VANTELO_QMLTYPES).split(QLatin1Char(';'))) {
        const QString description = readText(path);
        QVERIFY2(!description.isEmpty(), qPrintable(path));
        for (const QString& component : components(description)) {
            const QRegularExpressionMatch found = exported.match(component);
            if (!found.hasMatch())
                continue; // a type QML never names itself
            QTest::newRow(qPrintable(found.captured(1))) << found.captured(1) << component;
            ++types;
        }
    }
    QVERIFY2(types >= 3, qPrintable(QStringLiteral("%1 exported types in %2").arg(types).arg(VANTELO_QMLTYPES)));
}

void QmlTypePagesTest::everyTypeHasItsPage()
{
    QFETCH(QString, type);
    QFETCH(QString, component);

    const QString path =
        QDir(QStringLiteral(VANTELO_DOCS_DIR)).filePath(QStringLiteral("qml-%1.md").arg(type.toLower()));
    const QString page = readText(path);
    QVERIFY2(!page.isEmpty(), qPrintable(QStringLiteral("no page %1").arg(path)));
    QVERIFY2(page.startsWith(QStringLiteral("# QML type %1 {#qml-%2}").arg(type, type.toLower())),
             qPrintable(page.section(QLatin1Char('\n'), 0, 0)));
    const Members inModule = declared(component);
    const Members onPage = documented(page);
    for (const QString& kind : {QStringLiteral("Property"), QStringLiteral("Method"), QStringLiteral("Signal")}) {
        const QSet<QString> missing = inModule.value(kind) - onPage.value(kind);
        QSet<QString> extra = onPage.value(kind) - inModule.value(kind);
        // Qt 5's qmlplugindump leaves out the signals that only notify a property's change.
        if (kind == QLatin1String("Signal")) {
            for (const QString& property : inModule.value(QStringLiteral("Property")))
                extra.remove(property + QLatin1String("Changed"));
        }
        QVERIFY2(missing.isEmpty() && extra.isEmpty(),
                 qPrintable(QStringLiteral("%1 %2: not on the page: %3; not in the module: %4")
                                .arg(type, kind, QStringList(missing.values()).join(QLatin1Char(' ')),
                                     QStringList(extra.values()).join(QLatin1Char(' ')))));
    }
}

QTEST_GUILESS_MAIN(QmlTypePagesTest)
#include "tst_qmltypepages.moc"
