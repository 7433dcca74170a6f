#ifndef IDTABLE_H
#define IDTABLE_H

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

// Candidate ids for the free-id search: the temporary table seqidxs of one
// connection, holding the integers 1 to kIdTableSize. It lives as long as
// the connection.
constexpr int kIdTableSize = 100000;

// Creates seqidxs on db and fills it in 1000 statements of 100 ids each,
// inside one transaction. Returns whether the table was created and filled;
// a table already present on the connection is left as it was. On any other
// failure (for example a file locked by another program) it stops at once
// and leaves no table behind.
// error, when given, receives the statement's error on failure.
bool createIdTable(QSqlDatabase db, QSqlError *error = nullptr);

// The fill statement for the ids first .. first + count - 1.
QString idTableInsertStatement(int first, int count);

#endif // IDTABLE_H
