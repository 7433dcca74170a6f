// The quality-mark switch of the appliance list of manufacturer 58 (2,000
// appliances): every listed appliance's value sets get the mark, as a click
// on the column header does it in the window: through
// GeraeteModel::switchQualityMarks, with the first appliance current (its
// value list switched through WerteModel::setDinplusAll) and the undo
// history recording, as it does for every opened file. Against the
// statements it ran, replayed by the shell in one transaction, and against
// one pass of the shell over the value table: the switch has to stay a few
// set-based passes, whatever the number of listed appliances. The one
// set-based UPDATE a hand in the shell would write is the third yardstick:
// writing the marked sets' pages and their rollback journal is a floor no
// way of running the switch gets below.
#include "appsettings.h"
#include "benchcase.h"
#include "dbconnections.h"
#include "geraetemodel.h"
#include "shelltiming.h"
#include "testsupport.h"
#include "undohistory.h"
#include "wertemodel.h"

namespace {

// Switches the marks of every listed appliance on; returns its seconds. The
// first run (with statements still empty) records what it runs, for the shell.
double switchTimed(BenchContext &context, QStringList &statements, int *appliances)
{
    const QString file = context.copyOfLargeDatabase("qualitymarks-ours");
    BenchContext::useManufacturer58(file);
    TestSupport::openKolvex(file, true);
    UndoHistory history;
    history.startFor(file, false);
    GeraeteModel model;
    model.selectAppliances();
    *appliances = model.recordCount();
    AppSettings::instance()->currentApplianceId = model.data(model.index(0, 0)).toInt();
    WerteModel values;
    values.reloadWerte();
    const double seconds = BenchContext::timedAndRecorded(statements, [&] {
        model.switchQualityMarks(true, 0, QString(), [&] { values.setDinplusAll(true); });
    });
    if (history.undoCount() != 1)
        qWarning("the switch left %d undo steps instead of 1", history.undoCount());
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
                            QStringLiteral("%1 statements; first appliance current, undo recording on")
                                .arg(statements.size())),
        1.3);
    const PairedTimes setBased = context.paired(
        context.rounds(3), [&] { return switchTimed(context, statements, &appliances); },
        [&] {
            const QString file = context.copyOfLargeDatabase("qualitymarks-setbased");
            return context.shellSeconds(
                file, QString(),
                QStringLiteral("UPDATE werte SET dinplus=1 WHERE Geraet IN "
                               "(SELECT TirmaId FROM Geraete WHERE HrstId=58) AND Bemerkung LIKE '%%';\n"));
        });
    context.targetRatioAtMost(
        "quality-mark switch, set-based shell statement",
        context.reportRatio(line, setBased, "sqlite3 one set-based UPDATE"), 2.0);
    const QString file = context.copyOfLargeDatabase("qualitymarks-pass");
    const PairedTimes pass = context.paired(
        context.rounds(3), [&] { return switchTimed(context, statements, &appliances); },
        [&] { return context.shellSeconds(file, QString(), BenchContext::onePassOverWerte()); });
    context.targetRatioAtMost("quality-mark switch vs one pass over Werte",
                              context.reportRatio(line, pass, "sqlite3 one pass over Werte"), 2.0);
}
