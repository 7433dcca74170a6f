#ifndef SHELLTIMING_H
#define SHELLTIMING_H

#include <QString>
#include <QStringList>

// Timing inside the sqlite3 shell: the script prints a time mark before and
// after the work, so the start of the process, the opening of the file and
// the setup stay outside the measurement. Everything else the shell prints
// goes to /dev/null.
namespace ShellTiming {

// The script: setup, mark, work, mark.
QString timedScript(const QString &setup, const QString &work);

// Seconds between the two marks in the shell's output; -1 when the output
// lacks them.
double secondsBetweenMarks(const QString &output);

// Joins recorded statements into a script, one statement per line end.
QString script(const QStringList &statements);

// The statements without those that begin, end or undo a transaction.
QStringList withoutTransactionControl(const QStringList &statements);

} // namespace ShellTiming

#endif // SHELLTIMING_H
