#include "manufacturerupdateexport.h"

#include "appsettings.h"
#include "databasebackup.h"
#include "dbconnections.h"
#include "sqltext.h"
#include "tiedprocess.h"
#include "updaterenumbering.h"
#include "updatescriptpath.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace {

constexpr int kShellStartTimeoutMs = 30000;

QString tr(const char *text)
{
    return QCoreApplication::translate("ManufacturerUpdateExport", text);
}

bool hasTable(QSqlDatabase db, const QString &name)
{
    const QStringList tables = db.tables(QSql::Tables);
    for (const QString &table : tables)
        if (table.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool exec(QSqlDatabase db, const QString &sql, QString *error = nullptr)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    if (error)
        *error = QStringLiteral("%1 (%2)").arg(sql, query.lastError().text());
    return false;
}

// Commits, or rolls back and returns false when commit fails.
bool commitOrRollBack(QSqlDatabase db, QString *error)
{
    if (db.commit())
        return true;
    if (error)
        *error = db.lastError().text();
    db.rollback();
    return false;
}

} // namespace

ManufacturerUpdateExport::ManufacturerUpdateExport(qint64 manufacturerId, const QString &name,
                                                   const QString &mainDbFile)
    : m_manufacturerId(manufacturerId)
    , m_name(name)
    , m_mainDbFile(mainDbFile)
    , m_date(QDate::currentDate())
{
}

ManufacturerUpdateExport::Result ManufacturerUpdateExport::run(const QString &updateFile)
{
    m_date = QDate::currentDate();
    m_error.clear();
    m_scriptPath.clear();
    AppSettings *settings = AppSettings::instance();
    const qint64 rememberedManufacturer = settings->currentManufacturerId;
    settings->currentManufacturerId = m_manufacturerId;

    Result result;
    {
        // Working copy and script take plain ASCII names in a folder of
        // their own beside the script, removed at the end: the shell then
        // finds them whatever the platform's file name encoding is.
        QTemporaryDir work(QDir(workingDirectory()).filePath(QStringLiteral(".kolvexupdate-XXXXXX")));
        const QString copy = work.filePath(QStringLiteral("update.glo"));
        DatabaseBackup backup;
        // The driver would create an empty database at a path that does
        // not exist; such a path cannot be an update.
        if (!QFileInfo(updateFile).isFile())
            result = failWith(CannotOpen, tr("Die Datei '%1' existiert nicht.").arg(updateFile));
        else if (!work.isValid())
            result = failWith(CannotOpen, tr("Im Ordner %1 kann keine Arbeitskopie angelegt "
                                             "werden: %2")
                                              .arg(workingDirectory(), work.errorString()));
        // The renumbering works on a copy: the manufacturer's file is only read.
        else if (!backup.copyFile(updateFile, copy))
            result = failWith(CannotOpen, backup.errorText());
        else
            result = exportCopy(copy, work.path());
        QSqlDatabase::removeDatabase(QLatin1String(kUpdateConnection));
    }
    qDebug() << "Hersteller-Update" << m_manufacturerId << "vorher" << rememberedManufacturer;
    settings->currentManufacturerId = rememberedManufacturer;
    return result;
}

ManufacturerUpdateExport::Result ManufacturerUpdateExport::exportCopy(const QString &copy,
                                                                      const QString &workDir)
{
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(kUpdateConnection));
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT"));
    db.setDatabaseName(copy);
    Result result;
    if (!db.open())
        result = failWith(CannotOpen, db.lastError().text());
    else
        result = exportFrom(db, copy, workDir);
    db.close();
    return result;
}

ManufacturerUpdateExport::Result ManufacturerUpdateExport::exportFrom(QSqlDatabase db,
                                                                      const QString &copy,
                                                                      const QString &workDir)
{
    {
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
            return failWith(CannotOpen, probe.lastError().text());
    }
    // An older version of this export may have left the file's tables
    // aside; the copy then gets them back before anything is read.
    if (!recoverSavedTables(db))
        return failWith(PreparationFailed,
                        tr("Die Tabellen GeraeteSave und WerteSave eines abgebrochenen Laufs "
                           "konnten nicht zurückgestellt werden: %1")
                            .arg(db.lastError().text()));
    if (!hasTable(db, QStringLiteral("Geraete")) || !hasTable(db, QStringLiteral("Werte")))
        return failWith(NotAnUpdateFile,
                        tr("Die Datei enthält nicht die Tabellen Geraete und Werte."));
    m_mainAttached = attachMainFile(db);
    const bool prepared = prepareTables(db);
    if (prepared)
        noteWhatTheScriptLeavesOut(db);
    if (m_mainAttached)
        exec(db, QStringLiteral("DETACH DATABASE kxmain"));
    if (!prepared)
        return PreparationFailed;
    return runShell(copy, workDir);
}

// The main file, read-only beside the working copy: the renumbering then
// chooses ids free in both files, and the caveats compare with it.
bool ManufacturerUpdateExport::attachMainFile(QSqlDatabase db)
{
    if (!QFileInfo(m_mainDbFile).isFile())
        return false;
    const QString uri = QUrl::fromLocalFile(QFileInfo(m_mainDbFile).absoluteFilePath())
                            .toString(QUrl::FullyEncoded)
                        + QStringLiteral("?mode=ro");
    return exec(db, QStringLiteral("ATTACH DATABASE %1 AS kxmain").arg(quotedText(uri)));
}

// A script of inserts carries only new records: say what it leaves out.
void ManufacturerUpdateExport::noteWhatTheScriptLeavesOut(QSqlDatabase db)
{
    m_caveats.clear();
    auto count = [&db](const QString &sql) {
        QSqlQuery query(db);
        return query.exec(sql) && query.next() ? query.value(0).toInt() : 0;
    };
    if (m_mainAttached) {
        const QString scope = QStringLiteral("HrstId=%1 AND NOT coalesce(hand,0)").arg(m_manufacturerId);
        const int present = count(QStringLiteral("SELECT count(*) FROM Geraete WHERE TirmaId IN "
                                                 "(SELECT TirmaId FROM kxmain.Geraete)"))
                            + count(QStringLiteral("SELECT count(*) FROM Werte WHERE WerteId IN "
                                                   "(SELECT WerteId FROM kxmain.Werte)"));
        const int missing =
            count(QStringLiteral("SELECT count(*) FROM kxmain.Geraete WHERE %1 AND TirmaId NOT IN "
                                 "(SELECT TirmaId FROM GeraeteSave)")
                      .arg(scope));
        if (present > 0)
            m_caveats << tr("%1 Datensätze gibt es in der Hauptdatei schon: ihre INSERTs "
                            "schlagen fehl, Änderungen daran trägt das Skript nicht.")
                             .arg(present);
        if (missing > 0)
            m_caveats << tr("%1 Feuerstätten fehlen in der Datei des Herstellers: Löschungen "
                            "trägt das Skript nicht.")
                             .arg(missing);
    }
    const AppSettings *settings = AppSettings::instance();
    const QPair<qint64, qint64> low = settings->idRangeLow.value(m_manufacturerId);
    const QPair<qint64, qint64> high = settings->idRangeHigh.value(m_manufacturerId);
    const int outside =
        count(QStringLiteral("SELECT count(*) FROM Geraete WHERE TirmaId<%1 OR TirmaId>%2")
                  .arg(low.first)
                  .arg(high.first))
        + count(QStringLiteral("SELECT count(*) FROM Werte WHERE WerteId<%1 OR WerteId>%2")
                    .arg(low.second)
                    .arg(high.second));
    if (outside > 0)
        m_caveats << tr("%1 Ids liegen außerhalb des Id-Bereichs des Herstellers.").arg(outside);
    if (!m_caveats.isEmpty())
        m_caveats << tr("Vollständig übernimmt \"Update vom … übernehmen…\".");
}

bool ManufacturerUpdateExport::recoverSavedTables(QSqlDatabase db)
{
    const bool leftGeraete = hasTable(db, QStringLiteral("GeraeteSave"));
    const bool leftWerte = hasTable(db, QStringLiteral("WerteSave"));
    if (!leftGeraete && !leftWerte)
        return true;
    // Only this export creates the two tables, and it always holds the
    // file's own rows in them; what stands under the plain names then is
    // a working copy or nothing.
    if (!db.transaction())
        return false;
    bool ok = true;
    if (leftGeraete) {
        if (hasTable(db, QStringLiteral("Geraete")))
            ok = exec(db, QStringLiteral("Drop Table Geraete"));
        ok = ok && exec(db, QStringLiteral("Alter Table GeraeteSave Rename To Geraete"));
    }
    if (leftWerte) {
        if (ok && hasTable(db, QStringLiteral("Werte")))
            ok = exec(db, QStringLiteral("Drop Table Werte"));
        ok = ok && exec(db, QStringLiteral("Alter Table WerteSave Rename To Werte"));
    }
    if (!ok) {
        db.rollback();
        return false;
    }
    return commitOrRollBack(db, nullptr);
}

bool ManufacturerUpdateExport::prepareTables(QSqlDatabase db)
{
    if (!db.transaction()) {
        m_error = tr("Die Datei kann nicht geändert werden: %1").arg(db.lastError().text());
        return false;
    }
    // Leftovers of earlier runs; missing tables are the normal case.
    exec(db, QStringLiteral("Drop Table GeraeteSave"));
    exec(db, QStringLiteral("Drop Table WerteSave"));

    QString error;
    bool ok = exec(db, QStringLiteral("Alter Table Geraete Rename To GeraeteSave"), &error)
              && exec(db, QStringLiteral("Alter Table Werte Rename To WerteSave"), &error)
              && exec(db,
                      QStringLiteral("CREATE TABLE Geraete AS SELECT * FROM GeraeteSave where NOT "
                                     "coalesce(hand,0) AND HrstId=%1")
                          .arg(m_manufacturerId),
                      &error)
              && exec(db,
                      QStringLiteral("CREATE TABLE Werte AS SELECT * FROM WerteSave WHERE NOT "
                                     "coalesce(hand,0) AND Geraet IN (SELECT TirmaId FROM Geraete)"),
                      &error);
    if (ok) {
        const AppSettings *settings = AppSettings::instance();
        const QPair<qint64, qint64> low = settings->idRangeLow.value(m_manufacturerId);
        const QPair<qint64, qint64> high = settings->idRangeHigh.value(m_manufacturerId);
        UpdateRenumbering renumbering(db, low.first, high.first, low.second, high.second);
        if (m_mainAttached)
            renumbering.setMainSchema(QStringLiteral("kxmain"));
        ok = renumbering.run();
        if (!ok)
            error = renumbering.errorText();
    }
    ok = ok && commitOrRollBack(db, &error);
    if (!ok) {
        db.rollback();
        m_error = tr("Die Tabellen der Datei konnten nicht vorbereitet werden: %1").arg(error);
    }
    return ok;
}

ManufacturerUpdateExport::Result ManufacturerUpdateExport::runShell(const QString &copy,
                                                                    const QString &workDir)
{
    const QString shell = sqliteShell(m_mainDbFile);
    if (shell.isEmpty())
        return failWith(ShellNotStarted, tr("Das SQLite-Programm sqlite3 wurde nicht gefunden."));

    const QDir working(workingDirectory());
    const QString output = QDir(workDir).filePath(QStringLiteral("script.sql"));
    // A shell left running after a crash would hold the working copy.
    TiedProcess process;
    process.setWorkingDirectory(working.absolutePath());
    process.start(shell, {working.relativeFilePath(copy)}, QIODevice::ReadWrite);
    if (!process.waitForStarted(kShellStartTimeoutMs))
        return failWith(ShellNotStarted, tr("Das SQLite-Programm %1 konnte nicht gestartet "
                                            "werden: %2")
                                             .arg(shell, process.errorString()));

    bool written = true;
    for (const QByteArray &command : shellCommands(working.relativeFilePath(output))) {
        if (process.write(command) != command.size()
            || (process.bytesToWrite() > 0 && !process.waitForBytesWritten(-1))) {
            written = false;
            break;
        }
    }
    if (written) {
        // End of input as well: a shell that overlooks ".quit" still ends.
        process.closeWriteChannel();
        process.waitForFinished(-1);
    }
    const bool finishedCleanly = written && process.state() == QProcess::NotRunning
                                 && process.exitStatus() == QProcess::NormalExit
                                 && process.exitCode() == 0;
    const QString messages = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    process.close();

    if (!written)
        return failWith(ShellFailed, tr("Das SQLite-Programm hat die Befehle nicht angenommen."));
    if (!finishedCleanly || !QFileInfo(output).isFile())
        return failWith(ShellFailed, tr("Das SQLite-Programm meldet einen Fehler, das Skript "
                                        "%1 wurde nicht geschrieben: %2")
                                         .arg(scriptPath(), messages));
    // A script of the same day stays; this one gets a suffix.
    m_scriptPath = freeUpdateScriptPath(workingDirectory(), m_name, m_date);
    if (!QFile::rename(output, scriptPath()))
        return failWith(ShellFailed, tr("Das Skript kann nicht unter %1 abgelegt werden.")
                                         .arg(scriptPath()));
    return Exported;
}

ManufacturerUpdateExport::Result ManufacturerUpdateExport::failWith(Result result,
                                                                    const QString &text)
{
    m_error = text;
    return result;
}

QString ManufacturerUpdateExport::workingDirectory() const
{
    return QFileInfo(m_mainDbFile).absolutePath();
}

QString ManufacturerUpdateExport::scriptPath() const
{
    if (!m_scriptPath.isEmpty())
        return m_scriptPath;
    return QDir(workingDirectory())
        .filePath(QStringLiteral("%1_%2.sql").arg(m_name, m_date.toString(QStringLiteral("yyyyMMdd"))));
}

QString ManufacturerUpdateExport::sqliteShell(const QString &mainDbFile)
{
    const QDir dir(QFileInfo(mainDbFile).absolutePath());
#ifdef Q_OS_WIN
    return dir.filePath(QStringLiteral("sqlite3.exe"));
#else
    const QString beside = dir.filePath(QStringLiteral("sqlite3"));
    if (QFileInfo::exists(beside))
        return beside;
    return QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
#endif
}

QList<QByteArray> ManufacturerUpdateExport::shellCommands(const QString &outputFile)
{
    return {QStringLiteral(".output %1\n").arg(outputFile).toUtf8(),
            QByteArrayLiteral(".mode insert Geraete\n"),
            QByteArrayLiteral("Select * From Geraete;\n"),
            QByteArrayLiteral(".mode insert Werte\n"),
            QByteArrayLiteral("Select * From Werte;\n"),
            QByteArrayLiteral(".quit\n")};
}
