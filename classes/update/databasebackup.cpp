#include "databasebackup.h"

#include "databasefilecheck.h"
#include "dbconnections.h"
#include "filesync.h"

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

bool sameFile(const QString &a, const QString &b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

} // namespace

bool DatabaseBackup::fail(const QString &text)
{
    m_error = text;
    return false;
}

bool DatabaseBackup::writeSnapshot(QSqlDatabase db, const QString &path,
                                   const QString &sourceName)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("VACUUM INTO ?"));
    query.addBindValue(QDir::toNativeSeparators(path));
    if (!query.exec()) {
        const QSqlError error = query.lastError();
        QFile::remove(path);
        return fail(describeDatabaseError(error, sourceName));
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
    if (!writeSnapshot(db, partial, source))
        return Failed;
    if (!syncToDisk(partial)) {
        QFile::remove(partial);
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
    const QString name = QLatin1String(kCopyConnection);
    const QSqlError error = openSqliteConnection(name, source, /*mustExist=*/true,
                                                 /*readOnly=*/true);
    if (error.isValid())
        return fail(describeDatabaseError(error, source));
    bool ok;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        ok = writeSnapshot(db, copy, source);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}
