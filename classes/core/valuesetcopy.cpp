#include "valuesetcopy.h"

#include "appsettings.h"
#include "statementrunner.h"

#include <QDebug>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>

int ValueSetCopy::copyAll(const StatementRunner &sql, int sourceAppliance, int targetAppliance)
{
    return copyAll(sql, valueSetsOf(sql, {sourceAppliance}).value(sourceAppliance),
                   targetAppliance);
}

int ValueSetCopy::copyAll(const StatementRunner &sql, const QList<int> &valueSets,
                          int targetAppliance)
{
    AppSettings *settings = AppSettings::instance();
    int copied = 0;
    for (int valueSetId : valueSets) {
        qDebug() << "Copy Werte" << valueSetId;
        const int copy = settings->copyRecord(QStringLiteral("Werte"), QStringLiteral("WerteId"),
                                              valueSetId, sql.database());
        if (copy == -1)
            continue;
        sql.runJournaled(QStringLiteral("UPDATE Werte SET Geraet=%1 WHERE WerteId=%2")
                             .arg(targetAppliance)
                             .arg(copy));
        sql.runJournaled(QStringLiteral("UPDATE Werte SET ERFASSDAT='%1',AUSATZRINGEID=0,"
                                        "BEMERKUNGID=0 WHERE WerteId=%2")
                             .arg(StatementRunner::today())
                             .arg(copy));
        ++copied;
    }
    return copied;
}

QHash<int, QList<int>> ValueSetCopy::valueSetsOf(const StatementRunner &sql,
                                                 const QList<int> &appliances)
{
    QHash<int, QList<int>> result;
    if (appliances.isEmpty())
        return result;
    QStringList ids;
    for (int id : QSet<int>(appliances.begin(), appliances.end()))
        ids << QString::number(id);
    // Read before copying: the copies land in the same table.
    QSqlQuery query(sql.database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT Geraet, WerteId FROM Werte WHERE Geraet IN (%1)")
                        .arg(ids.join(QLatin1Char(',')))))
        return result;
    while (query.next())
        result[query.value(0).toInt()] << query.value(1).toInt();
    return result;
}
