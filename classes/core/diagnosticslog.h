#ifndef DIAGNOSTICSLOG_H
#define DIAGNOSTICSLOG_H

#include <QString>

// The program's diagnostics in a file as well as on stderr, so that a user
// can send them after the window has gone: "<name>.log" in a folder, the
// run before in "<name>.log.1" and so on; older runs are dropped and every
// run stops writing at a fixed size.
class DiagnosticsLog
{
public:
    // Runs kept, this one included, and bytes written per run at most.
    static constexpr int kRunsKept = 3;
    static constexpr qint64 kMaxBytesPerRun = 256 * 1024;

    // Starts this run's file in folder (created when missing) and installs
    // the message handler, which passes every message on to the previous
    // handler. False when the file cannot be written; the messages then go
    // to stderr only.
    static bool install(const QString &folder, const QString &name);

    // The file of this run; empty before install or when it failed.
    static QString path();
};

#endif // DIAGNOSTICSLOG_H
