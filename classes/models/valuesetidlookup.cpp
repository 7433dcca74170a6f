#include "valuesetidlookup.h"

#include "idcondition.h"
#include "keyranges.h"
#include "readonlyconnection.h"
#include "sqltext.h"
#include "workprogress.h"

#include <QCoreApplication>
#include <QDebug>
#include <QHash>
#include <QPair>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <QVector>

#include <algorithm>
#include <functional>
#include <memory>

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
using IdPairs = QVector<QPair<qint64, qint64>>;   // (appliance, value set) in read order

void append(JoinedIds &joined, qint64 appliance, const QString &id)
{
    QString &ids = joined[appliance];
    if (!ids.isEmpty())
        ids += QLatin1Char('#');
    ids += id;
}

// Reads ranges [from, to) of the lookup, handing each (appliance, value
// set) row to take in the table's order.
bool readRanges(QSqlDatabase db, const QString &whole, const QList<KeyRanges::Range> &ranges,
                int from, int to, const std::function<void(const QSqlQuery &)> &take,
                const std::function<void(int)> &done)
{
    for (int i = from; i < to; ++i) {
        const QString range = KeyRanges::condition(QStringLiteral("WerteId"), ranges.at(i));
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(ranges.size() == 1 ? whole : whole + QStringLiteral(" AND ") + range)) {
            qWarning() << "Kenndaten-Ids nicht gelesen:" << query.lastError().text();
            return false;
        }
        while (query.next())
            take(query);
        if (done)
            done(i + 1);
    }
    return true;
}

// The worker's part: bare pairs (the strings are made by the caller's
// thread, in its own heap), on a connection with a small page cache (a
// scan reads every page once).
bool readLaterRanges(const QString &file, const QString &options, const QString &whole,
                     const QList<KeyRanges::Range> &ranges, int from, IdPairs &pairs)
{
    ReadOnlyConnection connection(file, options);
    if (!connection.open())
        return false;
    QSqlQuery(connection.database()).exec(QStringLiteral("PRAGMA cache_size=-256"));
    return readRanges(
        connection.database(), whole, ranges, from, ranges.size(),
        [&](const QSqlQuery &query) {
            pairs.append(qMakePair(query.value(0).toLongLong(), query.value(1).toLongLong()));
        },
        nullptr);
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
    // On a large file the later half of the ranges is read beside the
    // earlier one, on a connection of its own in a worker thread; its ids
    // follow those of the earlier ranges, so the order stays the table's.
    const int split = ranges.size() >= kRangesForTwoReaders && ReadOnlyConnection::seesTheSameAs(db)
                          ? ranges.size() / 2
                          : ranges.size();
    IdPairs later;
    bool laterRead = false;
    std::unique_ptr<QThread> worker;
    if (split < ranges.size()) {
        const QString file = db.databaseName();
        const QString options = db.connectOptions();
        worker.reset(QThread::create([&, file, options] {
            laterRead = readLaterRanges(file, options, whole, ranges, split, later);
        }));
        worker->start();
    }
    // Joined as they are read: a list of small strings per appliance held
    // 100,000 of them at once on a large manufacturer.
    JoinedIds idsByAppliance;
    const auto take = [&](const QSqlQuery &query) {
        append(idsByAppliance, query.value(0).toLongLong(), query.value(1).toString());
    };
    const auto done = [&](int count) { progress.advance(count); };
    const bool earlierRead = readRanges(db, whole, ranges, 0, split, take, done);
    if (worker) {
        worker->wait();
        if (laterRead) {
            for (const auto &pair : qAsConst(later))
                append(idsByAppliance, pair.first, QString::number(pair.second));
        } else if (earlierRead) {   // the worker could not read: the later ranges here
            readRanges(db, whole, ranges, split, ranges.size(), take, done);
        }
    }
    progress.advance(ranges.size());

    for (auto joined = idsByAppliance.begin(); joined != idsByAppliance.end(); ++joined)
        joined->squeeze();
    result.reserve(applianceIds.size());
    for (const qint64 id : applianceIds)
        result << idsByAppliance.value(id);
    return result;
}
