// The general filter of the search bar in the real main window of the
// maintenance edition: a condition over the value sets typed into the bar
// and applied with Return, until the manufacturer list, the appliance list
// of its first manufacturer, that appliance's value list and the group list
// are filled again. Against the statements the window ran, replayed in the
// sqlite3 shell, and against one pass over the value table: a filter over
// the value sets cannot cost less than one pass without an index on
// Werte.Geraet.
#include "benchcase.h"
#include "dbconnections.h"
#include "mainwindow.h"
#include "shelltiming.h"
#include "statementrecorder.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

namespace {

// Matches a few per cent of the value sets, spread over many manufacturers.
const char kFilter[] = "QN>15.5";

// Types filter into the bar's field and presses Return, as the user does;
// returns the seconds until the window has done what it queued.
double applyFilter(QLineEdit *edit, const QString &filter)
{
    edit->setText(filter);
    QElapsedTimer timer;
    timer.start();
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();
    return timer.nsecsElapsed() / 1e9;
}

int rowsOf(const MainWindow &window, const char *view)
{
    const auto *table = window.findChild<QTableView *>(QLatin1String(view));
    return table && table->model() ? table->model()->rowCount() : -1;
}

} // namespace

KOLVEX_BENCH_CASE(generalSearch)
{
    TestSupport::resetBrowsingSettings();
    const QString file = context.copyOfLargeDatabase("generalsearch");
    MainWindow window;
    window.resize(1300, 850);
    window.show();
    window.openDataBase(file);
    QCoreApplication::processEvents();
    auto *showBar = window.findChild<QAction *>(QStringLiteral("actionSuchleisteAnzeigen"));
    auto *edit = window.findChild<QLineEdit *>(QStringLiteral("lineEditFilterAll"));
    const QString line = QStringLiteral("general filter '%1' in the window").arg(kFilter);
    if (!showBar || !edit) {
        context.reportValue(line, "NOT MEASURED: no search bar");
        context.targetNotMeasured("general filter vs same statements", "<= 1.2x", "no search bar");
        return;
    }
    showBar->setChecked(true);
    QCoreApplication::processEvents();

    // Every timed round starts from the unfiltered lists.
    const auto ours = [&] {
        applyFilter(edit, QString());
        return applyFilter(edit, QLatin1String(kFilter));
    };
    QStringList statements;
    applyFilter(edit, QString());
    {
        StatementRecorder recorder(kolvexDb(), StatementRecorder::AlsoNewConnections);
        applyFilter(edit, QLatin1String(kFilter));
        statements = recorder.statements();
    }
    const QString rows = QStringLiteral("%1 manufacturers, %2 appliance rows, %3 value rows listed")
                             .arg(rowsOf(window, "tableHersteller"))
                             .arg(rowsOf(window, "tableGeraete"))
                             .arg(rowsOf(window, "tableAGWerte"));
    QVector<double> onePass;
    PairedTimes times = context.paired(
        context.rounds(5), ours, [&] {
            onePass << context.shellSeconds(file, QString(), BenchContext::onePassOverWerte());
            return context.shellSeconds(file, QString(), ShellTiming::script(statements));
        });
    const PairedSummary same = context.reportRatio(
        line, times, "sqlite3 same statements",
        QStringLiteral("%1; %2 statements").arg(rows).arg(statements.size()));
    times.baseline = onePass;
    const PairedSummary yardstick =
        context.reportRatio(line + " [yardstick: one pass over Werte]", times, "sqlite3 one pass");
    context.targetRatioAtMost("general filter vs same statements", same, 1.2);
    context.targetRatioAtMost("general filter vs one pass over Werte", yardstick, 3.0);
    applyFilter(edit, QString());
}
