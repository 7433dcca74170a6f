// The backup of the large database file, against the sqlite3 shell's
// .backup of the same file.
//
// Where the code offers DatabaseBackup (a consistent copy taken through the
// open connection), this line times its copyTo as the backup action calls
// it; otherwise the backup action is a plain copy of the file, and the line
// times that copy.
#include "benchcase.h"
#include "dbconnections.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#if __has_include("databasebackup.h")
#include "databasebackup.h"
#define KOLVEX_BENCH_HAVE_DATABASE_BACKUP 1
#endif

namespace {

// Our backup of file to target; false when it failed.
bool backUp(const QString &file, const QString &target)
{
#ifdef KOLVEX_BENCH_HAVE_DATABASE_BACKUP
    Q_UNUSED(file)
    DatabaseBackup backup;
    return backup.copyTo(kolvexDb(), target) == DatabaseBackup::Written;
#else
    return QFile::copy(file, target);
#endif
}

#ifdef KOLVEX_BENCH_HAVE_DATABASE_BACKUP
const char *const kHow = "DatabaseBackup::copyTo on the open connection, as the backup action does";
#else
const char *const kHow = "plain file copy, as the backup action does";
#endif

} // namespace

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
            if (!backUp(file, oursTarget))
                ++failed;
            return timer.nsecsElapsed() / 1e9;
        },
        [&] {
            QFile::remove(shellTarget);
            return context.shellSeconds(file, QString(),
                                        QStringLiteral(".backup '%1'\n").arg(shellTarget));
        });
    QString note = QStringLiteral("ours: %1").arg(QLatin1String(kHow));
    if (failed)
        note += QStringLiteral("; %1 backups FAILED").arg(failed);
    const PairedSummary summary = context.reportRatio(
        QStringLiteral("backup of the large file (%1 MB)")
            .arg(QFileInfo(file).size() / 1048576.0, 0, 'f', 1),
        times, "sqlite3 .backup", note);
    context.targetRatioAtMost("backup vs .backup", summary, 1.5);
}
