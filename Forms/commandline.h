#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QList>
#include <QSqlError>
#include <QStringList>

class MainWindow;

// Opens every database file named on the command line, in order; arguments
// that are no valid URL are reported in the debug log and skipped. Returns
// the last error, which is not reset between arguments. failures, when
// given, receives the error of every argument that could not be opened.
QSqlError openCommandLineDatabases(MainWindow &window, const QStringList &files,
                                   QList<QSqlError> *failures = nullptr);

// Tells the user about each database of the command line that could not be
// opened, with the message box the window uses for a failed opening.
void showCommandLineFailures(MainWindow &window, const QList<QSqlError> &failures);

// The text for "--help" (a short German usage) or "--version" when one of
// them is among arguments (without the program name), else empty: the
// program prints it and ends. Every other argument is a database file.
// program: the program's name; maintenanceEdition: which edition it is.
QString commandLineInformation(const QStringList &arguments, const QString &program,
                               bool maintenanceEdition);

#endif // COMMANDLINE_H
