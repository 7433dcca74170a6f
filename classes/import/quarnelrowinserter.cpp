#include "quarnelrowinserter.h"

#include "quarnelfieldvalue.h"
#include "quarnelrecordsplitter.h"

#include <QSqlError>

QuarnelRowInserter::QuarnelRowInserter(QSqlDatabase db, const QuarnelInsertBuilder &builder)
    : m_db(db), m_builder(builder), m_textQuery(db)
{
    const int columns = m_builder.columnCount();
    for (int i = 0; i < columns; ++i)
        m_placeholders << QStringLiteral(":f%1").arg(i);
    m_fields.reserve(columns + 1);
    m_realColumns.fill('0', columns);
}

bool QuarnelRowInserter::insert(const QString &line, QString *statement, QString *errorText)
{
    if (!splitFields(line))
        return insertAsText(line, statement, errorText);

    // The values go straight to the statement of the row before: rows of
    // one export nearly always have their reals in the same columns.
    const int count = int(m_fields.size());
    char *realColumns = m_realColumns.data();
    for (int i = 0; i < count; ++i) {
        bool isReal = false;
        const QVariant value = QuarnelFieldValue::read(m_fields[size_t(i)], &isReal);
        realColumns[i] = isReal ? '1' : '0';
        if (m_current)
            m_current->bindValue(m_placeholders.at(i), value);
    }
    if (!m_current || m_realColumns != m_currentRealColumns) {
        m_current = preparedFor(m_realColumns);
        m_currentRealColumns = m_realColumns;
        if (!m_current)
            return insertAsText(line, statement, errorText);
        bool isReal = false;
        for (int i = 0; i < count; ++i)
            m_current->bindValue(m_placeholders.at(i),
                                 QuarnelFieldValue::read(m_fields[size_t(i)], &isReal));
    }
    if (m_current->exec())
        return true;
    *statement = m_builder.insertStatement(line);
    *errorText = m_current->lastError().databaseText();
    return false;
}

// Splits the line into m_fields; false when the row must go in as
// statement text.
bool QuarnelRowInserter::splitFields(const QString &line)
{
    // The statement text would end at a NUL character; such a row fails as
    // the statement does.
    if (line.contains(QChar(0)))
        return false;
    QuarnelRecordSplitter::split(QStringView(line), &m_fields);
    return int(m_fields.size()) == m_builder.columnCount();
}

QSqlQuery *QuarnelRowInserter::preparedFor(const QByteArray &realColumns)
{
    auto found = m_prepared.find(realColumns);
    if (found != m_prepared.end())
        return found->second.get();
    if (int(m_prepared.size()) >= kMaxPreparedStatements)
        return nullptr;
    QStringList values;
    for (int i = 0; i < realColumns.size(); ++i) {
        values << (realColumns.at(i) == '1'
                       ? QStringLiteral("CAST(%1 AS REAL)").arg(m_placeholders.at(i))
                       : m_placeholders.at(i));
    }
    std::unique_ptr<QSqlQuery> query(new QSqlQuery(m_db));
    if (!query->prepare(QStringLiteral("INSERT INTO %1(%2) VALUES (%3);")
                            .arg(m_builder.tableName(), m_builder.columnNames(),
                                 values.join(QLatin1Char(',')))))
        query.reset();  // remembered as such: these rows go in as text
    QSqlQuery *result = query.get();
    m_prepared[realColumns] = std::move(query);
    return result;
}

bool QuarnelRowInserter::insertAsText(const QString &line, QString *statement,
                                      QString *errorText)
{
    const QString sql = m_builder.insertStatement(line);
    if (m_textQuery.exec(sql))
        return true;
    *statement = sql;
    *errorText = m_textQuery.lastError().databaseText();
    return false;
}
