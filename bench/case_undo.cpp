// Undo and redo of the delete of 200 appliances of manufacturer 58 with
// their value sets, through the real model and the real undo history,
// journaling on; against the delete itself. And what the recording adds to
// the delete: the same delete with and without a history that records.
#include "benchcase.h"
#include "dbconnections.h"
#include "geraetemodel.h"
#include "testsupport.h"
#include "undohistory.h"

#include <QElapsedTimer>

#include <memory>

namespace {

struct Stage
{
    enum Phase { Delete, Undo, Redo };
};

// Opens a fresh copy, deletes the first 200 appliances of manufacturer 58
// (recorded when record is set), then undoes and redoes as far as phase;
// returns the seconds of that last phase.
double runUntil(BenchContext &context, Stage::Phase phase, bool record)
{
    const QString file = context.copyOfLargeDatabase(QStringLiteral("undo"));
    BenchContext::useManufacturer58(file);
    TestSupport::openKolvex(file, true);
    std::unique_ptr<UndoHistory> history;
    if (record) {
        history.reset(new UndoHistory);
        history->startFor(file, false);
    }
    QList<int> rows;
    for (int row = 0; row < 200; ++row)
        rows << row;
    double seconds = 0;
    QElapsedTimer timer;
    {
        GeraeteModel model;
        model.selectAppliances();
        timer.start();
        QMetaObject::invokeMethod(&model, "datenLoeschen", Qt::DirectConnection, Q_ARG(QList<int>, rows));
        seconds = timer.nsecsElapsed() / 1e9;
    }
    if (phase >= Stage::Undo) {
        timer.restart();
        if (!history->undo())
            qWarning("undo failed");
        seconds = timer.nsecsElapsed() / 1e9;
    }
    if (phase >= Stage::Redo) {
        timer.restart();
        if (!history->redo())
            qWarning("redo failed");
        seconds = timer.nsecsElapsed() / 1e9;
    }
    history.reset();
    TestSupport::closeAllConnections();
    return seconds;
}

} // namespace

KOLVEX_BENCH_CASE(undoRedo)
{
    const int rounds = context.rounds(3);
    const PairedSummary recording = context.reportRatio(
        "delete 200 appliances with undo recording (GeraeteModel::datenLoeschen)",
        context.paired(rounds, [&] { return runUntil(context, Stage::Delete, true); },
                       [&] { return runUntil(context, Stage::Delete, false); }),
        "the same delete without recording");
    context.targetRatioAtMost("delete 200, recording vs none", recording, 1.2);
    const PairedSummary undo = context.reportRatio(
        "undo of the delete of 200 appliances (UndoHistory::undo)",
        context.paired(rounds, [&] { return runUntil(context, Stage::Undo, true); },
                       [&] { return runUntil(context, Stage::Delete, true); }),
        "the delete itself, recorded");
    context.targetRatioAtMost("undo delete 200 vs the delete", undo, 1.5);
    const PairedSummary redo = context.reportRatio(
        "redo of the delete of 200 appliances (UndoHistory::redo)",
        context.paired(rounds, [&] { return runUntil(context, Stage::Redo, true); },
                       [&] { return runUntil(context, Stage::Delete, true); }),
        "the delete itself, recorded");
    context.targetRatioAtMost("redo delete 200 vs the delete", redo, 1.5);
}
