#include "Report.h"

#include <algorithm>
#include <cmath>
#include <numeric>

double percentile(std::vector<double> samples, double fraction)
{
    if (samples.empty())
        return none;
    const size_t rank = size_t(std::ceil(fraction * double(samples.size())));
    const size_t index = std::min(samples.size() - 1, rank == 0 ? 0 : rank - 1);
    std::nth_element(samples.begin(), samples.begin() + long(index), samples.end());
    return samples[index];
}

double mean(const std::vector<double>& samples)
{
    return samples.empty() ? none : std::accumulate(samples.begin(), samples.end(), 0.0) / double(samples.size());
}

QString figure(double value)
{
    if (std::isnan(value))
        return QStringLiteral("–");
    const double magnitude = std::fabs(value);
    const int decimals = magnitude >= 100 || magnitude == 0 ? 0 : magnitude >= 10 ? 1 : magnitude >= 1 ? 2 : 3;
    return QString::number(value, 'f', decimals);
}

void Report::heading(const QString& title)
{
    m_rows.push_back({title, QString(), noValues(), false, true});
}

void Report::add(const QString& measure, const QString& unit, const Values& values, bool ratios)
{
    m_rows.push_back({measure, unit, values, ratios, false});
}

void Report::note(const QString& text)
{
    m_notes.append(text);
}

void Report::target(const QString& what, const QString& figures, bool met)
{
    m_targets.append(QStringLiteral("| %1 | %2 | %3 |")
                         .arg(what, figures, met ? QStringLiteral("met") : QStringLiteral("**missed**")));
}

QString Report::markdown(const QStringList& peerNames) const
{
    QStringList lines;
    lines << QStringLiteral("Each figure is followed by [its ratio to QDBusInterface | to libdbus].") << QString();
    QString header = QStringLiteral("| measure | unit |");
    QString rule = QStringLiteral("|---|---|");
    for (const QString& peer : peerNames) {
        header += QLatin1Char(' ') + peer + QStringLiteral(" |");
        rule += QStringLiteral("---|");
    }
    lines << header << rule;
    for (const Row& row : m_rows) {
        if (row.heading) {
            lines << QStringLiteral("| **%1** | |").arg(row.measure) + QStringLiteral(" |").repeated(peerNames.size());
            continue;
        }
        QString line = QStringLiteral("| %1 | %2 |").arg(row.measure, row.unit);
        for (int column = 0; column < ColumnCount; ++column) {
            const double value = row.values[size_t(column)];
            QString cell = figure(value);
            if (row.ratios && !std::isnan(value)) {
                auto ratio = [&](Column reference) {
                    const double base = row.values[reference];
                    return column == reference || std::isnan(base) || base == 0 ? QStringLiteral("–")
                                                                                : QString::number(value / base, 'f', 2);
                };
                cell += QStringLiteral(" [%1 \\| %2]").arg(ratio(QtInterfaceColumn), ratio(LibdbusColumn));
            }
            line += QLatin1Char(' ') + cell + QStringLiteral(" |");
        }
        lines << line;
    }
    if (!m_notes.isEmpty()) {
        lines << QString();
        for (const QString& text : m_notes)
            lines << QStringLiteral("- ") + text;
    }
    if (!m_targets.isEmpty()) {
        lines << QString() << QStringLiteral("| target | figures | |") << QStringLiteral("|---|---|---|");
        lines << m_targets;
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
