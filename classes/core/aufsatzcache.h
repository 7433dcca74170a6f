#ifndef AUFSATZCACHE_H
#define AUFSATZCACHE_H

#include <QSqlDatabase>

// The attachment pieces (table Aufsatz) that the value lists look up again
// and again: read once per opened database into AppSettings::aufsatzCache,
// id -> column name -> value.
class AufsatzCache
{
public:
    // Replaces the cache with the rows of db; keeps it when the table
    // cannot be read.
    static void fill(const QSqlDatabase &db);
};

#endif // AUFSATZCACHE_H
