#include "valuesetcopy.h"

#include "appsettings.h"
#include "statementrunner.h"

#include <QDebug>

int ValueSetCopy::copyAll(const StatementRunner &sql, int sourceAppliance, int targetAppliance)
{
    AppSettings *settings = AppSettings::instance();
    // Read before copying: the copies land in the same table.
    const QList<int> valueSets = sql.intColumn(
        QStringLiteral("SELECT WerteId FROM Werte WHERE Geraet=%1").arg(sourceAppliance));
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
