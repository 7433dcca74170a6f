#ifndef MANUFACTURERUPDATEEXPORT_H
#define MANUFACTURERUPDATEEXPORT_H

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Turns a manufacturer's returned database file (its update) into an SQL
// script of insert statements for the manufacturer's appliances and value
// sets, with every id outside the manufacturer's reserved ranges moved into
// them. The manufacturer's file is only read: the work happens on a
// consistent copy of it, which the SQLite shell turns into the script and
// which is removed afterwards.
//
// Shows nothing: the caller asks for the file, sets the wait cursor and
// reports the result.
class ManufacturerUpdateExport
{
public:
    enum Result {
        Exported,          // script written
        CannotOpen,        // missing file, not a database, locked, or no copy possible
        NotAnUpdateFile,   // Geraete or Werte missing
        PreparationFailed, // copies or renumbering failed
        ShellNotStarted,   // shell missing or not started
        ShellFailed        // shell reported an error or the script could not be stored
    };

    // manufacturerId: M, a key of the id ranges; name: the manufacturer's
    // name with every run of non-word characters replaced by "_";
    // mainDbFile: the main database, beside which shell and script live.
    ManufacturerUpdateExport(qint64 manufacturerId, const QString &name, const QString &mainDbFile);

    Result run(const QString &updateFile);

    // The script the shell writes: "<name>_<yyyyMMdd>.sql" in the directory
    // of the main database (date of the last run, today before the first);
    // when a script of that day exists, the run writes "<name>_<yyyyMMdd>_2.sql"
    // (and so on) instead of replacing it.
    QString scriptPath() const;

    // After Exported: what the script of inserts does not carry (records
    // present in the main file already, deletions, ids outside the range),
    // German, one line each; empty when the script carries everything.
    QStringList caveats() const { return m_caveats; }

    // German description of the last failure; empty after Exported.
    QString errorText() const { return m_error; }

    // The SQLite shell: "sqlite3.exe" beside the main database on Windows;
    // elsewhere "sqlite3" beside it when present, else from the PATH.
    static QString sqliteShell(const QString &mainDbFile);

    // What the shell reads on its standard input, one entry per write;
    // outputFile is the plain ASCII name, relative to the shell's working
    // directory, under which the shell writes before the script gets its
    // final name.
    static QList<QByteArray> shellCommands(const QString &outputFile);

    // Puts back tables an interrupted run of an earlier version left aside.
    static bool recoverSavedTables(QSqlDatabase db);
    // Moves the tables aside and builds the renumbered tables of
    // manufacturer M, in one transaction (rolled back on failure).
    bool prepareTables(QSqlDatabase db);

private:
    Result exportCopy(const QString &copy, const QString &workDir);
    Result exportFrom(QSqlDatabase db, const QString &copy, const QString &workDir);
    Result runShell(const QString &copy, const QString &workDir);
    Result failWith(Result result, const QString &text);
    QString workingDirectory() const;
    bool attachMainFile(QSqlDatabase db);
    void noteWhatTheScriptLeavesOut(QSqlDatabase db);

    qint64 m_manufacturerId;
    QString m_name;
    QString m_mainDbFile;
    QDate m_date;
    QString m_error;
    QString m_scriptPath;
    QStringList m_caveats;
    bool m_mainAttached = false;
};

#endif // MANUFACTURERUPDATEEXPORT_H
