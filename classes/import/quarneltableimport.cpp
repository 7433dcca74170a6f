#include "quarneltableimport.h"

#include "quarnelderivations.h"
#include "quarnelexportencoding.h"
#include "quarnelexportreader.h"
#include "quarnelinsertbuilder.h"
#include "quarnelprogresspacer.h"
#include "quarnelrowinserter.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

QuarnelTableImport::QuarnelTableImport(QSqlDatabase db, const QString &tableName,
                                       const QString &filePath, const QStringList &fieldNames)
    : m_db(db),
      m_tableName(tableName),
      m_filePath(filePath),
      m_fieldNames(fieldNames),
      m_interval(QuarnelProgressPacer::kDefaultInterval)
{
}

void QuarnelTableImport::setProgressHandler(std::function<void(int, int)> handler)
{
    m_progress = std::move(handler);
}

void QuarnelTableImport::setBusyHandler(std::function<void()> handler)
{
    m_keepAlive.setHandler(std::move(handler));
}

void QuarnelTableImport::setProgressInterval(int intervalMs)
{
    m_interval = intervalMs;
    m_keepAlive.setInterval(intervalMs);
}

QString QuarnelTableImport::columnDefinitions() const
{
    return QuarnelInsertBuilder(m_tableName, m_fieldNames).columnDefinitions();
}

QString QuarnelTableImport::statementForErrorList(const QString &statement)
{
    if (statement.size() <= kMaxStatementLength)
        return statement;
    return statement.left(kMaxStatementLength)
           + QCoreApplication::translate("QuarnelTableImport", " … (gekürzt, %1 Zeichen)")
                 .arg(statement.size());
}

QuarnelTableImport::Outcome QuarnelTableImport::run()
{
    m_imported = 0;
    m_failedRows = 0;
    m_errors.clear();
    QuarnelProgressPacer pacer(m_interval);

    // The file is checked and its encoding decided before the old table
    // is touched.
    QuarnelExportReader reader(m_filePath);
    if (!reader.open() || !reader.survey([this] { m_keepAlive.tick(); }))
        return FileUnreadable;
    m_keepAlive.now();
    const int total = qMax(0, reader.nonEmptyLines() - 1);  // without the header

    const bool inTransaction = m_db.transaction();
    if (!recreateTable()) {
        if (inTransaction)
            m_db.rollback();
        return CreateFailed;
    }
    if (!insertRows(reader, total, pacer)) {
        // The file went away or broke off while being read: the old table
        // stays as it was.
        discardRows(inTransaction, total);
        return FileUnreadable;
    }
    if (!reader.isUnchanged()) {
        // Cut short or written to while being read: what went in is part
        // of one version of the file or a mix of two.
        discardRows(inTransaction, total);
        return FileChanged;
    }
    m_keepAlive.now();
    runFollowUp();
    m_keepAlive.now();
    const bool committed = !inTransaction || m_db.commit();
    m_keepAlive.now();
    if (!committed) {
        m_errors.append(QCoreApplication::translate("QuarnelTableImport",
                                                    "Tabelle %1 konnte nicht gespeichert werden: %2")
                            .arg(m_tableName, m_db.lastError().databaseText()));
        m_db.rollback();
        m_imported = 0;
        if (m_progress)
            m_progress(0, total);
        return CommitFailed;
    }
    return Imported;
}

void QuarnelTableImport::discardRows(bool inTransaction, int total)
{
    if (inTransaction)
        m_db.rollback();
    m_imported = 0;
    m_errors.clear();
    m_failedRows = 0;
    if (m_progress)
        m_progress(0, total);
}

bool QuarnelTableImport::recreateTable()
{
    const QuarnelInsertBuilder builder(m_tableName, m_fieldNames);
    if (!builder.hasPlainNames())
        return false;
    QSqlQuery query(m_db);
    query.exec(builder.dropStatement());  // fails when the table did not exist
    m_keepAlive.now();
    return query.exec(builder.createStatement());
}

bool QuarnelTableImport::insertRows(QuarnelExportReader &reader, int total,
                                    QuarnelProgressPacer &pacer)
{
    QuarnelRowInserter inserter(m_db, QuarnelInsertBuilder(m_tableName, m_fieldNames),
                                [this](const QString &statement, const QString &errorText) {
                                    reportFailedRow(statement, errorText);
                                });
    const QuarnelExportEncoding::Kind encoding = reader.encoding();
    QByteArray bytes;
    QString line;
    bool header = true;
    int rows = 0;
    const int clockCheck = m_interval > 0 ? kRowsPerClockCheck : 1;
    while (reader.nextLineBytes(&bytes)) {
        if (bytes.isEmpty())
            continue;
        // Most lines are read from their bytes; the others are decoded
        // first, and may then turn out empty (a byte-order mark alone).
        const bool read = !header && inserter.readBytes(bytes, encoding);
        if (!read) {
            line = QuarnelExportEncoding::decode(bytes.constData(), bytes.size(), encoding);
            if (line.isEmpty())
                continue;
        }
        if (header) {
            header = false;  // the field names came with the listing
            continue;
        }
        if (read)
            inserter.addRead();
        else
            inserter.add(line);
        // The clock is asked every few rows only: even asking costs.
        if (m_progress && (++rows % clockCheck) == 0 && pacer.isDue())
            m_progress(inserter.taken(), total);
    }
    inserter.finish();
    m_imported = inserter.inserted();
    if (reader.hasReadError())
        return false;
    if (m_failedRows > kMaxReportedRows)
        m_errors.append(
            QCoreApplication::translate("QuarnelTableImport",
                                        "… und %1 weitere fehlerhafte Zeilen der Tabelle %2")
                .arg(m_failedRows - kMaxReportedRows)
                .arg(m_tableName));
    // The last count shown is the exact one.
    if (m_progress)
        m_progress(m_imported, total);
    return true;
}

void QuarnelTableImport::reportFailedRow(const QString &statement, const QString &errorText)
{
    // Beyond the limit the rows are only counted: a file whose every line
    // fails would otherwise fill memory and the error list.
    if (++m_failedRows > kMaxReportedRows)
        return;
    m_errors.append(QStringLiteral("Fehler in: ") + statementForErrorList(statement));
    m_errors.append(QStringLiteral("Fehler Text: ") + errorText);
}

void QuarnelTableImport::runFollowUp()
{
    QuarnelDerivations derivations(m_db);
    derivations.setBusyHandler(m_keepAlive.handler(), m_interval);
    if (m_tableName == QLatin1String("HERSTELLER")) {
        derivations.numberManufacturers();
    } else if (m_tableName == QLatin1String("WAERMEDB")) {
        QString error;
        if (!derivations.refreshSearchTable(&error))
            m_errors.append(QCoreApplication::translate("QuarnelTableImport",
                                                        "Suchtabelle waermedbfts nicht aufgefrischt: ")
                            + error);
        // The index of the new rows is written with them in the one commit
        // of the table; the step after all tables then finds it in place
        // (and still creates it for a WAERMEDB kept from before).
        derivations.createManufacturerIndex();
    }
}
