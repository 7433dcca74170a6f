#ifndef DBCONNECTIONS_H
#define DBCONNECTIONS_H

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

// Names of the database connections the program registers.
extern const char *const kKolvexConnection;   // main database file
extern const char *const kQuarnelConnection;  // companion file "kolvex3.glo"
extern const char *const kUpdateConnection;   // a manufacturer's returned file

// The registered connections, opened on demand.
QSqlDatabase kolvexDb();
QSqlDatabase quarnelDb();

// Closes and unregisters every connection.
void removeAllConnections();

// Registers and opens a SQLite connection on file; on failure the name is
// unregistered again and the error returned. With mustExist a missing file
// is an error instead of an empty database the driver would create. With
// readOnly SQLite opens the file for reading only: every write fails.
QSqlError openSqliteConnection(const QString &name, const QString &file, bool mustExist,
                               bool readOnly = false);

// Whether db was opened for reading only.
bool isReadOnlyConnection(const QSqlDatabase &db);

#endif // DBCONNECTIONS_H
