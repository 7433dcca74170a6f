#include "valuesetidlookup.h"

#include "sqltext.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

QString ValueSetIdLookup::statement(const QList<int> &distinctApplianceIds,
                                    const QString &valueFilter)
{
    QStringList ids;
    ids.reserve(distinctApplianceIds.size());
    for (int id : distinctApplianceIds)
        ids << QString::number(id);
    // No ORDER BY: SQLite then walks Werte the way a lookup per appliance
    // does (in rowid order without an index on Geraet, through such an index
    // when there is one), so every appliance gets its ids in the same order.
    return QStringLiteral("SELECT Geraet, WerteId FROM Werte WHERE Geraet IN (%1) AND Bemerkung "
                          "LIKE '%%2%'")
        .arg(ids.join(QLatin1Char(',')), doubleApostrophes(valueFilter));
}

QStringList ValueSetIdLookup::joinedIdsPerAppliance(const QList<int> &applianceIds,
                                                    const QString &valueFilter, QSqlDatabase db)
{
    QStringList result;
    if (applianceIds.isEmpty())
        return result;

    QList<int> distinct = QSet<int>(applianceIds.begin(), applianceIds.end()).values();
    std::sort(distinct.begin(), distinct.end());

    QHash<int, QStringList> idsByAppliance;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (query.exec(statement(distinct, valueFilter))) {
        while (query.next())
            idsByAppliance[query.value(0).toInt()] << query.value(1).toString();
    }

    result.reserve(applianceIds.size());
    for (int id : applianceIds)
        result << idsByAppliance.value(id).join(QLatin1Char('#'));
    return result;
}
