#include "BenchBus.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
const int startBoundMs = 10000;

std::vector<pid_t>& children()
{
    static std::vector<pid_t> started;
    return started;
}

void endAllChildren()
{
    const std::vector<pid_t> running = children();
    for (pid_t pid : running)
        endChild(pid);
}
} // namespace

const char* BenchBus::raisedLimits()
{
    // Raised so that 1000 calls can be in flight and thousands of clients can
    // each have their match rules; the bus's defaults are 128 and 512.
    return "<limit name=\"max_replies_per_connection\">50000</limit>\n"
           "  <limit name=\"max_match_rules_per_connection\">50000</limit>\n";
}

bool BenchBus::start(const QString& server, const QString& interfaces, const QStringList& names, bool raiseLimits,
                     QString* error)
{
    if (!m_directory.isValid()) {
        *error = QStringLiteral("no temporary directory");
        return false;
    }
    QFile config(m_directory.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly)) {
        *error = config.errorString();
        return false;
    }
    config.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                                " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                "<busconfig>\n  <type>session</type>\n  <listen>unix:dir=%1</listen>\n"
                                "  <auth>EXTERNAL</auth>\n  <policy context=\"default\">\n"
                                "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                                "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n  %2"
                                "</busconfig>\n")
                     .arg(m_directory.path(), QString::fromLatin1(raiseLimits ? raisedLimits() : ""))
                     .toUtf8());
    config.close();

    m_address = spawnAndReadLine({QStringLiteral("dbus-daemon"), QStringLiteral("--config-file=") + config.fileName(),
                                  QStringLiteral("--nofork"), QStringLiteral("--print-address=1")},
                                 &m_daemon, m_directory.filePath(QStringLiteral("daemon.log")));
    if (m_address.isEmpty()) {
        QFile log(m_directory.filePath(QStringLiteral("daemon.log")));
        log.open(QIODevice::ReadOnly);
        *error = QStringLiteral("dbus-daemon did not start: ") + QString::fromLocal8Bit(log.readAll());
        return false;
    }
    const QString ready = spawnAndReadLine(
        QStringList{server, QStringLiteral("--address"), m_address, QStringLiteral("--interfaces"), interfaces} + names,
        &m_server);
    if (ready != QLatin1String("ready")) {
        *error = QStringLiteral("the server did not start: ") + server;
        return false;
    }
    return true;
}

pid_t BenchBus::startHungOwner(const QString& server, const QStringList& names, QString* error)
{
    pid_t pid = 0;
    const QString ready = spawnAndReadLine(
        QStringList{server, QStringLiteral("--address"), m_address, QStringLiteral("--hang")} + names, &pid);
    if (ready != QLatin1String("ready")) {
        *error = QStringLiteral("the hanging owner did not start");
        return 0;
    }
    ::kill(pid, SIGSTOP);
    return pid;
}

QString spawnAndReadLine(const QStringList& program, pid_t* pid, const QString& errors)
{
    static std::once_flag cleanup;
    // The list is made first, so that it is destroyed after the handler ran.
    std::call_once(cleanup, [] {
        children();
        std::atexit(endAllChildren);
    });

    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0)
        return QString();
    std::vector<QByteArray> arguments;
    for (const QString& argument : program)
        arguments.push_back(argument.toLocal8Bit());
    const QByteArray errorFile = errors.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    *pid = fork();
    if (*pid == 0) {
        // Ends with the benchmark, even when it is killed.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(output[1], STDOUT_FILENO);
        if (!errorFile.isEmpty()) {
            const int log = open(errorFile.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
            if (log >= 0)
                dup2(log, STDERR_FILENO);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(output[1]);
    if (*pid < 0) {
        close(output[0]);
        return QString();
    }
    children().push_back(*pid);

    QByteArray line;
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long elapsedMs = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        pollfd readable{output[0], POLLIN, 0};
        if (elapsedMs >= startBoundMs || poll(&readable, 1, int(startBoundMs - elapsedMs)) <= 0)
            break;
        char c = 0;
        if (read(output[0], &c, 1) != 1 || c == '\n')
            break;
        line.append(c);
    }
    close(output[0]);
    return QString::fromLocal8Bit(line).trimmed();
}

void endChild(pid_t pid)
{
    auto& started = children();
    const auto found = std::find(started.begin(), started.end(), pid);
    if (found == started.end())
        return;
    started.erase(found);
    ::kill(pid, SIGCONT);
    ::kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

ProcessCpu::ProcessCpu(pid_t pid)
    : m_file(open(QStringLiteral("/proc/%1/schedstat").arg(pid).toLatin1().constData(), O_RDONLY | O_CLOEXEC))
{
}

ProcessCpu::~ProcessCpu()
{
    if (m_file >= 0)
        close(m_file);
}

qint64 ProcessCpu::read() const
{
    char text[128];
    const ssize_t length = m_file >= 0 ? pread(m_file, text, sizeof text - 1, 0) : -1;
    if (length <= 0)
        return 0;
    text[length] = '\0';
    return std::strtoll(text, nullptr, 10);
}

qint64 ownCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}
