#ifndef QUARNELROWINSERTER_H
#define QUARNELROWINSERTER_H

#include "quarnelinsertbuilder.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

// Inserts the record lines of one export into its freshly created table
// through prepared statements with bound values, which spares the database
// parsing a statement per row. Every cell gets the value and the type the
// INSERT statement of QuarnelInsertBuilder would give it; that statement
// text is built only for a row that fails, to report it.
//
// A real number is bound as its text inside "CAST(:name AS REAL)" so that
// the database converts it exactly as it converts the literal. Rows differ
// in which columns hold reals, so there is one prepared statement per
// pattern of real columns, up to a limit; rows of further patterns, rows
// with another number of fields than the header and rows with a NUL
// character go in as statement text, as before.
class QuarnelRowInserter
{
public:
    QuarnelRowInserter(QSqlDatabase db, const QuarnelInsertBuilder &builder);

    // False when the database refused the row; statement then holds the
    // row's INSERT statement and errorText the database's own error text.
    bool insert(const QString &line, QString *statement, QString *errorText);

    static const int kMaxPreparedStatements = 64;

private:
    bool splitFields(const QString &line);
    QSqlQuery *preparedFor(const QByteArray &realColumns);
    bool insertAsText(const QString &line, QString *statement, QString *errorText);

    QSqlDatabase m_db;
    QuarnelInsertBuilder m_builder;
    // Named placeholders are bound by a lookup of their name; positional
    // ones would make the driver build a name for every value.
    QStringList m_placeholders;
    std::vector<QStringView> m_fields;
    QByteArray m_realColumns;  // of the row at hand: one byte per column, '1' for a real
    QSqlQuery *m_current = nullptr;  // the statement of the row before
    QByteArray m_currentRealColumns;
    std::map<QByteArray, std::unique_ptr<QSqlQuery>> m_prepared;
    QSqlQuery m_textQuery;
};

#endif // QUARNELROWINSERTER_H
