#ifndef CALLGRINDDUMP_H
#define CALLGRINDDUMP_H

#include <QString>

#include <map>

// One dump that callgrind wrote: its name, its total, and what the functions
// of each shared object did themselves (inclusive costs are left out, so the
// parts add up to the total).
struct CallgrindDump
{
    QString label;
    double total = 0;
    // By file name without version, e.g. "libQt5Core" or "vantelo-bench".
    std::map<QString, double> byObject;
};

// False when the file can't be read.
bool readCallgrindDump(const QString& path, CallgrindDump* dump);

#endif // CALLGRINDDUMP_H
