// Free-id search and the id table on the large database.
#include "appsettings.h"
#include "benchcase.h"
#include "dbconnections.h"
#include "idtable.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>

namespace {

// The statement findFreeId runs for these conditions ("" or " AND ...").
QString freeIdStatement(const QString &table, const QString &key, const QString &extra)
{
    return QStringLiteral("select seqidxs.id from seqidxs left join %2 on seqidxs.id=%2.%1 "
                          "where %2.%1 is NULL %3 limit 1;")
        .arg(key, table, extra);
}

QString repeated(const QString &statement, int times)
{
    QString text;
    for (int i = 0; i < times; ++i)
        text += statement + "\n";
    return text;
}

struct FreeIdCase
{
    QString label;
    QString table;
    QString key;
    int manufacturer;
    QString extra;  // the conditions findFreeId adds for this table and manufacturer
    int repetitions;
};

// Searches per round: the case's own number at scale 1; above it, where one
// search grows with the tables, as many as take about a second, so that a
// line stays a matter of seconds.
int searchesPerRound(const BenchContext &context, QSqlDatabase db, const FreeIdCase &c)
{
    if (context.scale() == 1)
        return c.repetitions;
    AppSettings *settings = AppSettings::instance();
    settings->currentManufacturerId = c.manufacturer;
    QElapsedTimer timer;
    timer.start();
    settings->findFreeId(c.table, c.key, db);
    const double one = std::max(timer.nsecsElapsed() / 1e9, 1e-6);
    return std::max(1, std::min(c.repetitions, int(1.0 / one)));
}

void measureFreeId(BenchContext &context, QSqlDatabase db, const FreeIdCase &c)
{
    AppSettings *settings = AppSettings::instance();
    int found = -1;
    const QString statement = freeIdStatement(c.table, c.key, c.extra);
    const int searches = searchesPerRound(context, db, c);
    const QString work = repeated(statement, searches);
    const PairedTimes times = context.paired(
        context.rounds(5),
        [&] {
            settings->currentManufacturerId = c.manufacturer;
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < searches; ++i)
                found = settings->findFreeId(c.table, c.key, db);
            return timer.nsecsElapsed() / 1e9;
        },
        [&] {
            return context.shellSeconds(context.largeDatabase(), BenchContext::idTableSetup(),
                                        work);
        });
    const int shellFound = TestSupport::scalar(db, statement).toInt();
    QString note = QStringLiteral("%1 searches per round, free id %2").arg(searches).arg(found);
    if (shellFound != found)
        note += QStringLiteral(", shell statement gives %1: STATEMENTS DIFFER").arg(shellFound);
    context.reportRatio(c.label, times, "sqlite3 same statement", note);
}

} // namespace

KOLVEX_BENCH_CASE(idTableFill)
{
    const QString file = context.largeDatabase();
    const PairedTimes times = context.paired(
        context.rounds(5),
        [&] {
            TestSupport::closeAllConnections();
            QSqlDatabase db = TestSupport::openKolvex(file, false);
            QElapsedTimer timer;
            timer.start();
            createIdTable(db);
            return timer.nsecsElapsed() / 1e9;
        },
        [&] { return context.shellSeconds(file, QString(), BenchContext::idTableSetup()); });
    const QString count = TestSupport::scalar(kolvexDb(), "SELECT count(*) FROM seqidxs");
    context.reportRatio("seqidxs: create and fill 1..100000", times, "sqlite3 same statements",
                        QStringLiteral("%1 rows").arg(count));
}

KOLVEX_BENCH_CASE(findFreeId)
{
    QSqlDatabase db = TestSupport::openKolvex(context.largeDatabase(), true);
    AppSettings *settings = AppSettings::instance();
    // A range whose lower bound is free: the search ends at the first candidate.
    settings->idRangeLow.insert(999, qMakePair(27000, 80000));
    const QString hand = QStringLiteral(" AND NOT coalesce(hand,0)");

    const QList<FreeIdCase> cases = {
        {"findFreeId Werte/WerteId, free bound (1 lookup)", "Werte", "WerteId", 999,
         hand + " AND seqidxs.id>=80000", 2000},
        {"findFreeId Werte/WerteId, 58 (4000 used after bound)", "Werte", "WerteId", 58,
         hand + " AND seqidxs.id>=70000", 100},
        {"findFreeId Werte/WerteId, no range (999 used)", "Werte", "WerteId", -1, hand, 200},
        {"findFreeId Geraete/TirmaId, free bound (1 lookup)", "Geraete", "TirmaId", 999,
         hand + " AND seqidxs.id>=27000", 2000},
        {"findFreeId Geraete/TirmaId, 58 (1500 used after bound)", "Geraete", "TirmaId", 58,
         hand + " AND seqidxs.id>=25000", 200},
        {"findFreeId Geraete/TirmaId, 550 (1000 used after bound)", "Geraete", "TirmaId", 550,
         hand + " AND seqidxs.id>=20000", 200},
        {"findFreeId Geraete/TirmaId, no range (99 used)", "Geraete", "TirmaId", -1, hand, 1000},
        {QStringLiteral("findFreeId gruppen/werteid, no index (%1 rows)").arg(context.scaled(5000)),
         "gruppen", "werteid", -1, "", 20},
        {QStringLiteral("findFreeId Werte/Geraet, no index (%1 rows)").arg(context.scaled(200000)),
         "Werte", "Geraet", -1, hand, 2},
    };
    for (const FreeIdCase &c : cases)
        measureFreeId(context, db, c);

    // The unindexed search against the physical limit: one pass over the table.
    const int repetitions = 2;
    const PairedTimes times = context.paired(
        context.rounds(5),
        [&] {
            settings->currentManufacturerId = -1;
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < repetitions; ++i)
                settings->findFreeId("Werte", "Geraet", db);
            return timer.nsecsElapsed() / 1e9;
        },
        [&] {
            return context.shellSeconds(context.largeDatabase(), QString(),
                                        repeated(BenchContext::onePassOverWerte(), repetitions));
        });
    context.reportRatio("findFreeId Werte/Geraet [yardstick: one pass over Werte]", times,
                        "sqlite3 one pass", "2 searches per round against 2 passes");
    settings->idRangeLow.remove(999);
}
