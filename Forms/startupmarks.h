#ifndef STARTUPMARKS_H
#define STARTUPMARKS_H

#include <QString>

class DeferredStartup;

// The moments of a program start, for measurements of an installed program
// from outside: when the environment variable KOLVEX_STARTUP_MARKS names a
// file, the program appends one line per moment to it, "shown" when the
// window is first painted and "filled" when its lists are filled, each
// followed by the milliseconds of the monotonic clock
// (QElapsedTimer::msecsSinceReference()), which a measuring process on the
// same machine reads alike.
namespace StartupMarks {

const char *const kEnvironmentVariable = "KOLVEX_STARTUP_MARKS";

// Notes the moments of startup in the file the environment names, if any.
void noteMomentsOf(DeferredStartup &startup);

// Appends "<moment> <milliseconds>" to file; false when it cannot be written.
bool append(const QString &file, const char *moment);

} // namespace StartupMarks

#endif // STARTUPMARKS_H
