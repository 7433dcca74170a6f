// Bulk actions on the appliance list of manufacturer 58, through the real
// model as the context menu calls it, with journaling on (maintenance
// edition): deleting 200 appliances with their value sets, duplicating 25
// appliances with their value sets. Against the statements the model ran,
// replayed by the sqlite3 shell inside one transaction on a copy of the
// same file.
#include "benchcase.h"
#include "dbconnections.h"
#include "geraetemodel.h"
#include "shelltiming.h"
#include "testsupport.h"
#include "undohistory.h"

#include <QFile>
#include <QList>

#include <functional>

namespace {

QString countOf(const QString &sql)
{
    return TestSupport::scalar(kolvexDb(), sql);
}

// Runs the model's bulk action on rows of the list of manufacturer 58 and
// returns its seconds; the first run (with statements still empty) records
// what it does, for the shell.
double runTimed(const char *slot, const QList<int> &rows, QStringList &statements)
{
    GeraeteModel model;
    model.selectAppliances();
    return BenchContext::timedAndRecorded(statements, [&] {
        QMetaObject::invokeMethod(&model, slot, Qt::DirectConnection, Q_ARG(QList<int>, rows));
    });
}

// The ids of the first count rows of the appliance list of manufacturer 58.
QString listedIds(BenchContext &context, int count)
{
    BenchContext::useManufacturer58(context.largeDatabase());
    TestSupport::openKolvex(context.largeDatabase(), false);
    GeraeteModel model;
    model.selectAppliances();
    QStringList ids;
    for (int row = 0; row < count && row < model.recordCount(); ++row)
        ids << model.data(model.index(row, 0)).toString();
    TestSupport::closeAllConnections();
    return ids.join(QLatin1Char(','));
}

// Deleting appliances as one set-based statement per table, references of
// their value sets included: what a hand-written delete in the shell does.
QString setBasedDelete(const QString &ids)
{
    const QString valueSets = QStringLiteral("SELECT WerteId FROM Werte WHERE Geraet IN (%1)").arg(ids);
    return QStringLiteral("BEGIN;\n"
                          "DELETE FROM gruppen WHERE werteid IN (%1);\n"
                          "UPDATE Werte SET BEMERKUNGID=0, AUSATZRINGEID=0 WHERE BEMERKUNGID IN (%1);\n"
                          "DELETE FROM Werte WHERE Geraet IN (%2);\n"
                          "DELETE FROM Geraete WHERE TirmaId IN (%2);\n"
                          "COMMIT;\n")
        .arg(valueSets, ids);
}

struct BulkLine
{
    const char *slot;
    int count;
    QString line;
    QString targetLine;
    // The same change as set-based shell statements, from the ids of the
    // rows; none when there is no such yardstick.
    std::function<QString(const QString &)> setBased;
};

void measureBulk(BenchContext &context, const BulkLine &bulk)
{
    QList<int> rows;
    for (int row = 0; row < bulk.count; ++row)
        rows << row;
    QStringList statements;
    QString outcome;
    const QString valueSetsBefore =
        TestSupport::scalar(TestSupport::openKolvex(context.largeDatabase(), false),
                            "SELECT count(*) FROM Werte");
    TestSupport::closeAllConnections();
    const auto ours = [&] {
        const QString file = context.copyOfLargeDatabase("bulk-ours");
        BenchContext::useManufacturer58(file);
        TestSupport::openKolvex(file, true);
        // Recording for undo as the program does on every opened file, so
        // the line is the same alone and after other cases.
        UndoHistory::instance()->startFor(file, false);
        const double seconds = runTimed(bulk.slot, rows, statements);
        outcome = QStringLiteral("value sets %1 -> %2, %3 journal lines")
                      .arg(valueSetsBefore, countOf("SELECT count(*) FROM Werte"))
                      .arg(TestSupport::journalLines(file).size());
        TestSupport::closeAllConnections();
        return seconds;
    };
    const auto shell = [&](const QString &script) {
        const QString file = context.copyOfLargeDatabase("bulk-shell");
        return context.shellSeconds(file, BenchContext::idTableSetup(), script);
    };
    const PairedTimes times = context.paired(context.rounds(3, 1), ours, [&] {
        return shell("BEGIN;\n" + ShellTiming::script(statements) + "COMMIT;\n");
    });
    const PairedSummary summary = context.reportRatio(
        bulk.line, times, "sqlite3 same statements in one transaction",
        QStringLiteral("%1; %2 statements (recorded in round 1)").arg(outcome).arg(statements.size()));
    context.targetRatioAtMost(bulk.targetLine + ", same statements, 1 transaction", summary, 1.3);
    if (!bulk.setBased)
        return;
    // A per-row loop would meet the first target by being compared with
    // itself; the set-based statements are the yardstick it cannot fool.
    const QString setBased = bulk.setBased(listedIds(context, bulk.count));
    const PairedTimes setTimes = context.paired(context.rounds(3, 1), ours, [&] { return shell(setBased); });
    context.targetRatioAtMost(
        bulk.targetLine + ", set-based shell statements",
        context.reportRatio(bulk.line, setTimes, "sqlite3 set-based statements"), 2.0);
}

} // namespace

KOLVEX_BENCH_CASE(bulkActions)
{
    measureBulk(context, {"datenLoeschen", 200,
                          "delete 200 appliances of manufacturer 58 (GeraeteModel::datenLoeschen)",
                          "delete 200", setBasedDelete});
    measureBulk(context, {"datenDuplizieren", 25,
                          "duplicate 25 appliances with their value sets (GeraeteModel::datenDuplizieren)",
                          "duplicate 25", nullptr});
}
