#ifndef REPORT_H
#define REPORT_H

#include <QString>
#include <QStringList>

#include <array>
#include <limits>
#include <vector>

// The peers, as columns, in the order they are made and shown.
enum Column {
    ConnectorColumn,
    QtInterfaceColumn,
    ProxyColumn,
    SdbusColumn,
    LibdbusColumn,
    ColumnCount
};

// One figure per peer; none where the peer has no such figure.
using Values = std::array<double, ColumnCount>;
constexpr double none = std::numeric_limits<double>::quiet_NaN();
inline Values noValues()
{
    Values values;
    values.fill(none);
    return values;
}

// Percentiles by nearest rank; none for no samples.
double percentile(std::vector<double> samples, double fraction);
double mean(const std::vector<double>& samples);

// The results: rows of figures per peer, each shown with its ratio to
// QDBusInterface and to libdbus, and the targets with whether they were met.
class Report
{
public:
    void heading(const QString& title);
    void add(const QString& measure, const QString& unit, const Values& values, bool ratios = true);
    void note(const QString& text);
    void target(const QString& what, const QString& figures, bool met);

    // Markdown: the table, the notes, the targets.
    QString markdown(const QStringList& peerNames) const;

private:
    struct Row
    {
        QString measure;
        QString unit;
        Values values;
        bool ratios;
        bool heading;
    };
    std::vector<Row> m_rows;
    QStringList m_notes;
    QStringList m_targets;
};

// A figure to three significant digits, or "–".
QString figure(double value);

#endif // REPORT_H
