#ifndef ANSWER_H
#define ANSWER_H

#include <QString>
#include <QVariant>

// How the simulator answers one method.
struct Answer
{
    enum Kind {
        Envelope,   // the (isv) envelope in a variant, as the services answer
        Error,      // a D-Bus error
        Raw,        // the value itself, not in a variant: a wrong-typed answer
        Never       // held until released
    };

    Kind kind = Envelope;
    int code = 0;
    QString message;     // envelope message, or error message
    QString errorName;
    QVariant value;      // envelope value, or the raw answer
    int delayMs = 0;
};

#endif // ANSWER_H
