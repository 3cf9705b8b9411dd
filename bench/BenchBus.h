#ifndef BENCHBUS_H
#define BENCHBUS_H

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/types.h>

// A dbus-daemon of the benchmark's own, with the limits that many calls in
// flight and many clients need raised or with dbus-daemon's defaults (those
// of the system bus), and the benchmark's server on it.
// Every process started here ends with the benchmark, however it ends.
class BenchBus
{
public:
    // Starts the daemon and the server, which owns `names` and describes
    // objects with the files in `interfaces`. False, with the reason, when
    // either did not come up within the bound.
    bool start(const QString& server, const QString& interfaces, const QStringList& names, bool raiseLimits,
               QString* error);
    QString address() const { return m_address; }
    pid_t daemonPid() const { return m_daemon; }
    pid_t serverPid() const { return m_server; }

    // A process that owns `names` and is then stopped: it never answers.
    pid_t startHungOwner(const QString& server, const QStringList& names, QString* error);

    // The raised limits, as they stand in the daemon's configuration.
    static const char* raisedLimits();

private:
    QTemporaryDir m_directory;
    QString m_address;
    pid_t m_daemon = 0;
    pid_t m_server = 0;
};

// Starts `program` with a pipe on its standard output, and its standard
// error into `errors` unless that is empty, ended with the benchmark.
// Returns the first line it prints within the bound (empty if none) and its
// process id.
QString spawnAndReadLine(const QStringList& program, pid_t* pid, const QString& errors = QString());
// Ends a process started so, at once.
void endChild(pid_t pid);

// The CPU time a single-threaded process has run, in nanoseconds, read
// precisely from the scheduler.
class ProcessCpu
{
public:
    explicit ProcessCpu(pid_t pid);
    ~ProcessCpu();
    qint64 read() const;

private:
    int m_file = -1;
};

// The CPU time of this process, all threads.
qint64 ownCpuNs();

#endif // BENCHBUS_H
