#include "valuesetcopy.h"

#include "appsettings.h"
#include "idallocation.h"
#include "statementrunner.h"
#include "writeaction.h"

#include <QDebug>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>

int ValueSetCopy::copyAll(const StatementRunner &sql, qint64 sourceAppliance,
                          qint64 targetAppliance)
{
    return copyAll(sql, valueSetsOf(sql, {sourceAppliance}).value(sourceAppliance),
                   targetAppliance);
}

int ValueSetCopy::copyAll(const StatementRunner &sql, const QList<qint64> &valueSets,
                          qint64 targetAppliance)
{
    return copyAll(sql, QList<Copy>{Copy{valueSets, targetAppliance}});
}

int ValueSetCopy::copyAll(const StatementRunner &sql, const QList<Copy> &copies)
{
    int wanted = 0;
    for (const Copy &c : copies)
        wanted += c.valueSets.size();
    if (wanted == 0)
        return 0;
    const IdAllocation ids = AppSettings::instance()->idAllocation();
    WriteAction action(sql.database().connectionName());   // joins the open one
    // One search for all new ids: each search reads the whole value table.
    QString error;
    const QList<qint64> newIds = ids.findFreeIds(QStringLiteral("Werte"), QStringLiteral("WerteId"),
                                                 sql.database(), wanted, &error);
    int copied = 0;
    for (const Copy &c : copies) {
        for (const qint64 valueSetId : c.valueSets) {
            qDebug() << "Copy Werte" << valueSetId;
            if (copied == newIds.size()) {
                action.noteFailure(error.isEmpty() ? WriteAction::rangeFullText() : error);
                return copied;
            }
            // An id stays free for the next set when its copy did not happen.
            const qint64 copy = newIds.at(copied);
            if (!ids.copyRecordAs(QStringLiteral("Werte"), QStringLiteral("WerteId"), valueSetId,
                                  copy, sql.database()))
                continue;
            sql.runJournaled(QStringLiteral("UPDATE Werte SET Geraet=%1 WHERE WerteId=%2")
                                 .arg(c.targetAppliance)
                                 .arg(copy));
            sql.runJournaled(QStringLiteral("UPDATE Werte SET ERFASSDAT='%1',AUSATZRINGEID=0,"
                                            "BEMERKUNGID=0 WHERE WerteId=%2")
                                 .arg(StatementRunner::today())
                                 .arg(copy));
            ++copied;
        }
    }
    return copied;
}

QHash<qint64, QList<qint64>> ValueSetCopy::valueSetsOf(const StatementRunner &sql,
                                                       const QList<qint64> &appliances)
{
    QHash<qint64, QList<qint64>> result;
    if (appliances.isEmpty())
        return result;
    QStringList ids;
    for (const qint64 id : QSet<qint64>(appliances.begin(), appliances.end()))
        ids << QString::number(id);
    // Read before copying: the copies land in the same table.
    QSqlQuery query(sql.database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT Geraet, WerteId FROM Werte WHERE Geraet IN (%1)")
                        .arg(ids.join(QLatin1Char(',')))))
        return result;
    while (query.next())
        result[query.value(0).toLongLong()] << query.value(1).toLongLong();
    return result;
}
