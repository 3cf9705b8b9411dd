#ifndef DEMO_H
#define DEMO_H

class QTextStream;

// A tour of every connector against the simulator: a call on each, two
// relayed signals, and a summary. Returns the process exit code: 0 when every
// call was answered and both signals arrived, 1 otherwise.
int runDemo(QTextStream& out);

#endif // DEMO_H
