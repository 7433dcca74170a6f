#include "valuesetdeletion.h"

#include "sqltext.h"
#include "writeaction.h"

#include <QSet>
#include <QSqlQuery>

namespace {

// A returned manufacturer's file may have no group table at all.
bool hasGroupTable(WriteAction &action)
{
    QSqlQuery query(action.database());
    return query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND "
                                     "lower(name)='gruppen'"))
        && query.next() && query.value(0).toInt() > 0;
}

} // namespace

QString ValueSetDeletion::groupRowsStatement(const QString &idsOrSelect)
{
    return QStringLiteral("DELETE FROM gruppen WHERE werteid IN (%1)").arg(idsOrSelect);
}

QString ValueSetDeletion::plainDerivedStatement(const QString &idsOrSelect)
{
    // Sets deleted in the same step need no update of their own.
    return QStringLiteral("UPDATE Werte SET BEMERKUNGID=0,AUSATZRINGEID=0 WHERE BEMERKUNGID IN "
                          "(%1) AND WerteId NOT IN (%1)")
        .arg(idsOrSelect);
}

QString ValueSetDeletion::deleteStatement(const QString &idsOrSelect)
{
    return QStringLiteral("DELETE FROM Werte WHERE WerteId IN (%1)").arg(idsOrSelect);
}

bool ValueSetDeletion::run(WriteAction &action, const QString &idsOrSelect)
{
    bool ok = true;
    if (hasGroupTable(action))
        ok = action.runUnjournaled(groupRowsStatement(idsOrSelect)) && ok;
    ok = action.run(plainDerivedStatement(idsOrSelect)) && ok;
    ok = action.run(deleteStatement(idsOrSelect)) && ok;
    return ok;
}

bool ValueSetDeletion::deleteIds(WriteAction &action, const QList<qint64> &ids)
{
    bool ok = true;
    for (const QString &chunk : idListChunks(ids))
        ok = run(action, chunk) && ok;
    return ok;
}

QList<qint64> ValueSetDeletion::presentIds(WriteAction &action, const QList<qint64> &ids)
{
    QSet<qint64> found;
    for (const QString &chunk : idListChunks(ids)) {
        QSqlQuery query(action.database());
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("SELECT WerteId FROM Werte WHERE WerteId IN (%1)").arg(chunk)))
            return ids;   // the delete itself will report what is wrong
        while (query.next())
            found.insert(query.value(0).toLongLong());
    }
    QList<qint64> present;   // in the order of the selection
    for (qint64 id : ids) {
        if (found.contains(id))
            present << id;
    }
    return present;
}

bool ValueSetDeletion::deleteSelected(WriteAction &action, const QString &idSelect)
{
    if (idSelect.trimmed().isEmpty())
        return true;
    // The sub-select is read once, inside the action: each of the three
    // statements would otherwise evaluate it anew, one more pass over Werte
    // each. By their keys the sets are found without a pass.
    QSqlQuery query(action.database());
    query.setForwardOnly(true);
    if (!query.exec(idSelect))
        return run(action, idSelect);   // the statements report what is wrong
    QList<qint64> ids;
    while (query.next())
        ids << query.value(0).toLongLong();
    query.finish();
    return deleteIds(action, ids);
}
