#ifndef INSTRUCTIONS_H
#define INSTRUCTIONS_H

#include <QString>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define VANTELO_HAS_CALLGRIND 1
#endif

// Counting the client's instructions under callgrind, which runs the
// benchmark with instrumentation off until start(). Outside callgrind, or
// built without its header, both do nothing.
namespace Instructions {

// Instruments from here on, counting from zero.
inline void start()
{
#ifdef VANTELO_HAS_CALLGRIND
    CALLGRIND_START_INSTRUMENTATION;
    CALLGRIND_ZERO_STATS;
#endif
}

// Writes what was counted since start() as a dump named `label`, and stops
// instrumenting.
inline void dump(const QString& label)
{
#ifdef VANTELO_HAS_CALLGRIND
    const QByteArray name = label.toLatin1();
    CALLGRIND_DUMP_STATS_AT(name.constData());
    CALLGRIND_STOP_INSTRUMENTATION;
#else
    Q_UNUSED(label)
#endif
}

} // namespace Instructions

#endif // INSTRUCTIONS_H
