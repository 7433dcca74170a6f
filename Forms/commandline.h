#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QSqlError>
#include <QStringList>

class MainWindow;

// Opens every database file named on the command line, in order; arguments
// that are no valid URL are reported in the debug log and skipped. Returns
// the last error, which is not reset between arguments.
QSqlError openCommandLineDatabases(MainWindow &window, const QStringList &files);

#endif // COMMANDLINE_H
