// The backup of the large database file, against the sqlite3 shell's
// .backup of the same file.
//
// The program's backup today is a plain copy of the file (the main window's
// "Sicherung erstellen" after its file dialog); this line times that copy.
#include "benchcase.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

KOLVEX_BENCH_CASE(backup)
{
    const QString file = context.copyOfLargeDatabase("backup");
    const QString oursTarget = context.scratchDir() + "/backup/ours-backup.glo";
    const QString shellTarget = context.scratchDir() + "/backup/shell-backup.glo";
    bool copied = true;
    const PairedTimes times = context.paired(
        context.rounds(5),
        [&] {
            QFile::remove(oursTarget);
            QElapsedTimer timer;
            timer.start();
            copied = QFile::copy(file, oursTarget) && copied;
            return timer.nsecsElapsed() / 1e9;
        },
        [&] {
            QFile::remove(shellTarget);
            return context.shellSeconds(file, QString(),
                                        QStringLiteral(".backup '%1'\n").arg(shellTarget));
        });
    const PairedSummary summary = context.reportRatio(
        QStringLiteral("backup of the large file (%1 MB)")
            .arg(QFileInfo(file).size() / 1048576.0, 0, 'f', 1),
        times, "sqlite3 .backup",
        QStringLiteral("ours: plain file copy as the backup action does it%1")
            .arg(copied ? QString() : QStringLiteral("; a copy FAILED")));
    context.targetRatioAtMost("backup vs .backup", summary, 1.5);
}
