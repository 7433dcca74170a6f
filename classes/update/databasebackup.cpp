#include "databasebackup.h"

#include "databasefilecheck.h"
#include "dbconnections.h"
#include "filesync.h"
#include "statementinthread.h"
#include "workprogress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QVariant>

namespace {

const char kCopyConnection[] = "KolvexCopySource";

QString tr(const char *text)
{
    return QCoreApplication::translate("DatabaseBackup", text);
}

// SQLite does not sync the file VACUUM INTO writes; a backup must be on the
// disk before it replaces the previous one.
bool syncToDisk(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && syncFileToDisk(file);
}

// What SQLite leaves beside a copy it could not finish.
void removePartialCopy(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// Failures that lie with the file being written rather than the source.
bool isWriteError(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    constexpr int kPerm = 3, kReadOnly = 8, kIoErr = 10, kFull = 13, kCantOpen = 14;
    return code == kPerm || code == kReadOnly || code == kIoErr || code == kFull
           || code == kCantOpen;
}

bool sameFile(const QString &a, const QString &b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

} // namespace

bool DatabaseBackup::fail(const QString &text)
{
    m_sqliteCode = 0;
    m_error = text;
    return false;
}

bool DatabaseBackup::writeSnapshot(QSqlDatabase db, const QString &path,
                                   const QString &sourceName, const QString &targetName,
                                   bool besideTheWindow)
{
    // The user's backup of the open file runs beside the window, which shows
    // how far it got. (A file left mid-change must be copied through db: only
    // that connection may roll its journal back.)
    const QString file = db.databaseName();
    const qint64 fileSize = QFileInfo(file).size();
    bool written = false;
    QSqlError error;
    if (besideTheWindow && QFileInfo(file).isFile() && fileSize > 0) {
        WorkProgress progress(tr("Sicherung wird geschrieben …"), 100, false);
        StatementInThread copy;
        written = copy.run(file, db.connectOptions(), QStringLiteral("VACUUM INTO ?"),
                           {QDir::toNativeSeparators(path)}, progress,
                           [&] { return int(QFileInfo(path).size() * 100 / fileSize); });
        error = copy.error();
    } else {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("VACUUM INTO ?"));
        query.addBindValue(QDir::toNativeSeparators(path));
        written = query.exec();
        error = query.lastError();
    }
    if (!written) {
        removePartialCopy(path);
        if (isWriteError(error) && !isLockError(error))
            fail(tr("Die Sicherung '%1' konnte nicht geschrieben werden: %2")
                     .arg(targetName, error.text().trimmed()));
        else
            fail(describeDatabaseError(error, sourceName));
        m_sqliteCode = error.nativeErrorCode().toInt() & 0xff;
        return false;
    }
    return true;
}

DatabaseBackup::Result DatabaseBackup::copyTo(QSqlDatabase db, const QString &target)
{
    m_error.clear();
    if (!db.isOpen()) {
        fail(tr("Keine Datenbank geöffnet."));
        return Failed;
    }
    const QString source = db.databaseName();
    if (sameFile(source, target)) {
        fail(tr("Die Sicherung kann nicht die geöffnete Datenbank '%1' selbst ersetzen.")
                 .arg(target));
        return Failed;
    }
    const QFileInfo targetInfo(target);
    if (!targetInfo.absoluteDir().exists()) {
        fail(tr("Den Ordner '%1' gibt es nicht.").arg(targetInfo.absolutePath()));
        return Failed;
    }

    // A unique name beside the target; SQLite fills the empty file.
    QString partial;
    {
        QTemporaryFile reserve(targetInfo.absoluteFilePath() + QStringLiteral(".XXXXXX.part"));
        reserve.setAutoRemove(false);
        if (!reserve.open()) {
            fail(tr("Die Datei '%1' kann nicht angelegt werden: %2")
                     .arg(reserve.fileTemplate(), reserve.errorString()));
            return Failed;
        }
        partial = reserve.fileName();
    }
    // Whoever may open the database may open its backup; the copy itself
    // is written through the owner's write permission.
    const QFileDevice::Permissions permissions = QFileInfo(source).permissions();
    QFile::setPermissions(partial, permissions | QFileDevice::WriteOwner);
    if (!writeSnapshot(db, partial, source, target, /*besideTheWindow=*/true))
        return Failed;
    if (!syncToDisk(partial) || !QFile::setPermissions(partial, permissions)) {
        removePartialCopy(partial);
        fail(tr("Die Sicherung '%1' konnte nicht vollständig geschrieben werden.").arg(target));
        return Failed;
    }

    // Only now may an earlier backup under the target name go.
    if (QFileInfo::exists(target) || targetInfo.isSymLink()) {
        if (!QFile::remove(target)) {
            QFile::remove(partial);
            return TargetNotRemovable;
        }
    }
    if (!QFile::rename(partial, target)) {
        fail(tr("Die Sicherung liegt vollständig unter '%1', konnte aber nicht in '%2' "
                "umbenannt werden.")
                 .arg(partial, target));
        return Failed;
    }
    return Written;
}

bool DatabaseBackup::copyFile(const QString &source, const QString &copy)
{
    m_error.clear();
    if (!QFileInfo(source).isFile())
        return fail(tr("Die Datei '%1' existiert nicht.").arg(source));
    if (snapshotOfFile(source, copy, /*readOnly=*/true, source))
        return true;
    // A program that ended in the middle of a change leaves its rollback
    // journal ("hot"); a read-only connection cannot roll it back and says
    // the database is read-only. A journal in use comes with a lock instead.
    constexpr int kSqliteReadOnly = 8;
    if (m_sqliteCode == kSqliteReadOnly
        && QFileInfo(source + QStringLiteral("-journal")).size() > 0)
        return copyRollingBack(source, copy);
    return false;
}

bool DatabaseBackup::snapshotOfFile(const QString &file, const QString &copy, bool readOnly,
                                    const QString &shownName)
{
    const QString name = QLatin1String(kCopyConnection);
    const QSqlError error = openSqliteConnection(name, file, /*mustExist=*/true, readOnly);
    if (error.isValid())
        return fail(describeDatabaseError(error, shownName));
    bool ok;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        ok = writeSnapshot(db, copy, shownName, copy, /*besideTheWindow=*/false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool DatabaseBackup::copyRollingBack(const QString &source, const QString &copy)
{
    // File and journal are copied byte for byte and SQLite rolls the
    // journal back on the private pair; source stays as it is.
    const QString raw = copy + QStringLiteral(".raw");
    const QString rawJournal = raw + QStringLiteral("-journal");
    removePartialCopy(raw);
    const bool ok = QFile::copy(source, raw)
                    && QFile::copy(source + QStringLiteral("-journal"), rawJournal)
                    && QFile::setPermissions(raw, QFileDevice::ReadOwner | QFileDevice::WriteOwner)
                    && QFile::setPermissions(rawJournal,
                                             QFileDevice::ReadOwner | QFileDevice::WriteOwner)
                    && snapshotOfFile(raw, copy, /*readOnly=*/false, source);
    removePartialCopy(raw);
    if (ok)
        return true;
    return fail(tr("Die Datei '%1' wurde mitten in einer Änderung verlassen (das Programm des "
                   "Herstellers wurde dabei beendet) und kann so nicht gelesen werden. Bitte "
                   "die Datei einmal mit dem Programm des Herstellers öffnen und schließen und "
                   "dann erneut einlesen.")
                    .arg(source));
}
