#ifndef DBCONNECTIONS_H
#define DBCONNECTIONS_H

#include <QSqlDatabase>

// Names of the database connections the program registers.
extern const char *const kKolvexConnection;   // main database file
extern const char *const kQuarnelConnection;  // companion file "kolvex3.glo"
extern const char *const kUpdateConnection;   // a manufacturer's returned file

// The registered connections, opened on demand.
QSqlDatabase kolvexDb();
QSqlDatabase quarnelDb();

#endif // DBCONNECTIONS_H
