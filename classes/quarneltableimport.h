#ifndef QUARNELTABLEIMPORT_H
#define QUARNELTABLEIMPORT_H

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

// Replaces one table of the Quarnel database by the records of its export
// file, row by row. The old table is dropped and the new one created and
// filled inside one transaction, so a table whose file cannot be read or
// whose table cannot be created keeps its old contents. Rows that fail are
// reported and skipped; the good ones stay. The follow-up step of the table
// (manufacturer numbers for HERSTELLER, the search table for WAERMEDB) runs
// before the commit.
class QuarnelTableImport
{
public:
    enum Outcome {
        Imported,        // committed; failed rows are in errors()
        FileUnreadable,  // the file could not be opened; nothing changed
        CreateFailed,    // the table could not be created; nothing changed
        CommitFailed     // the transaction could not be committed; nothing changed
    };

    // fieldNames: the header's field names as listed for the file.
    QuarnelTableImport(QSqlDatabase db, const QString &tableName, const QString &filePath,
                       const QStringList &fieldNames);

    // Called after each imported row with the rows imported so far and the
    // number of record lines.
    void setProgressHandler(std::function<void(int imported, int total)> handler);

    Outcome run();

    int importedRows() const { return m_imported; }
    // Two lines per failed row ("Fehler in: " statement, "Fehler Text: "
    // error), and a line for a failed follow-up or commit.
    QStringList errors() const { return m_errors; }
    // The column definitions of the CREATE TABLE statement.
    QString columnDefinitions() const;

private:
    bool recreateTable();
    void insertRows(const QStringList &records);
    void runFollowUp();

    QSqlDatabase m_db;
    QString m_tableName;
    QString m_filePath;
    QStringList m_fieldNames;
    std::function<void(int, int)> m_progress;
    int m_imported = 0;
    QStringList m_errors;
};

#endif // QUARNELTABLEIMPORT_H
