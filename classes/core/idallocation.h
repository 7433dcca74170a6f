#ifndef IDALLOCATION_H
#define IDALLOCATION_H

#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>

// Hands out record ids: the lowest id of the id table "seqidxs" a table
// does not use yet. A manufacturer may own a range of appliance and value
// set ids; its new records then get ids from the range's lower bound up.
class IdAllocation
{
public:
    // Without a range every free id counts.
    IdAllocation() = default;
    // lowestIds: (lowest TirmaId, lowest WerteId) of the manufacturer's range.
    explicit IdAllocation(const QPair<qint64, qint64> &lowestIds);

    // Lowest id of table/keyColumn not in use, respecting the lower bound of
    // the range; -1 when none is free or the search failed. error receives
    // the database's text when the search failed and is emptied otherwise,
    // so that a full range can be told from a locked file or a missing id
    // table.
    qint64 findFreeId(const QString &table, const QString &keyColumn, QSqlDatabase db,
                      QString *error = nullptr) const;
    // The count lowest free ids at once, ascending: what count searches give
    // one after the other when each found id is taken before the next search
    // (the search reads the whole table when it is Werte: derived sets and
    // group rows must not name a new id). Fewer when the range runs out;
    // empty with error set when the search failed.
    QList<qint64> findFreeIds(const QString &table, const QString &keyColumn, QSqlDatabase db,
                              int count, QString *error = nullptr) const;
    // Copies one row under a new free id; returns the new id or -1. Runs as
    // part of the write action open on db (or as an action of its own).
    qint64 copyRecord(const QString &table, const QString &keyColumn, qint64 id,
                      QSqlDatabase db) const;
    // Copies one row under newId, an id from findFreeIds; false when the
    // source row is missing or the insert failed.
    bool copyRecordAs(const QString &table, const QString &keyColumn, qint64 id, qint64 newId,
                      QSqlDatabase db) const;

private:
    QString freeIdConditions(const QString &table) const;
    QString freeIdStatement(const QString &table, const QString &keyColumn, QSqlDatabase db,
                            int count) const;

    bool m_hasRange = false;
    mutable bool m_hasGroupTable = false;
    QPair<qint64, qint64> m_lowestIds;
};

#endif // IDALLOCATION_H
