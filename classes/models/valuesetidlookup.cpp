#include "valuesetidlookup.h"

#include "keyranges.h"
#include "sqltext.h"
#include "workprogress.h"

#include <QCoreApplication>

#include <QDebug>
#include <QHash>
#include <QSqlError>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {

// Runs of at least this many consecutive ids become one range test.
const int kMinRunLength = 4;
// Up to this many ids outside runs are tested with "=", more with IN.
const int kMaxSingleComparisons = 8;
// SQLite refuses an expression nested deeper than 1000 levels, and every
// OR adds one; long before that one IN list of all ids is the cheaper test.
const int kMaxAlternatives = 64;

} // namespace

QStringList ValueSetIdLookup::idAlternatives(const QList<qint64> &sortedDistinctIds)
{
    QStringList alternatives;
    QStringList singles;
    int runStart = 0;
    for (int i = 1; i <= sortedDistinctIds.size(); ++i) {
        if (i < sortedDistinctIds.size()
            && sortedDistinctIds.at(i) == sortedDistinctIds.at(i - 1) + 1)
            continue;
        const qint64 first = sortedDistinctIds.at(runStart);
        const qint64 last = sortedDistinctIds.at(i - 1);
        if (i - runStart >= kMinRunLength) {
            alternatives << QStringLiteral("Geraet BETWEEN %1 AND %2").arg(first).arg(last);
        } else {
            for (int k = runStart; k < i; ++k)
                singles << QString::number(sortedDistinctIds.at(k));
        }
        runStart = i;
    }
    // A few single ids (such as the 0 of the new-record row) are compared
    // one by one; only a longer list is worth SQLite's search structure.
    if (singles.size() > kMaxSingleComparisons)
        alternatives << QStringLiteral("Geraet IN (%1)").arg(singles.join(QLatin1Char(',')));
    else
        for (const QString &id : qAsConst(singles))
            alternatives << QStringLiteral("Geraet=%1").arg(id);
    return alternatives;
}

QString ValueSetIdLookup::statement(const QList<qint64> &sortedDistinctIds, const QString &valueFilter)
{
    if (sortedDistinctIds.isEmpty())
        return QString();
    // Appliance ids come in the ranges reserved per manufacturer, so most of
    // them form runs of consecutive numbers: a range test costs a comparison
    // per value set, where a long IN list costs a search. The cheap tests
    // come first: the outer bounds, then the comparisons of ids, then the
    // search text (which must read Bemerkung), and an IN list last.
    const QString bounds = QStringLiteral("Geraet BETWEEN %1 AND %2")
                               .arg(sortedDistinctIds.first())
                               .arg(sortedDistinctIds.last());
    // Without a search text every value set counts, one without a
    // Bemerkung too (a set begun in a number column has none).
    const QString bemerkung = valueFilter.isEmpty()
        ? QString()
        : QStringLiteral("Bemerkung LIKE '%%1%'").arg(doubleApostrophes(valueFilter));
    QStringList alternatives = idAlternatives(sortedDistinctIds);
    if (alternatives.size() > kMaxAlternatives) {
        QStringList all;
        all.reserve(sortedDistinctIds.size());
        for (const qint64 id : sortedDistinctIds)
            all << QString::number(id);
        alternatives = QStringList{QStringLiteral("Geraet IN (%1)").arg(all.join(QLatin1Char(',')))};
    }
    QStringList conditions{bounds};
    QString ids;
    if (alternatives.size() > 1)
        ids = QStringLiteral("(%1)").arg(alternatives.join(QStringLiteral(" OR ")));
    else if (alternatives.first() != bounds)
        ids = alternatives.first();
    const bool searchesList = alternatives.last().startsWith(QLatin1String("Geraet IN"));
    if (!ids.isEmpty() && !searchesList)
        conditions << ids;
    if (!bemerkung.isEmpty())
        conditions << bemerkung;
    if (!ids.isEmpty() && searchesList)
        conditions << ids;
    const QString condition = conditions.join(QStringLiteral(" AND "));
    // No ORDER BY: SQLite then walks Werte the way a lookup per appliance
    // does (in rowid order without an index on Geraet, through such an index
    // when there is one), so every appliance gets its ids in the same order.
    return QStringLiteral("SELECT Geraet, WerteId FROM Werte WHERE ") + condition;
}

QStringList ValueSetIdLookup::joinedIdsPerAppliance(const QList<qint64> &applianceIds,
                                                    const QString &valueFilter, QSqlDatabase db)
{
    QStringList result;
    if (applianceIds.isEmpty())
        return result;

    QList<qint64> distinct = QSet<qint64>(applianceIds.begin(), applianceIds.end()).values();
    std::sort(distinct.begin(), distinct.end());

    QHash<qint64, QStringList> idsByAppliance;
    // Range by range of value-set ids: still one pass over Werte in rowid
    // order, with the progress shown in between on a large file.
    const QString whole = statement(distinct, valueFilter);
    const QList<KeyRanges::Range> ranges =
        KeyRanges::of(db, QStringLiteral("Werte"), QStringLiteral("WerteId"));
    WorkProgress progress(QCoreApplication::translate("ValueSetIdLookup",
                                                      "Kenndaten werden gelesen …"),
                          ranges.size(), false);
    for (int i = 0; i < ranges.size(); ++i) {
        const QString range = KeyRanges::condition(QStringLiteral("WerteId"), ranges.at(i));
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(ranges.size() == 1 ? whole : whole + QStringLiteral(" AND ") + range)) {
            qWarning() << "Kenndaten-Ids nicht gelesen:" << query.lastError().text();
            break;
        }
        while (query.next())
            idsByAppliance[query.value(0).toLongLong()] << query.value(1).toString();
        progress.advance(i + 1);
    }

    result.reserve(applianceIds.size());
    for (const qint64 id : applianceIds)
        result << idsByAppliance.value(id).join(QLatin1Char('#'));
    return result;
}
