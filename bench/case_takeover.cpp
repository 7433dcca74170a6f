// Taking over a returned file of manufacturer 58 on the large database:
// the comparison (200 changed, 100 new, 50 deleted value sets) against its
// absolute target, and the apply with journaling on against the sqlite3
// shell running the same statements in one transaction. The undo history
// records, as it does for every file opened in the window: the take-over is
// one undo step.
#include "appsettings.h"
#include "benchcase.h"
#include "dbconnections.h"
#include "manufacturertakeover.h"
#include "shelltiming.h"
#include "testsupport.h"
#include "undohistory.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const char kManufacturerScope[] =
    "SELECT WerteId FROM Werte WHERE Geraet IN (SELECT TirmaId FROM Geraete WHERE HrstId=58 AND "
    "NOT coalesce(hand,0)) AND NOT coalesce(hand,0) ORDER BY WerteId";

constexpr int kExpectedLines = 350;

// The manufacturer's file: a copy of the large file with its changes. The new
// sets get ids past every id of the file (900000 on at scale 1, where they
// are free; the larger files use those ids themselves).
QString returnedFile(BenchContext &context)
{
    const QString file = context.scratchDir() + "/takeover-returned.glo";
    if (QFileInfo::exists(file))
        return file;
    QFile::copy(context.largeDatabase(), file);
    const QString scope = QString::fromLatin1(kManufacturerScope);
    TestSupport::runSqlite3(
        file, "BEGIN;\n"
              "UPDATE Werte SET TW=TW+1.5 WHERE WerteId IN (" + scope + " LIMIT 200);\n"
              "INSERT INTO Werte (WerteId,Geraet,Bemerkung,TW) SELECT WerteId+(SELECT max(900000,"
              "max(WerteId)) FROM Werte),Geraet,'neu',1 "
              "FROM Werte WHERE WerteId IN (" + scope + " LIMIT 100 OFFSET 500);\n"
              "DELETE FROM Werte WHERE WerteId IN (" + scope + " LIMIT 50 OFFSET 1000);\n"
              "COMMIT;\n");
    return file;
}

void useMaintenanceEdition(const QString &file)
{
    AppSettings *settings = AppSettings::instance();
    settings->manufacturerMode = false;
    settings->dbFile = file;
}

} // namespace

KOLVEX_BENCH_CASE(takeOver)
{
    const QString returned = returnedFile(context);
    QList<double> compareSeconds;
    QStringList statements;
    QString outcome;
    const PairedTimes times = context.paired(
        context.rounds(3),
        [&] {
            const QString file = context.copyOfLargeDatabase("takeover-ours");
            QFile::remove(QFileInfo(file).absolutePath() + "/journal.sql");
            for (const QString &script : QDir(QFileInfo(file).absolutePath()).entryList({"*.sql"}))
                QFile::remove(QFileInfo(file).absolutePath() + "/" + script);
            useMaintenanceEdition(file);
            TestSupport::openKolvex(file, false);
            UndoHistory history;
            history.startFor(file, false);
            ManufacturerTakeOver takeOver(58, returned);
            QElapsedTimer timer;
            timer.start();
            const bool compared = takeOver.compare();
            compareSeconds << timer.nsecsElapsed() / 1e9;
            for (int i = 0; compared && i < takeOver.changes().size(); ++i)
                takeOver.setChosen(i, true);
            timer.restart();
            const bool applied = compared && takeOver.apply();
            const double seconds = timer.nsecsElapsed() / 1e9;
            statements = takeOver.statements();
            outcome = applied ? QStringLiteral("%1 lines, %2 statements, %3 journal lines, "
                                               "%4 undo step(s)")
                                    .arg(takeOver.changes().size())
                                    .arg(statements.size())
                                    .arg(TestSupport::journalLines(file).size())
                                    .arg(history.undoCount())
                              : QStringLiteral("TAKE-OVER FAILED: ") + takeOver.errorText();
            if (applied && takeOver.changes().size() != kExpectedLines)
                outcome += QStringLiteral(" -- EXPECTED %1 LINES").arg(kExpectedLines);
            if (applied && history.undoCount() != 1)
                outcome += QStringLiteral(" -- EXPECTED ONE UNDO STEP");
            TestSupport::closeAllConnections();
            return seconds;
        },
        [&] {
            const QString file = context.copyOfLargeDatabase("takeover-shell");
            return context.shellSeconds(file, QString(),
                                        "BEGIN;\n" + ShellTiming::script(statements) + "COMMIT;\n");
        });
    std::sort(compareSeconds.begin(), compareSeconds.end());
    const double compareMedian = compareSeconds.isEmpty() ? 0 : compareSeconds.at(compareSeconds.size() / 2);
    context.reportValue("take-over comparison, manufacturer 58 (200 changed, 100 new, 50 deleted)",
                        formatSeconds(compareMedian), outcome);
    context.targetSecondsAtMost("take-over comparison", compareMedian, 2.0);
    const PairedSummary summary = context.reportRatio(
        "take-over apply, manufacturer 58 (ManufacturerTakeOver::apply, journaled)", times,
        "sqlite3 same statements in one transaction", outcome);
    context.targetRatioAtMost("take-over apply vs same statements, 1 transaction", summary, 1.5);
}
