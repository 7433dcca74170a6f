// The derivation of the thermal resistances and wall thicknesses of the
// 10,000 generated cross-sections, on a companion file whose QUERSCHN,
// BAUART and MATKENNW were just imported, against the statements the
// derivation ran, replayed in the sqlite3 shell.
#include "benchcase.h"
#include "crosssectionderivation.h"
#include "dbconnections.h"
#include "quarnelexportfile.h"
#include "quarneltableimport.h"
#include "shelltiming.h"
#include "statementrecorder.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <memory>

namespace {

// A companion file with the tables the derivation reads, imported but not
// yet derived.
bool buildTemplate(BenchContext &context, const QString &target)
{
    QFile::remove(target);
    if (!QFile::copy(context.largeQuarnelDatabase(), target))
        return false;
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    removeAllConnections();
    if (openSqliteConnection(QLatin1String(kQuarnelConnection), target, true).isValid())
        return false;
    bool ok = true;
    for (const char *table : {"BAUART", "MATKENNW", "QUERSCHN"}) {
        const QString path = context.quarnelExportDir() + "/" + table + ".txt";
        QStringList names;
        if (!QuarnelExportFile(path).readFieldNames(&names))
            return false;
        QuarnelTableImport import(quarnelDb(), QLatin1String(table), path, names);
        ok = ok && import.run() == QuarnelTableImport::Imported;
    }
    removeAllConnections();
    return ok;
}

QString freshCopy(const QString &from, const QString &dir)
{
    QDir().mkpath(dir);
    const QString target = dir + "/kolvex3.glo";
    QFile::remove(target);
    QFile::copy(from, target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

// Runs the derivation on db and returns its seconds; the first run (with
// statements still empty) records what it does, for the shell.
double deriveTimed(QSqlDatabase db, QStringList &statements, int *messages)
{
    std::unique_ptr<StatementRecorder> recorder;
    if (statements.isEmpty())
        recorder.reset(new StatementRecorder(db));
    QElapsedTimer timer;
    timer.start();
    *messages = CrossSectionDerivation(db).run().size();
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (recorder)
        statements = recorder->statements();
    return seconds;
}

} // namespace

KOLVEX_BENCH_CASE(crossSectionDerivation)
{
    const QString templateFile = context.scratchDir() + "/derivation-template.glo";
    if (!buildTemplate(context, templateFile)) {
        context.reportValue("derivation of 10,000 cross-sections",
                            "NOT MEASURED: the cross-sections could not be imported");
        context.targetNotMeasured("derivation vs same statements", "<= 1.5x", "import failed");
        return;
    }
    QStringList statements;
    int derived = 0;
    int messages = 0;
    QString rows;
    const PairedTimes times = context.paired(
        context.rounds(3),
        [&] {
            const QString file = freshCopy(templateFile, context.scratchDir() + "/derive-ours");
            openSqliteConnection(QLatin1String(kQuarnelConnection), file, true);
            const double seconds = deriveTimed(quarnelDb(), statements, &messages);
            rows = TestSupport::scalar(quarnelDb(), "SELECT count(*) FROM QUERSCHN");
            derived = TestSupport::scalar(
                          quarnelDb(), "SELECT count(*) FROM QUERSCHN WHERE WdwInnen IS NOT NULL")
                          .toInt();
            removeAllConnections();
            return seconds;
        },
        [&] {
            const QString file = freshCopy(templateFile, context.scratchDir() + "/derive-shell");
            return context.shellSeconds(file, QString(), ShellTiming::script(statements));
        });
    const PairedSummary summary = context.reportRatio(
        QStringLiteral("derivation of %1 cross-sections").arg(rows), times,
        "sqlite3 same statements",
        QStringLiteral("%1 derived, %2 messages, %3 statements (recorded in round 1)")
            .arg(derived)
            .arg(messages)
            .arg(statements.size()));
    context.targetRatioAtMost("derivation vs same statements", summary, 1.5);
}
