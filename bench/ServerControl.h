#ifndef SERVERCONTROL_H
#define SERVERCONTROL_H

#include <QString>

#include <memory>

// The benchmark's own hand on the server, on a libdbus connection that no
// peer uses: it orders signals and marks phases for the wire count.
class ServerControl
{
public:
    explicit ServerControl(const QString& address);
    ~ServerControl();

    // Has the server emit `count` stamped signals from `path`; returns once
    // the order is on its way.
    void emitSignals(const QString& path, int count);
    // A signal that only a monitor sees, followed by a round trip: the bus
    // has handled it before anything sent afterwards.
    void mark(const QString& name);
    // This connection's unique name, which the wire count leaves out.
    QString uniqueName() const;
    // How many match rules the bus holds for the connection `name`, from the
    // bus's own statistics.
    int matchRulesOf(const QString& name);

private:
    struct Connection;
    std::unique_ptr<Connection> m_connection;
};

#endif // SERVERCONTROL_H
