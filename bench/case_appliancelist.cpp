// The appliance list of manufacturer 58 on the large database, model only:
// the list statement with the value-set ids of every row, against the same
// statements in the sqlite3 shell and against one pass over the value table.
#include "appsettings.h"
#include "benchcase.h"
#include "dbconnections.h"
#include "geraetemodel.h"
#include "shelltiming.h"
#include "statementrecorder.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

void useApplianceListSettings(const QString &valueFilter)
{
    AppSettings *settings = AppSettings::instance();
    settings->manufacturerMode = true;
    settings->currentManufacturerId = 58;
    settings->applianceFields = AppSettings::defaultApplianceFields();
    settings->showOldAppliances = true;
    settings->allFilter.clear();
    settings->applianceFilter.clear();
    settings->valueFilter = valueFilter;
}

// The ids one statement per row would give for the first rows of the list.
int rowsDifferingFromLookupPerRow(const GeraeteModel &model, QSqlDatabase db, int rows)
{
    const QString filter = QString(AppSettings::instance()->valueFilter).replace("'", "''");
    // Without a search text every set counts, one without a Bemerkung too,
    // as in the value list.
    const QString remark =
        filter.isEmpty() ? QString() : QStringLiteral(" AND Bemerkung LIKE '%%1%'").arg(filter);
    int differing = 0;
    for (int row = 0; row < std::min(rows, model.rowCount()); ++row) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT werteid FROM werte WHERE Geraet=%1%2")
                   .arg(model.index(row, 0).data(Qt::EditRole).toLongLong())
                   .arg(remark));
        QStringList ids;
        while (q.next())
            ids << q.value(0).toString();
        if (ids.join('#') != model.valueSetIdsOfRow(row))
            ++differing;
    }
    return differing;
}

void measureApplianceList(BenchContext &context, QSqlDatabase db, const QString &valueFilter)
{
    useApplianceListSettings(valueFilter);
    GeraeteModel model;
    model.selectAppliances();  // learns the column kinds once, as the program does
    QStringList statements;
    {
        StatementRecorder recorder(db, StatementRecorder::AlsoNewConnections);
        model.selectAppliances();
        statements = recorder.statements();
    }
    const QString file = context.largeDatabase();
    QVector<double> onePass;
    PairedTimes times = context.paired(
        context.rounds(5),
        [&] {
            QElapsedTimer timer;
            timer.start();
            model.selectAppliances();
            return timer.nsecsElapsed() / 1e9;
        },
        [&] {
            onePass << context.shellSeconds(file, QString(), BenchContext::onePassOverWerte());
            return context.shellSeconds(file, QString(), ShellTiming::script(statements));
        });
    const int differing = rowsDifferingFromLookupPerRow(model, db, 25);
    QString note = QStringLiteral("%1 rows, %2 statements").arg(model.rowCount())
                       .arg(statements.size());
    if (differing > 0)
        note += QStringLiteral(", %1 of 25 rows DIFFER from the lookup per row").arg(differing);
    const QString line =
        QStringLiteral("selectAppliances 58 with value-set ids, filter '%1'").arg(valueFilter);
    context.reportRatio(line, times, "sqlite3 same statements", note);
    times.baseline = onePass;
    context.reportRatio(line + " [yardstick: one pass over Werte]", times, "sqlite3 one pass");
}

} // namespace

KOLVEX_BENCH_CASE(applianceList)
{
    QSqlDatabase db = TestSupport::openKolvex(context.largeDatabase(), false);
    measureApplianceList(context, db, QString());
    measureApplianceList(context, db, QStringLiteral("Betreiber's"));
}
