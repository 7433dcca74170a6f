#include "quarnelimport.h"

#include "importprogressmarker.h"
#include "quarnelderivations.h"
#include "quarnelfilechoice.h"
#include "quarnelprogresspacer.h"
#include "quarneltableimport.h"
#include "quarnelwriteaccess.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("QuarnelImport", text);
}

} // namespace

QuarnelImport::QuarnelImport(QSqlDatabase db)
    : m_db(db), m_interval(QuarnelProgressPacer::kDefaultInterval)
{
}

void QuarnelImport::setTableHandler(std::function<void(const QString &)> handler)
{
    m_tableStarted = std::move(handler);
}

void QuarnelImport::setProgressHandler(std::function<void(int, int)> handler)
{
    m_progress = std::move(handler);
}

void QuarnelImport::setBusyHandler(std::function<void()> handler)
{
    m_busy = std::move(handler);
}

void QuarnelImport::setErrorHandler(std::function<void(const QStringList &)> handler)
{
    m_errorLines = std::move(handler);
}

void QuarnelImport::setWarningHandler(std::function<void(const QString &, const QString &)> handler)
{
    m_warning = std::move(handler);
}

void QuarnelImport::setProgressInterval(int intervalMs)
{
    m_interval = intervalMs;
}

bool QuarnelImport::run(const QList<Table> &tables)
{
    m_importedRows = 0;
    m_errors.clear();
    QuarnelWriteAccess access(m_db);
    if (!access.check()) {
        warn(tr("Tabelle importieren"),
             tr("In die Quarnel-Datenbank %1 kann nicht geschrieben werden.\n%2\n"
                "Es wurde nichts verändert.")
                 .arg(QDir::toNativeSeparators(m_db.databaseName()), access.reason()));
        return false;
    }
    const QList<Table> chosen = onePerTable(tables);
    QStringList names;
    for (const Table &table : chosen)
        names << table.tableName;
    // Should the program end on the way, the next opening names the tables
    // that kept their old rows.
    ImportProgressMarker marker(m_db.databaseName());
    marker.begin(names);
    for (const Table &table : chosen) {
        importTable(table);
        marker.tableReplaced(table.tableName);
    }

    QuarnelDerivations derivations(m_db);
    derivations.setBusyHandler(m_busy, m_interval);
    reportErrors(derivations.runAfterImport());
    marker.finish();
    return true;
}

QList<QuarnelImport::Table> QuarnelImport::onePerTable(const QList<Table> &tables)
{
    QStringList names;
    QStringList paths;
    for (const Table &table : tables) {
        names << table.tableName;
        paths << table.filePath;
    }
    const QVector<int> chosen = QuarnelFileChoice::chosen(names, paths);
    QList<Table> result;
    QStringList leftOut;
    for (int i = 0; i < tables.size(); ++i) {
        if (chosen.at(i) == i) {
            result.append(tables.at(i));
            continue;
        }
        leftOut << tr("Datei %1 nicht importiert: Tabelle %2 wird aus %3 importiert")
                       .arg(QFileInfo(paths.at(i)).fileName(), names.at(i),
                            QFileInfo(paths.at(chosen.at(i))).fileName());
    }
    reportErrors(leftOut);
    return result;
}

void QuarnelImport::importTable(const Table &table)
{
    if (m_tableStarted)
        m_tableStarted(table.tableName);
    QuarnelTableImport import(m_db, table.tableName, table.filePath, table.fieldNames);
    import.setProgressInterval(m_interval);
    import.setProgressHandler(m_progress);
    import.setBusyHandler(m_busy);
    switch (import.run()) {
    case QuarnelTableImport::FileUnreadable:
        warn(tr("Tabelle importieren"),
             tr("Datei %1 konnte nicht geöffnet werden!").arg(table.filePath));
        break;
    case QuarnelTableImport::FileChanged:
        reportErrors({tr("Datei während des Imports geändert: %1").arg(table.filePath)});
        break;
    case QuarnelTableImport::CreateFailed:
        warn(tr("dbf-Import"), tr("Fehler beim Erzeugen der Tabelle '%1'").arg(table.tableName));
        qDebug() << import.columnDefinitions();
        break;
    case QuarnelTableImport::Imported:
    case QuarnelTableImport::CommitFailed:
        break;
    }
    m_importedRows += import.importedRows();
    reportErrors(import.errors());
}

void QuarnelImport::reportErrors(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    m_errors += lines;
    if (m_errorLines)
        m_errorLines(lines);
}

void QuarnelImport::warn(const QString &title, const QString &text)
{
    if (m_warning)
        m_warning(title, text);
}
