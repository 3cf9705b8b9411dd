#ifndef WIRECOUNT_H
#define WIRECOUNT_H

#include "ServerControl.h"

#include <QHash>
#include <QProcess>
#include <QString>
#include <QTemporaryFile>

#include <map>

// The method calls each connection sends, as dbus-monitor sees them on the
// bus, counted per phase. Phases are marked by signals from a connection of
// the counter's own, each followed by a round trip, so that the bus has
// handled the marker before anything of the phase.
class WireCount
{
public:
    explicit WireCount(const QString& address);
    ~WireCount();

    void begin(int phase);
    // `sender` must have made a round trip to the bus since its last call.
    void end(int phase);
    // The members of the calls `sender` made in the phase, with how often each
    // went. The first question ends the counting: ask once all phases are done.
    std::map<QString, int> calls(int phase, const QString& sender);
    // The same, of every connection in the phase but the counter's own: a
    // process that started in the phase, with all its connections.
    std::map<QString, int> callsOfOthers(int phase);
    // The counter's hand on the bus, for questions of its own.
    ServerControl& control() { return m_control; }

private:
    bool seen(const QString& marker);
    void parse();

    ServerControl m_control;
    QTemporaryFile m_output;
    QProcess m_monitor;
    bool m_parsed = false;
    QHash<int, QHash<QString, std::map<QString, int>>> m_counts;
};

#endif // WIRECOUNT_H
