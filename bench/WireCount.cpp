#include "WireCount.h"

#include "Peer.h"

#include <QDeadlineTimer>
#include <QThread>

namespace {
const QString begins = QStringLiteral("Begin");
const QString ends = QStringLiteral("End");
const QString ready = QStringLiteral("Ready");
const QString done = QStringLiteral("Done");
} // namespace

WireCount::WireCount(const QString& address)
    : m_control(address)
{
    if (!m_output.open())
        fail(QStringLiteral("wire count: no temporary file"));
    m_monitor.setStandardOutputFile(m_output.fileName());
    m_monitor.start(QStringLiteral("dbus-monitor"),
                    {QStringLiteral("--address"), address, QStringLiteral("--profile")});
    // The monitor listens once it shows a marker sent after it started.
    const QDeadlineTimer deadline(Bench::boundMs);
    do {
        m_control.mark(ready);
        if (seen(ready))
            return;
        QThread::msleep(20);
    } while (!deadline.hasExpired());
    fail(QStringLiteral("dbus-monitor shows nothing"));
}

WireCount::~WireCount()
{
    m_monitor.kill();
    m_monitor.waitForFinished(Bench::boundMs);
}

void WireCount::begin(int phase)
{
    m_control.mark(begins + QString::number(phase));
}

void WireCount::end(int phase)
{
    m_control.mark(ends + QString::number(phase));
}

std::map<QString, int> WireCount::calls(int phase, const QString& sender)
{
    parse();
    return m_counts.value(phase).value(sender);
}

std::map<QString, int> WireCount::callsOfOthers(int phase)
{
    parse();
    std::map<QString, int> all;
    const QHash<QString, std::map<QString, int>> senders = m_counts.value(phase);
    for (auto sender = senders.cbegin(); sender != senders.cend(); ++sender) {
        if (sender.key() == m_control.uniqueName())
            continue;
        for (const auto& call : sender.value())
            all[call.first] += call.second;
    }
    return all;
}

bool WireCount::seen(const QString& marker)
{
    QFile output(m_output.fileName());
    if (!output.open(QIODevice::ReadOnly))
        return false;
    return output.readAll().contains(QByteArray("\t") + marker.toUtf8() + '\n');
}

void WireCount::parse()
{
    if (m_parsed)
        return;
    m_parsed = true;
    const QDeadlineTimer deadline(Bench::boundMs);
    m_control.mark(done);
    while (!seen(done)) {
        if (deadline.hasExpired())
            fail(QStringLiteral("dbus-monitor fell behind"));
        QThread::msleep(20);
    }
    QFile output(m_output.fileName());
    if (!output.open(QIODevice::ReadOnly))
        fail(QStringLiteral("wire count: can't read the monitor's output"));
    int phase = -1;
    // type, time, serial, sender, destination, path, interface, member
    while (!output.atEnd()) {
        const QStringList fields = QString::fromUtf8(output.readLine()).trimmed().split(QLatin1Char('\t'));
        const QString type = fields.value(0);
        const QString member = fields.value(7);
        if (type == QLatin1String("sig") && member.startsWith(begins))
            phase = member.mid(begins.size()).toInt();
        else if (type == QLatin1String("sig") && member.startsWith(ends))
            phase = -1;
        else if (type == QLatin1String("mc") && phase >= 0)
            ++m_counts[phase][fields.value(3)][member];
    }
}
