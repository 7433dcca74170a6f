// Browsing through the real main window of the maintenance edition on the
// large database: selecting manufacturer 58 until the appliance list (with
// the value-set ids of its 2,000 rows), the value list and the group list
// are filled, and showing the value list of one appliance. Both against the
// statements the window ran, replayed in the sqlite3 shell, and against one
// pass over the value table.
#include "appsettings.h"
#include "benchcase.h"
#include "dbconnections.h"
#include "mainwindow.h"
#include "restingfollower.h"
#include "shelltiming.h"
#include "statementrecorder.h"
#include "testsupport.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace {

int rowOfId(const QAbstractItemModel *model, int id)
{
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, 0).data(Qt::EditRole).toInt() == id)
            return row;
    return -1;
}

// Makes row the current row of view (through its selection, as a click
// does), lets the window finish what it queued, and returns the seconds.
double selectRow(QTableView *view, int row, int column)
{
    QElapsedTimer timer;
    timer.start();
    view->setCurrentIndex(view->model()->index(row, column));
    QCoreApplication::processEvents();
    return timer.nsecsElapsed() / 1e9;
}

QStringList recordSelection(QTableView *view, int row, int column)
{
    StatementRecorder recorder(kolvexDb(), StatementRecorder::AlsoNewConnections);
    selectRow(view, row, column);
    return recorder.statements();
}

// Holds the arrow key through rows rows of view from its first row: the
// key presses and whatever they queued, until the dependent list has been
// read once after the row came to rest. Returns the seconds.
double walkRows(QTableView *view, QAbstractItemModel *dependent, int rows)
{
    view->setCurrentIndex(view->model()->index(0, 2));
    QSignalSpy reread(dependent, &QAbstractItemModel::modelReset);
    QCoreApplication::processEvents();
    reread.clear();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rows; ++i)
        QTest::keyClick(view, Qt::Key_Down);
    while (reread.isEmpty() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

KOLVEX_BENCH_CASE(browsing)
{
    TestSupport::resetBrowsingSettings();
    const QString file = context.copyOfLargeDatabase("browsing");
    MainWindow window;
    window.resize(1300, 850);
    window.show();
    window.openDataBase(file);
    QCoreApplication::processEvents();
    auto *manufacturers = window.findChild<QTableView *>(QStringLiteral("tableHersteller"));
    auto *appliances = window.findChild<QTableView *>(QStringLiteral("tableGeraete"));
    const int row58 = manufacturers ? rowOfId(manufacturers->model(), 58) : -1;
    // A manufacturer with a short list, selected before each timed selection of 58.
    const int rowOther = manufacturers ? rowOfId(manufacturers->model(), 1) : -1;
    if (row58 < 0 || rowOther < 0 || !appliances) {
        context.reportValue("select manufacturer 58", "NOT MEASURED: manufacturer list incomplete");
        context.targetNotMeasured("select 58 vs same statements", "<= 1.2x", "list incomplete");
        return;
    }

    // --- selecting manufacturer 58
    selectRow(manufacturers, rowOther, 1);
    const QStringList selectStatements = recordSelection(manufacturers, row58, 1);
    const int applianceRows = appliances->model()->rowCount();
    QVector<double> onePass;
    PairedTimes times = context.paired(
        context.rounds(5),
        [&] {
            selectRow(manufacturers, rowOther, 1);
            return selectRow(manufacturers, row58, 1);
        },
        [&] {
            onePass << context.shellSeconds(file, QString(), BenchContext::onePassOverWerte());
            return context.shellSeconds(file, QString(), ShellTiming::script(selectStatements));
        });
    const QString selectLine = QStringLiteral("select manufacturer 58 in the window");
    const PairedSummary same = context.reportRatio(
        selectLine, times, "sqlite3 same statements",
        QStringLiteral("%1 appliance rows; appliance, value and group lists; %2 statements")
            .arg(applianceRows - 1)
            .arg(selectStatements.size()));
    times.baseline = onePass;
    const PairedSummary yardstick = context.reportRatio(
        selectLine + " [yardstick: one pass over Werte]", times, "sqlite3 one pass");
    context.targetRatioAtMost("select 58 vs same statements", same, 1.2);
    context.targetRatioAtMost("select 58 vs one pass over Werte", yardstick, 3.0);

    // --- the value list of one appliance, alternating between two of 58's
    const int rows[2] = {1, 2};
    QStringList valueStatements[2];
    for (int i : {0, 1})
        valueStatements[i] = recordSelection(appliances, rows[i], 2);
    // Each round shows the value lists of the two appliances twice.
    const auto shellWork = [&] {
        QString work;
        for (int i = 0; i < 4; ++i)
            work += ShellTiming::script(valueStatements[i % 2]);
        return work;
    };
    const QString valueWork = shellWork();
    onePass.clear();
    times = context.paired(
        context.rounds(5),
        [&] {
            double seconds = 0;
            for (int i = 0; i < 4; ++i)
                seconds += selectRow(appliances, rows[i % 2], 2);
            return seconds;
        },
        [&] {
            QString passes;
            for (int i = 0; i < 4; ++i)
                passes += BenchContext::onePassOverWerte() + "\n";
            onePass << context.shellSeconds(file, QString(), passes);
            return context.shellSeconds(file, QString(), valueWork);
        });
    const QString valueLine = QStringLiteral("value list of one appliance in the window");
    context.reportRatio(valueLine, times, "sqlite3 same statements",
                        QStringLiteral("4 selections per round, %1 statements each")
                            .arg(valueStatements[0].size()));
    times.baseline = onePass;
    const PairedSummary valueYardstick = context.reportRatio(
        valueLine + " [yardstick: one pass over Werte]", times, "sqlite3 one pass");
    context.targetRatioAtMost("value list vs one pass over Werte", valueYardstick, 2.0);

    // --- holding the arrow key through 200 appliances of 58: the value list
    // is read once, when the row rests, not once per row
    auto *values = window.findChild<QTableView *>(QStringLiteral("tableAGWerte"));
    if (!values)
        return;
    times = context.paired(
        context.rounds(3), [&] { return walkRows(appliances, values->model(), 200); },
        [&] { return context.shellSeconds(file, QString(), ShellTiming::script(valueStatements[0])); });
    const PairedSummary walking = context.reportRatio(
        QStringLiteral("walking 200 rows of the appliance list with the arrow key"), times,
        "sqlite3 one value list",
        QStringLiteral("200 key presses, then the rest of %1 ms and one value list").arg(RestingFollower::kRestMs));
    context.targetSecondsAtMost("walking 200 appliances (arrow key held)", walking.oursMedian, 0.5);
}
