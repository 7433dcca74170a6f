#ifndef PROCESSRUN_H
#define PROCESSRUN_H

#include <QString>
#include <QStringList>

// One run of a program as a whole process, timed from the start to its end
// as seen by the parent, with the peak resident memory the kernel counted.
struct ProcessRun
{
    bool started = false;
    int exitCode = -1;
    double seconds = 0.0;
    double peakMegabytes = 0.0;
    // The moment of the start on the monotonic clock, in the milliseconds of
    // QElapsedTimer::msecsSinceReference(): marks the program notes on the
    // same clock give times since its start.
    qint64 startedAtMs = 0;
};

// Runs program with arguments and the given environment ("NAME=value"
// entries), standard input from inputFile (or nothing), output discarded.
ProcessRun runProcess(const QString &program, const QStringList &arguments,
                      const QStringList &environment, const QString &inputFile = QString());

#endif // PROCESSRUN_H
