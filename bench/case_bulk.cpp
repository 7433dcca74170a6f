// Bulk actions on the appliance list of manufacturer 58, through the real
// model as the context menu calls it, with journaling on (maintenance
// edition): deleting 200 appliances with their value sets, duplicating 25
// appliances with their value sets. Against the statements the model ran,
// replayed by the sqlite3 shell inside one transaction on a copy of the
// same file.
#include "appsettings.h"
#include "benchcase.h"
#include "dbconnections.h"
#include "geraetemodel.h"
#include "shelltiming.h"
#include "statementrecorder.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QList>

#include <memory>

namespace {

void useManufacturer58(const QString &file)
{
    AppSettings *settings = AppSettings::instance();
    settings->manufacturerMode = false;  // the maintenance edition journals every change
    settings->currentManufacturerId = 58;
    settings->dbFile = file;
    settings->showOldAppliances = true;
    settings->allFilter.clear();
    settings->applianceFilter.clear();
    settings->valueFilter.clear();
    settings->applianceFields = AppSettings::defaultApplianceFields();
}

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
    std::unique_ptr<StatementRecorder> recorder;
    if (statements.isEmpty())
        recorder.reset(new StatementRecorder(kolvexDb()));
    QElapsedTimer timer;
    timer.start();
    QMetaObject::invokeMethod(&model, slot, Qt::DirectConnection, Q_ARG(QList<int>, rows));
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (recorder)
        statements = ShellTiming::withoutTransactionControl(recorder->statements());
    return seconds;
}

void measureBulk(BenchContext &context, const char *slot, int count, const QString &line,
                 const QString &targetLine)
{
    QList<int> rows;
    for (int row = 0; row < count; ++row)
        rows << row;
    QStringList statements;
    QString outcome;
    const QString valueSetsBefore =
        TestSupport::scalar(TestSupport::openKolvex(context.largeDatabase(), false),
                            "SELECT count(*) FROM Werte");
    TestSupport::closeAllConnections();
    const PairedTimes times = context.paired(
        context.rounds(3),
        [&] {
            const QString file = context.copyOfLargeDatabase("bulk-ours");
            useManufacturer58(file);
            TestSupport::openKolvex(file, true);
            const double seconds = runTimed(slot, rows, statements);
            outcome = QStringLiteral("value sets %1 -> %2, %3 journal lines")
                          .arg(valueSetsBefore, countOf("SELECT count(*) FROM Werte"))
                          .arg(TestSupport::journalLines(file).size());
            TestSupport::closeAllConnections();
            return seconds;
        },
        [&] {
            const QString file = context.copyOfLargeDatabase("bulk-shell");
            return context.shellSeconds(file, BenchContext::idTableSetup(),
                                        "BEGIN;\n" + ShellTiming::script(statements) + "COMMIT;\n");
        });
    const PairedSummary summary = context.reportRatio(
        line, times, "sqlite3 same statements in one transaction",
        QStringLiteral("%1; %2 statements (recorded in round 1)").arg(outcome).arg(statements.size()));
    context.targetRatioAtMost(targetLine, summary, 1.3);
}

} // namespace

KOLVEX_BENCH_CASE(bulkActions)
{
    measureBulk(context, "datenLoeschen", 200,
                "delete 200 appliances of manufacturer 58 (GeraeteModel::datenLoeschen)",
                "delete 200 vs same statements, 1 transaction");
    measureBulk(context, "datenDuplizieren", 25,
                "duplicate 25 appliances with their value sets (GeraeteModel::datenDuplizieren)",
                "duplicate 25 vs same statements, 1 transaction");
}
