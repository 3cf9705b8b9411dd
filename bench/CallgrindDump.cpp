#include "CallgrindDump.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

namespace {
// "/usr/lib/x86_64-linux-gnu/libQt5Core.so.5.15.8" becomes "libQt5Core".
QString objectName(const QString& path)
{
    const QString file = path.section(QLatin1Char('/'), -1);
    const int so = file.indexOf(QLatin1String(".so"));
    return so > 0 ? file.left(so) : file;
}
} // namespace

bool readCallgrindDump(const QString& path, CallgrindDump* dump)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Names may be given once with an id, "ob=(3) /lib/x.so", and later by
    // the id alone, "ob=(3)".
    static const QRegularExpression compressed(QStringLiteral("^\\((\\d+)\\)\\s*(.*)$"));
    QHash<QString, QString> objects;
    QString object;
    bool callCostNext = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1String("desc: Trigger: Client Request: "))) {
            dump->label = line.mid(31);
        } else if (line.startsWith(QLatin1String("totals: "))) {
            // The summary line in the header is off when the counters were
            // zeroed mid-call; the totals line sums what was written.
            dump->total = line.section(QLatin1Char(' '), 1, 1).toDouble();
        } else if (line.startsWith(QLatin1String("ob="))) {
            const QRegularExpressionMatch match = compressed.match(line.mid(3));
            if (!match.hasMatch())
                object = objectName(line.mid(3));
            else if (!match.captured(2).isEmpty())
                object = objects[match.captured(1)] = objectName(match.captured(2));
            else
                object = objects.value(match.captured(1));
        } else if (line.startsWith(QLatin1String("cob="))) {
            // Names the called object; it is remembered, not entered.
            const QRegularExpressionMatch match = compressed.match(line.mid(4));
            if (match.hasMatch() && !match.captured(2).isEmpty())
                objects[match.captured(1)] = objectName(match.captured(2));
        } else if (line.startsWith(QLatin1String("calls="))) {
            // The next cost line is the call's inclusive cost.
            callCostNext = true;
        } else if (line.at(0).isDigit() || line.at(0) == QLatin1Char('+') || line.at(0) == QLatin1Char('-') ||
                   line.at(0) == QLatin1Char('*')) {
            if (callCostNext) {
                callCostNext = false;
                continue;
            }
            dump->byObject[object] += line.section(QLatin1Char(' '), 1, 1).toDouble();
        }
    }
    return true;
}
