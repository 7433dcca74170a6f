#ifndef IDTABLE_H
#define IDTABLE_H

#include <QSqlDatabase>
#include <QString>

// Candidate ids for the free-id search: the temporary table seqidxs of one
// connection, holding the integers 1 to kIdTableSize. It lives as long as
// the connection.
constexpr int kIdTableSize = 100000;

// Creates seqidxs on db and fills it in 1000 statements of 100 ids each,
// inside one transaction. Returns whether every statement succeeded; callers
// may ignore the result (a table already present on the connection makes the
// statements fail and leaves it as it was).
bool createIdTable(QSqlDatabase db);

// The fill statement for the ids first .. first + count - 1.
QString idTableInsertStatement(int first, int count);

#endif // IDTABLE_H
