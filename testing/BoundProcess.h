#ifndef BOUNDPROCESS_H
#define BOUNDPROCESS_H

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

// A QProcess whose program gets SIGTERM from the kernel when the thread that
// started it ends, however it ends: a test killed for taking too long leaves
// no bus daemon or simulator running behind it.
class BoundProcess : public QProcess
{
public:
    explicit BoundProcess(QObject* parent = nullptr)
        : QProcess(parent)
    {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    }

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
protected:
    void setupChildProcess() override
    {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    }
#endif
};

#endif // BOUNDPROCESS_H
