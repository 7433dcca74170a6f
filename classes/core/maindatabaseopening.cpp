#include "maindatabaseopening.h"

#include "appsettings.h"
#include "aufsatzcache.h"
#include "changejournal.h"
#include "changereport.h"
#include "databasefilecheck.h"
#include "dbconnections.h"
#include "idtable.h"
#include "importprogressmarker.h"
#include "journalcommitstate.h"
#include "leftovercleanup.h"
#include "undohistory.h"

#include <QDir>
#include <QFileInfo>

MainDatabaseOpening MainDatabaseOpening::open(const QString &file, bool readOnly)
{
    MainDatabaseOpening opening;
    opening.error = checkKolvexDatabaseFile(file, readOnly);
    if (opening.error.isValid()) {
        opening.refused = true;
        return opening;
    }
    opening.openMainFile(file, readOnly);
    if (opening.opened) {
        AppSettings::instance()->dbFile = file;
        if (!readOnly) {
            opening.repairJournal();
            LeftoverCleanup::removeIn(QFileInfo(file).absolutePath());
        }
        AppSettings::instance()->aufsatzCache.readFrom(kolvexDb());
        const QSqlError companionError = openCompanion(file, readOnly);
        if (companionError.isValid())
            opening.error = companionError;
        const QString importNotice = ImportProgressMarker::interruptedNotice(
            QFileInfo(file).absoluteDir().absolutePath() + QStringLiteral("/kolvex3.glo"));
        if (!importNotice.isEmpty())
            ChangeReport::instance()->openingNotice(importNotice);
    }
    // Steps of the file given up cannot be taken back in this one.
    UndoHistory::instance()->startFor(opening.opened ? file : QString(), readOnly || !opening.opened);
    return opening;
}

void MainDatabaseOpening::openMainFile(const QString &file, bool readOnly)
{
    removeAllConnections();
    error = openSqliteConnection(QLatin1String(kKolvexConnection), file, /*mustExist=*/true,
                                 readOnly);
    if (!error.isValid()) {
        // Without its id table no record could be added: a database that
        // does not get one (the file was locked meanwhile) is not kept open.
        QSqlError idTableError;
        if (!createIdTable(kolvexDb(), &idTableError)) {
            error = databaseFileError(describeDatabaseError(idTableError, file));
            removeAllConnections();
        }
    } else {
        error = databaseFileError(describeDatabaseError(error, file));
    }
    opened = !error.isValid();
}

// A crash between the journal's sync and the commit left lines of a change
// the file never got; they are put aside and the user is told.
void MainDatabaseOpening::repairJournal()
{
    journalNotice =
        JournalCommitState::attachAndRepair(kolvexDb(), AppSettings::instance()->journal());
    if (!journalNotice.isEmpty())
        ChangeReport::instance()->openingNotice(journalNotice);
}

// Beside a main file that is only read nothing is created: a missing
// companion stays unopened.
QSqlError MainDatabaseOpening::openCompanion(const QString &mainFile, bool mainReadOnly)
{
    const QString file =
        QFileInfo(mainFile).absoluteDir().absolutePath() + QStringLiteral("/kolvex3.glo");
    const bool exists = QFileInfo(file).isFile();
    const bool readOnly = mainReadOnly || (exists && !isWritableDatabaseFile(file));
    if (readOnly && !exists)
        return QSqlError();
    return openSqliteConnection(QLatin1String(kQuarnelConnection), file,
                                /*mustExist=*/readOnly, readOnly);
}
