#include "journalcommitstate.h"

#include "changejournal.h"
#include "filesync.h"
#include "sqltext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

const char kSchema[] = "kolvexjournal";

QString tr(const char *text)
{
    return QCoreApplication::translate("JournalCommitState", text);
}

} // namespace

QString JournalCommitState::statePath(const ChangeJournal &journal)
{
    return QFileInfo(journal.path()).absolutePath() + QStringLiteral("/journal.state");
}

bool JournalCommitState::isAttached(QSqlDatabase db)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("SELECT 1 FROM pragma_database_list WHERE name='%1'")
                          .arg(QLatin1String(kSchema)))
        && query.next();
}

qint64 JournalCommitState::recordedSize(QSqlDatabase db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT committed FROM %1.journalstate")
                        .arg(QLatin1String(kSchema)))
        || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

QString JournalCommitState::attachAndRepair(QSqlDatabase db, const ChangeJournal &journal)
{
    if (journal.path().isEmpty() || !journal.isActive() || !db.isOpen() || isAttached(db))
        return QString();
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("ATTACH DATABASE %1 AS %2")
                        .arg(quotedText(statePath(journal)), QLatin1String(kSchema)))
        || !query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1.journalstate "
                                      "(committed INTEGER NOT NULL)")
                           .arg(QLatin1String(kSchema)))) {
        return tr("Änderungsprotokoll: Stand nicht lesbar (%1)")
            .arg(query.lastError().databaseText());
    }
    const QFileInfo journalFile(journal.path());
    const qint64 size = journalFile.isFile() ? journalFile.size() : 0;
    const qint64 committed = recordedSize(db);
    if (committed < 0) {
        query.exec(QStringLiteral("INSERT INTO %1.journalstate (committed) VALUES (%2)")
                       .arg(QLatin1String(kSchema))
                       .arg(size));
        return QString();
    }
    if (size > committed)
        return moveTailAside(journal, committed);
    if (size < committed)
        return tr("Änderungsprotokoll ist kürzer als gespeichert (%1 statt %2 Bytes): "
                  "Änderungen fehlen darin.")
            .arg(size)
            .arg(committed);
    return QString();
}

// The lines of a change that never reached the file go into
// "journal.sql.nicht-gespeichert-<time>"; the journal ends where the last
// commit left it.
QString JournalCommitState::moveTailAside(const ChangeJournal &journal, qint64 committed)
{
    QFile file(journal.path());
    if (!file.open(QIODevice::ReadWrite) || !file.seek(committed))
        return tr("Änderungsprotokoll enthält nicht gespeicherte Änderungen, "
                  "kann aber nicht gekürzt werden: %1")
            .arg(file.errorString());
    const QByteArray tail = file.readAll();
    const QString asidePath = journal.path() + QStringLiteral(".nicht-gespeichert-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss-zzz"));
    QFile aside(asidePath);
    QString reason;
    if (!aside.open(QIODevice::WriteOnly) || aside.write(tail) != tail.size()
        || !syncFileToDisk(aside, &reason)) {
        aside.remove();
        return tr("Änderungsprotokoll enthält nicht gespeicherte Änderungen, "
                  "kann aber nicht gekürzt werden: %1")
            .arg(reason.isEmpty() ? aside.errorString() : reason);
    }
    aside.close();
    if (!file.resize(committed) || !syncFileToDisk(file))
        return tr("Änderungsprotokoll kann nicht gekürzt werden: %1").arg(file.errorString());
    return tr("Änderungsprotokoll enthielt Änderungen, die nie in die Datei gelangten; "
              "sie liegen jetzt in '%1'.")
        .arg(QFileInfo(asidePath).fileName());
}

bool JournalCommitState::record(QSqlDatabase db, qint64 size, QString *error)
{
    if (!isAttached(db))
        return true;
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("UPDATE %1.journalstate SET committed=%2")
                       .arg(QLatin1String(kSchema))
                       .arg(size))
        && query.numRowsAffected() == 1)
        return true;
    if (error)
        *error = query.lastError().isValid() ? query.lastError().databaseText()
                                             : tr("Stand des Änderungsprotokolls fehlt");
    return false;
}
