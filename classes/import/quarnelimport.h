#ifndef QUARNELIMPORT_H
#define QUARNELIMPORT_H

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

// The whole import of a set of Quarnel export files into the Quarnel
// database, as the import dialog runs it, without any window: first the
// check that the database can be written, then each table in turn, then
// the steps after all tables (manufacturer index, cross-section columns).
//
// What a window shows goes through handlers, all optional: the table being
// imported, the paced row count, a chance to keep the window alive during
// work without a count, the lines for the error list and the messages that
// need the user's attention.
class QuarnelImport
{
public:
    struct Table
    {
        QString tableName;
        QString filePath;
        QStringList fieldNames;  // as listed for the file
    };

    explicit QuarnelImport(QSqlDatabase db);

    void setTableHandler(std::function<void(const QString &tableName)> handler);
    // Paced by elapsed time while rows go in; once more with the final
    // count of each table.
    void setProgressHandler(std::function<void(int imported, int total)> handler);
    // Paced the same way while a file is surveyed and while the follow-up
    // steps and derivations run.
    void setBusyHandler(std::function<void()> handler);
    // Lines for the error list, table by table and after the derivations.
    void setErrorHandler(std::function<void(const QStringList &lines)> handler);
    // Messages about a whole table or the whole import (title, text).
    void setWarningHandler(std::function<void(const QString &title, const QString &text)> handler);
    // Milliseconds between two paced calls; 0 calls at every opportunity.
    void setProgressInterval(int intervalMs);

    // False when the database cannot be written: one warning names the
    // file and the reason, and nothing is changed. True otherwise, also
    // when single tables or rows failed (those are reported). A table
    // named by several files is imported from one of them only.
    bool run(const QList<Table> &tables);

    // Rows imported by the last run, over all tables.
    int importedRows() const { return m_importedRows; }
    // Every line the last run gave to the error list.
    QStringList errors() const { return m_errors; }

private:
    // One file per table (see QuarnelFileChoice); the files left out are
    // named in the error list.
    QList<Table> onePerTable(const QList<Table> &tables);
    void importTable(const Table &table);
    void reportErrors(const QStringList &lines);
    void warn(const QString &title, const QString &text);

    QSqlDatabase m_db;
    std::function<void(const QString &)> m_tableStarted;
    std::function<void(int, int)> m_progress;
    std::function<void()> m_busy;
    std::function<void(const QStringList &)> m_errorLines;
    std::function<void(const QString &, const QString &)> m_warning;
    int m_interval;
    int m_importedRows = 0;
    QStringList m_errors;
};

#endif // QUARNELIMPORT_H
