#include "valuesetidlookup.h"

#include "idcondition.h"
#include "keyranges.h"
#include "splitrangeread.h"
#include "sqltext.h"
#include "workprogress.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>

#include <algorithm>

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
    const QStringList alternatives =
        IdCondition::alternatives(QStringLiteral("Geraet"), sortedDistinctIds);
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

namespace {

using JoinedIds = QHash<qint64, QString>;

void append(JoinedIds &joined, qint64 appliance, qint64 id)
{
    QString &ids = joined[appliance];
    if (!ids.isEmpty())
        ids += QLatin1Char('#');
    ids += QString::number(id);
}

} // namespace

QStringList ValueSetIdLookup::joinedIdsPerAppliance(const QList<qint64> &applianceIds,
                                                    const QString &valueFilter, QSqlDatabase db)
{
    QStringList result;
    if (applianceIds.isEmpty())
        return result;

    QList<qint64> distinct = QSet<qint64>(applianceIds.begin(), applianceIds.end()).values();
    std::sort(distinct.begin(), distinct.end());

    // Range by range of value-set ids: still one pass over Werte in rowid
    // order, with the progress shown in between on a large file.
    const QString whole = statement(distinct, valueFilter);
    // Wide ranges: every statement builds its lists of appliance ids anew,
    // and a few dozen steps are progress enough for a read.
    const QList<KeyRanges::Range> ranges =
        KeyRanges::of(db, QStringLiteral("Werte"), QStringLiteral("WerteId"), kRangeWidth);
    WorkProgress progress(QCoreApplication::translate("ValueSetIdLookup",
                                                      "Kenndaten werden gelesen …"),
                          ranges.size(), false);
    // Joined as they are read: a list of small strings per appliance held
    // 100,000 of them at once on a large manufacturer.
    JoinedIds idsByAppliance;
    SplitRangeRead::run(
        db, whole, QStringLiteral("WerteId"), ranges,
        [&idsByAppliance](qint64 appliance, qint64 id) { append(idsByAppliance, appliance, id); },
        [&progress](int done) { progress.advance(done); });
    progress.advance(ranges.size());

    for (auto joined = idsByAppliance.begin(); joined != idsByAppliance.end(); ++joined)
        joined->squeeze();
    result.reserve(applianceIds.size());
    for (const qint64 id : applianceIds)
        result << idsByAppliance.value(id);
    return result;
}
