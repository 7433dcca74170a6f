// The backup of the large database file as the backup action takes it
// (DatabaseBackup::copyTo on the open connection), against the sqlite3
// shell's .backup of the same file.
#include "benchcase.h"
#include "databasebackup.h"
#include "dbconnections.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

KOLVEX_BENCH_CASE(backup)
{
    const QString file = context.copyOfLargeDatabase("backup");
    const QString oursTarget = context.scratchDir() + "/backup/ours-backup.glo";
    const QString shellTarget = context.scratchDir() + "/backup/shell-backup.glo";
    TestSupport::openKolvex(file, false);
    int failed = 0;
    const PairedTimes times = context.paired(
        context.rounds(5),
        [&] {
            QFile::remove(oursTarget);
            QElapsedTimer timer;
            timer.start();
            if (DatabaseBackup().copyTo(kolvexDb(), oursTarget) != DatabaseBackup::Written)
                ++failed;
            return timer.nsecsElapsed() / 1e9;
        },
        [&] {
            QFile::remove(shellTarget);
            return context.shellSeconds(file, QString(),
                                        QStringLiteral(".backup '%1'\n").arg(shellTarget));
        });
    QString note = QStringLiteral("ours: DatabaseBackup::copyTo on the open connection");
    if (failed)
        note += QStringLiteral("; %1 backups FAILED").arg(failed);
    const PairedSummary summary = context.reportRatio(
        QStringLiteral("backup of the large file (%1 MB)")
            .arg(QFileInfo(file).size() / 1048576.0, 0, 'f', 1),
        times, "sqlite3 .backup", note);
    context.targetRatioAtMost("backup vs .backup", summary, 1.5);
}
