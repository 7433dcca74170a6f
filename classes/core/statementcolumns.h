#ifndef STATEMENTCOLUMNS_H
#define STATEMENTCOLUMNS_H

#include <QString>
#include <QStringList>

// Upper-case names of the result columns of the query sql on the main
// connection "Kolvex"; empty when it fails. ok, when given, receives whether
// the database accepted the statement.
QStringList statementResultColumns(const QString &sql, bool *ok = nullptr);

#endif // STATEMENTCOLUMNS_H
