#ifndef QUARNELTABLEIMPORT_H
#define QUARNELTABLEIMPORT_H

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

#include "quarnelkeepalive.h"

class QuarnelExportReader;
class QuarnelProgressPacer;

// Replaces one table of the Quarnel database by the records of its export
// file. The file is read line by line while the rows go in, so its size
// does not weigh on memory. The old table is dropped and the new one
// created and filled inside one transaction, so a table whose file cannot
// be read, changes while it is read, or whose table cannot be created
// keeps its old contents. Rows that fail are reported and skipped; the
// good ones stay. The follow-up step of the table (manufacturer numbers
// for HERSTELLER, the search table and the manufacturer index for
// WAERMEDB) runs before the commit.
class QuarnelTableImport
{
public:
    enum Outcome {
        Imported,        // committed; failed rows are in errors()
        FileUnreadable,  // the file could not be opened or read; nothing changed
        FileChanged,     // the file changed while it was read; nothing changed
        CreateFailed,    // the table could not be created; nothing changed
        CommitFailed     // the transaction could not be committed; nothing changed
    };

    // fieldNames: the header's field names as listed for the file.
    QuarnelTableImport(QSqlDatabase db, const QString &tableName, const QString &filePath,
                       const QStringList &fieldNames);

    // Called with the rows imported so far and the number of record lines,
    // paced by elapsed time while the rows go in (see
    // setProgressInterval()), and once more with the final count.
    void setProgressHandler(std::function<void(int imported, int total)> handler);
    // Called between the statements of the import and, paced the same way,
    // while the file is surveyed and while the follow-up step works through
    // rows: a chance to keep the window alive.
    void setBusyHandler(std::function<void()> handler);
    // Milliseconds between two paced calls of the handlers; 0 calls them at
    // every opportunity.
    void setProgressInterval(int intervalMs);

    Outcome run();

    int importedRows() const { return m_imported; }
    // Two lines per failed row ("Fehler in: " statement, "Fehler Text: "
    // the database's error text), a line for a failed follow-up or commit.
    // After kMaxReportedRows failed rows one line tells how many more
    // failed.
    QStringList errors() const { return m_errors; }
    int failedRows() const { return m_failedRows; }
    // The column definitions of the CREATE TABLE statement.
    QString columnDefinitions() const;

    // A statement as the error list shows it: one longer than
    // kMaxStatementLength characters is cut, with its length noted.
    static QString statementForErrorList(const QString &statement);

    static const int kMaxStatementLength = 3000;
    static const int kMaxReportedRows = 1000;
    static const int kRowsPerClockCheck = 16;

private:
    // Rolls back the rows of a file that could not be read whole.
    void discardRows(bool inTransaction, int total);
    bool recreateTable();
    bool insertRows(QuarnelExportReader &reader, int total, QuarnelProgressPacer &pacer);
    void reportFailedRow(const QString &statement, const QString &errorText);
    void runFollowUp();

    QSqlDatabase m_db;
    QString m_tableName;
    QString m_filePath;
    QStringList m_fieldNames;
    std::function<void(int, int)> m_progress;
    int m_interval;
    QuarnelKeepAlive m_keepAlive;
    int m_imported = 0;
    int m_failedRows = 0;
    QStringList m_errors;
};

#endif // QUARNELTABLEIMPORT_H
