#ifndef MANUFACTURERUPDATEEXPORT_H
#define MANUFACTURERUPDATEEXPORT_H

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>

// Turns a manufacturer's returned database file (its update) into an SQL
// script of insert statements for the manufacturer's appliances and value
// sets, with every id outside the manufacturer's reserved ranges moved into
// them. The file's own tables Geraete and Werte are moved aside while the
// SQLite shell writes the script and are put back afterwards.
//
// Shows nothing: the caller asks for the file, sets the wait cursor and
// reports the result.
class ManufacturerUpdateExport
{
public:
    enum Result {
        Exported,          // script written, file restored
        CannotOpen,        // missing file, not a database, or opening failed
        NotAnUpdateFile,   // Geraete or Werte missing
        PreparationFailed, // copies or renumbering failed; file unchanged
        ShellNotStarted,   // shell missing or not started; file restored
        ShellFailed,       // shell reported an error; file restored
        RestoreFailed      // tables could not be put back (see errorText)
    };

    // manufacturerId: M, a key of the id ranges; name: the manufacturer's
    // name with every run of non-word characters replaced by "_";
    // mainDbFile: the main database, beside which shell and script live.
    ManufacturerUpdateExport(int manufacturerId, const QString &name, const QString &mainDbFile);

    Result run(const QString &updateFile);

    // The script the shell writes: "<name>_<yyyyMMdd>.sql" in the directory
    // of the main database (date of the last run, today before the first).
    QString scriptPath() const;

    // German description of the last failure; empty after Exported.
    QString errorText() const { return m_error; }

    // The SQLite shell: "sqlite3.exe" beside the main database on Windows;
    // elsewhere "sqlite3" beside it when present, else from the PATH.
    static QString sqliteShell(const QString &mainDbFile);

    // What the shell reads on its standard input, one entry per write.
    static QList<QByteArray> shellCommands(const QString &name, const QDate &date);

    // Puts back tables left aside by an interrupted earlier run.
    static bool recoverSavedTables(QSqlDatabase db);
    // Moves the file's tables aside and builds the renumbered working copies
    // of manufacturer M, in one transaction (rolled back on failure).
    bool prepareTables(QSqlDatabase db);
    // Drops the working copies and puts the file's tables back, in one
    // transaction.
    static bool restoreTables(QSqlDatabase db);

private:
    Result exportFrom(QSqlDatabase db, const QString &updateFile);
    Result runShell(const QString &updateFile);
    Result failWith(Result result, const QString &text);
    QString workingDirectory() const;

    int m_manufacturerId;
    QString m_name;
    QString m_mainDbFile;
    QDate m_date;
    QString m_error;
};

#endif // MANUFACTURERUPDATEEXPORT_H
