#include "valuesetidlookup.h"

#include "sqltext.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {

// Runs of at least this many consecutive ids become one range test.
const int kMinRunLength = 4;

} // namespace

QString ValueSetIdLookup::applianceCondition(const QList<int> &sortedDistinctIds)
{
    if (sortedDistinctIds.isEmpty())
        return QStringLiteral("0");
    // Appliance ids come in the ranges reserved per manufacturer, so most of
    // them form runs of consecutive numbers. Range tests cost a comparison
    // per value set, where a long IN list costs a search per value set; the
    // outer bounds reject the value sets of all other ranges first.
    QStringList alternatives;
    QStringList singles;
    int runStart = 0;
    for (int i = 1; i <= sortedDistinctIds.size(); ++i) {
        if (i < sortedDistinctIds.size()
            && sortedDistinctIds.at(i) == sortedDistinctIds.at(i - 1) + 1)
            continue;
        const int first = sortedDistinctIds.at(runStart);
        const int last = sortedDistinctIds.at(i - 1);
        if (i - runStart >= kMinRunLength) {
            alternatives << QStringLiteral("Geraet BETWEEN %1 AND %2").arg(first).arg(last);
        } else {
            for (int k = runStart; k < i; ++k)
                singles << QString::number(sortedDistinctIds.at(k));
        }
        runStart = i;
    }
    if (!singles.isEmpty())
        alternatives << QStringLiteral("Geraet IN (%1)").arg(singles.join(QLatin1Char(',')));
    if (alternatives.size() == 1)
        return alternatives.first();
    return QStringLiteral("Geraet BETWEEN %1 AND %2 AND (%3)")
        .arg(QString::number(sortedDistinctIds.first()), QString::number(sortedDistinctIds.last()),
             alternatives.join(QStringLiteral(" OR ")));
}

QString ValueSetIdLookup::statement(const QList<int> &sortedDistinctIds, const QString &valueFilter)
{
    // No ORDER BY: SQLite then walks Werte the way a lookup per appliance
    // does (in rowid order without an index on Geraet, through such an index
    // when there is one), so every appliance gets its ids in the same order.
    // LIKE '%%' matches every Bemerkung that is not NULL; saying so spares
    // the pattern match on every value set when there is no search text.
    const QString bemerkung = valueFilter.isEmpty()
        ? QStringLiteral("Bemerkung IS NOT NULL")
        : QStringLiteral("Bemerkung LIKE '%%1%'").arg(doubleApostrophes(valueFilter));
    return QStringLiteral("SELECT Geraet, WerteId FROM Werte WHERE %1 AND %2")
        .arg(applianceCondition(sortedDistinctIds), bemerkung);
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
