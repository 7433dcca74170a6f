#include "valuesetcopy.h"

#include "appsettings.h"
#include "statementrunner.h"

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
    AppSettings *settings = AppSettings::instance();
    int copied = 0;
    for (qint64 valueSetId : valueSets) {
        qDebug() << "Copy Werte" << valueSetId;
        const qint64 copy = settings->copyRecord(QStringLiteral("Werte"), QStringLiteral("WerteId"),
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
