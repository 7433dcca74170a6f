// Free-id search and the id table on the large database.
#include "appsettings.h"
#include "benchcase.h"
#include "dbconnections.h"
#include "idtable.h"
#include "testsupport.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

// The statements createIdTable runs, as one script for the shell. It starts
// by dropping an earlier table so that repetitions in one shell session
// really fill the table each time.
QString idTableScript()
{
    QString script = QStringLiteral("DROP TABLE IF EXISTS temp.seqidxs;\n"
                                    "CREATE TEMP TABLE seqidxs (id INTEGER PRIMARY KEY ASC);\n"
                                    "BEGIN;\n");
    for (int first = 1; first <= kIdTableSize; first += 100)
        script += idTableInsertStatement(first, 100) + ";\n";
    return script + "COMMIT;\n";
}

// The statement findFreeId runs for these conditions ("" or " AND ...").
QString freeIdStatement(const QString &table, const QString &key, const QString &extra)
{
    return QStringLiteral("select seqidxs.id from seqidxs left join %2 on seqidxs.id=%2.%1 "
                          "where %2.%1 is NULL %3 limit 1;")
        .arg(key, table, extra);
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

void measureFreeId(BenchContext &context, QSqlDatabase db, const FreeIdCase &c)
{
    AppSettings *settings = AppSettings::instance();
    settings->currentManufacturerId = c.manufacturer;
    int found = -1;
    const double ours = context.timeOurs(c.repetitions, [&] {
        found = settings->findFreeId(c.table, c.key, db);
    });
    const QString statement = freeIdStatement(c.table, c.key, c.extra);
    const int shellFound = TestSupport::scalar(db, statement).toInt();
    const double shell =
        context.timeShell(context.largeDatabase(), idTableScript(), statement, c.repetitions);
    QString note = QStringLiteral("free id %1").arg(found);
    if (shellFound != found)
        note += QStringLiteral(", shell statement gives %1: STATEMENTS DIFFER").arg(shellFound);
    context.report(c.label, ours, shell, note);
}

} // namespace

KOLVEX_BENCH_CASE(idTableFill)
{
    const QString file = context.largeDatabase();
    QSqlDatabase db;
    const double ours = context.timeOurs(
        1, [&] { createIdTable(db); },
        [&] {
            db = QSqlDatabase();
            TestSupport::closeAllConnections();
            db = TestSupport::openKolvex(file, false);
        });
    const QString count = TestSupport::scalar(db, "SELECT count(*) FROM seqidxs");
    const double shell = context.timeShell(file, QString(), idTableScript());
    context.report("seqidxs: create and fill 1..100000", ours, shell,
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
        {"findFreeId gruppen/werteid, no index (5000 rows)", "gruppen", "werteid", -1, "", 20},
        {"findFreeId Werte/Geraet, no index (200000 rows)", "Werte", "Geraet", -1, hand, 5},
    };
    for (const FreeIdCase &c : cases)
        measureFreeId(context, db, c);

    // What one pass over the big table costs, to compare the unindexed search with.
    settings->currentManufacturerId = -1;
    const QString onePass = QStringLiteral("SELECT max(Geraet) FROM Werte;");
    const double ours = context.timeOurs(5, [&] {
        settings->findFreeId("Werte", "Geraet", db);
    });
    const double shellPass = context.timeShell(context.largeDatabase(), QString(), onePass, 5);
    context.report("findFreeId Werte/Geraet against one pass (max(Geraet))", ours, shellPass,
                   "ratio to one shell pass over Werte");
    settings->idRangeLow.remove(999);
}
