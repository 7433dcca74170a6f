#ifndef AUFSATZCACHE_H
#define AUFSATZCACHE_H

#include <QHash>
#include <QMap>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>
#include <QVector>

// The attachment pieces (table Aufsatz) that the value lists look up again
// and again, read once per opened database: id -> column name -> value.
// A file holds tens of thousands of them and a list uses a few, so the rows
// are kept as bare values under one column list; a row is made a map when
// it is first asked for.
class AufsatzCache
{
public:
    // Replaces AppSettings' cache with the rows of db; keeps it when the
    // table cannot be read.
    static void fill(const QSqlDatabase &db);
    bool readFrom(const QSqlDatabase &db);

    bool contains(qint64 id) const { return m_rows.contains(id); }
    // The row's values by column name; empty for an unknown id.
    QMap<QString, QVariant> value(qint64 id) const;
    int size() const { return m_rows.size(); }
    void remove(qint64 id);
    void clear();

private:
    QStringList m_columns;
    QHash<qint64, QVector<QVariant>> m_rows;
    mutable QHash<qint64, QMap<QString, QVariant>> m_asked;
};

#endif // AUFSATZCACHE_H
