#ifndef ANSWER_H
#define ANSWER_H

#include <QString>
#include <QVariant>

// How the simulator answers one method, as the control interface set it.
struct Answer
{
    enum Kind {
        AsTheDevice, // as the simulated device answers
        Envelope, // this (isv) envelope in a variant
        Error, // a D-Bus error
        Raw, // the value itself, not in a variant: a wrong-typed answer
        Never // held until released
    };

    Kind kind = AsTheDevice;
    int code = 0;
    QString message; // envelope message, or error message
    QString errorName;
    QVariant value; // envelope value, or the raw answer
    int delayMs = 0;
};

#endif // ANSWER_H
