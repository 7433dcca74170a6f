#include "idallocation.h"

#include "writeaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace {

// The insert of a copy of the row with id under newId. The values are copied
// inside SQLite, so that blobs, texts that are no valid UTF-8 and numbers
// that have no exact text (infinity) stay as they are.
QString copyStatement(const QString &table, const QString &keyColumn, const QSqlRecord &record,
                      qint64 id, qint64 newId)
{
    const QString key = keyColumn.toUpper();
    QStringList columns;
    QStringList values;
    for (int i = 0; i < record.count(); ++i) {
        const QString name = record.fieldName(i).toUpper();
        columns << name;
        // An SQL NULL becomes the empty text, as in every copy before.
        values << (name == key ? QString::number(newId)
                               : QStringLiteral("coalesce(%1,'')").arg(name));
    }
    return QStringLiteral("insert into %1 (%2) select %3 from %1 where %4=%5")
        .arg(table, columns.join(","), values.join(","), keyColumn)
        .arg(id);
}

} // namespace

IdAllocation::IdAllocation(const QPair<qint64, qint64> &lowestIds)
    : m_hasRange(true), m_lowestIds(lowestIds)
{
}

// " AND ..." for the hand-made records and the range's bound, or empty.
QString IdAllocation::freeIdConditions(const QString &table) const
{
    QStringList conditions;
    const bool isWerte = table.compare("Werte", Qt::CaseInsensitive) == 0;
    const bool isGeraete = table.compare("Geraete", Qt::CaseInsensitive) == 0;
    if (isWerte || isGeraete)
        conditions << QStringLiteral("NOT coalesce(hand,0)");
    // An id a derived set or a group row still names would take over the
    // source or the membership of the set that had it.
    if (isWerte) {
        conditions << QStringLiteral("seqidxs.id NOT IN (SELECT BEMERKUNGID FROM Werte WHERE "
                                     "BEMERKUNGID>0)");
        if (m_hasGroupTable)
            conditions << QStringLiteral("seqidxs.id NOT IN (SELECT werteid FROM gruppen WHERE "
                                         "werteid IS NOT NULL)");
    }
    if (m_hasRange) {
        if (isWerte)
            conditions << QStringLiteral("seqidxs.id>=%1").arg(m_lowestIds.second);
        else if (isGeraete)
            conditions << QStringLiteral("seqidxs.id>=%2").arg(m_lowestIds.first);
    }
    return conditions.isEmpty() ? QString()
                                : QStringLiteral(" AND %1").arg(conditions.join(" AND "));
}

QString IdAllocation::freeIdStatement(const QString &table, const QString &keyColumn,
                                      QSqlDatabase db, int count) const
{
    {
        // A returned manufacturer's file may have no group table.
        QSqlQuery groups(db);
        m_hasGroupTable = groups.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                                     "type='table' AND lower(name)='gruppen'"))
            && groups.next() && groups.value(0).toInt() > 0;
    }
    return QStringLiteral("select seqidxs.id from seqidxs left join %2 on "
                          "seqidxs.id=%2.%1 where %2.%1 is NULL %3 limit %4")
        .arg(keyColumn, table, freeIdConditions(table))
        .arg(count);
}

qint64 IdAllocation::findFreeId(const QString &table, const QString &keyColumn, QSqlDatabase db,
                                QString *error) const
{
    const QList<qint64> ids = findFreeIds(table, keyColumn, db, 1, error);
    return ids.isEmpty() ? -1 : ids.first();
}

QList<qint64> IdAllocation::findFreeIds(const QString &table, const QString &keyColumn,
                                        QSqlDatabase db, int count, QString *error) const
{
    if (error)
        error->clear();
    QList<qint64> ids;
    if (count < 1)
        return ids;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(freeIdStatement(table, keyColumn, db, count))) {
        if (error)
            *error = query.lastError().databaseText();
        return ids;
    }
    // Without ORDER BY SQLite walks seqidxs by its key: ascending ids.
    while (query.next())
        ids << query.value(0).toLongLong();
    return ids;
}

qint64 IdAllocation::copyRecord(const QString &table, const QString &keyColumn, qint64 id,
                                QSqlDatabase db) const
{
    WriteAction action(db.connectionName());
    QString error;
    const qint64 newId = findFreeId(table, keyColumn, db, &error);
    if (newId < 0) {
        action.noteFailure(error.isEmpty() ? WriteAction::rangeFullText() : error);
        return -1;
    }
    const bool copied = copyRecordAs(table, keyColumn, id, newId, db);
    return action.finish() && copied ? newId : -1;
}

bool IdAllocation::copyRecordAs(const QString &table, const QString &keyColumn, qint64 id,
                                qint64 newId, QSqlDatabase db) const
{
    WriteAction action(db.connectionName());
    QSqlQuery source(db);
    if (!source.exec(QStringLiteral("select * from %1 where %2=%3").arg(table, keyColumn).arg(id))) {
        action.noteFailure(source.lastError().databaseText());
        return false;
    }
    if (!source.next())
        return false;
    const QString insert = copyStatement(table, keyColumn, source.record(), id, newId);
    source.finish();
    const bool inserted = action.run(insert);
    return action.finish() && inserted;
}
