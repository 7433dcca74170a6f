// The quality-mark switch of the appliance list of manufacturer 58 (2,000
// appliances): every listed appliance's value sets get the mark, as a click
// on the column header does it through GeraeteModel::switchQualityMarks.
// Against the statements it ran, replayed by the shell in one transaction,
// and against one pass of the shell over the value table: the switch has to
// stay a few set-based passes, whatever the number of listed appliances.
#include "benchcase.h"
#include "dbconnections.h"
#include "geraetemodel.h"
#include "shelltiming.h"
#include "testsupport.h"

namespace {

// Switches the marks of every listed appliance on; returns its seconds. The
// first run (with statements still empty) records what it runs, for the shell.
double switchTimed(BenchContext &context, QStringList &statements, int *appliances)
{
    const QString file = context.copyOfLargeDatabase("qualitymarks-ours");
    BenchContext::useManufacturer58(file);
    TestSupport::openKolvex(file, true);
    GeraeteModel model;
    model.selectAppliances();
    *appliances = model.recordCount();
    const double seconds = BenchContext::timedAndRecorded(
        statements, [&] { model.switchQualityMarks(true, -1, QString(), [] {}); });
    TestSupport::closeAllConnections();
    return seconds;
}

} // namespace

KOLVEX_BENCH_CASE(qualityMarks)
{
    QStringList statements;
    int appliances = 0;
    const PairedTimes same = context.paired(
        context.rounds(3), [&] { return switchTimed(context, statements, &appliances); },
        [&] {
            const QString file = context.copyOfLargeDatabase("qualitymarks-shell");
            return context.shellSeconds(file, QString(),
                                        "BEGIN;\n" + ShellTiming::script(statements) + "COMMIT;\n");
        });
    const QString line = QStringLiteral("quality-mark switch of %1 appliances of manufacturer 58")
                             .arg(appliances);
    context.targetRatioAtMost(
        "quality-mark switch vs same statements",
        context.reportRatio(line, same, "sqlite3 same statements in one transaction",
                            QStringLiteral("%1 statements").arg(statements.size())),
        1.3);
    const QString file = context.copyOfLargeDatabase("qualitymarks-pass");
    const PairedTimes pass = context.paired(
        context.rounds(3), [&] { return switchTimed(context, statements, &appliances); },
        [&] { return context.shellSeconds(file, QString(), BenchContext::onePassOverWerte()); });
    context.targetRatioAtMost("quality-mark switch vs one pass over Werte",
                              context.reportRatio(line, pass, "sqlite3 one pass over Werte"), 2.0);
}
