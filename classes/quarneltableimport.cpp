#include "quarneltableimport.h"

#include "quarnelderivations.h"
#include "quarnelexportfile.h"
#include "quarnelinsertbuilder.h"

#include <QSqlError>
#include <QSqlQuery>

QuarnelTableImport::QuarnelTableImport(QSqlDatabase db, const QString &tableName,
                                       const QString &filePath, const QStringList &fieldNames)
    : m_db(db), m_tableName(tableName), m_filePath(filePath), m_fieldNames(fieldNames)
{
}

void QuarnelTableImport::setProgressHandler(std::function<void(int, int)> handler)
{
    m_progress = std::move(handler);
}

QString QuarnelTableImport::columnDefinitions() const
{
    return QuarnelInsertBuilder(m_tableName, m_fieldNames).columnDefinitions();
}

QuarnelTableImport::Outcome QuarnelTableImport::run()
{
    m_imported = 0;
    m_errors.clear();

    // The file is read before the old table is touched.
    QStringList records;
    if (!QuarnelExportFile(m_filePath).readLines(&records))
        return FileUnreadable;
    if (!records.isEmpty())
        records.removeFirst();

    const bool inTransaction = m_db.transaction();
    if (!recreateTable()) {
        if (inTransaction)
            m_db.rollback();
        return CreateFailed;
    }
    insertRows(records);
    runFollowUp();
    if (inTransaction && !m_db.commit()) {
        m_errors.append(QStringLiteral("Tabelle %1 konnte nicht gespeichert werden: %2")
                            .arg(m_tableName, m_db.lastError().text()));
        m_db.rollback();
        m_imported = 0;
        return CommitFailed;
    }
    return Imported;
}

bool QuarnelTableImport::recreateTable()
{
    const QuarnelInsertBuilder builder(m_tableName, m_fieldNames);
    if (!builder.hasPlainNames())
        return false;
    QSqlQuery query(m_db);
    query.exec(builder.dropStatement());  // fails when the table did not exist
    return query.exec(builder.createStatement());
}

void QuarnelTableImport::insertRows(const QStringList &records)
{
    const QuarnelInsertBuilder builder(m_tableName, m_fieldNames);
    const int total = records.size();
    QSqlQuery query(m_db);
    for (const QString &record : records) {
        const QString sql = builder.insertStatement(record);
        if (!query.exec(sql)) {
            m_errors.append(QStringLiteral("Fehler in: ") + sql);
            m_errors.append(QStringLiteral("Fehler Text: ") + query.lastError().databaseText());
            continue;
        }
        ++m_imported;
        if (m_progress)
            m_progress(m_imported, total);
    }
}

void QuarnelTableImport::runFollowUp()
{
    const QuarnelDerivations derivations(m_db);
    if (m_tableName == QLatin1String("HERSTELLER")) {
        derivations.numberManufacturers();
    } else if (m_tableName == QLatin1String("WAERMEDB")) {
        QString error;
        if (!derivations.refreshSearchTable(&error))
            m_errors.append(QStringLiteral("Suchtabelle waermedbfts nicht aufgefrischt: ") + error);
    }
}
