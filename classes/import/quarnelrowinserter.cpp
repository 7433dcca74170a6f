#include "quarnelrowinserter.h"

#include <QSqlError>

#include <algorithm>
#include <cstring>

namespace {

bool storesTextAsUtf8(QSqlDatabase db)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("PRAGMA encoding")) && query.next()
           && query.value(0).toString() == QLatin1String("UTF-8");
}

// SQLite takes U+FEFF and U+FFFE at the start of a text bound as UTF-16 for
// a byte-order mark and drops or obeys it; bound as UTF-8 they stay text.
bool startsLikeByteOrderMark(const QVariant &value)
{
    if (value.userType() == QMetaType::QByteArray) {
        const QByteArray &bytes = *static_cast<const QByteArray *>(value.constData());
        return bytes.startsWith("\xef\xbb\xbf") || bytes.startsWith("\xef\xbf\xbe");
    }
    const QString text = value.toString();
    return !text.isEmpty() && (text.at(0).unicode() == 0xFEFF || text.at(0).unicode() == 0xFFFE);
}

bool hasNonAscii(const QByteArray &bytes)
{
    uchar any = 0;
    for (const char c : bytes)
        any |= uchar(c);
    return any >= 0x80;
}

} // namespace

QuarnelRowInserter::QuarnelRowInserter(QSqlDatabase db, const QuarnelInsertBuilder &builder,
                                       FailureHandler onFailure)
    : m_db(db),
      m_builder(builder),
      m_onFailure(std::move(onFailure)),
      m_storesUtf8(storesTextAsUtf8(db)),
      m_columns(builder.columnCount()),
      m_batchRows(std::max(1, std::min(kBatchRows, kMaxBoundValues / std::max(1, m_columns)))),
      m_textQuery(db)
{
    for (int row = 0; row < m_batchRows; ++row) {
        QStringList names;
        for (int i = 0; i < m_columns; ++i)
            names << QStringLiteral(":r%1f%2").arg(row).arg(i);
        m_placeholders.push_back(names);
    }
    m_fields.reserve(size_t(m_columns) + 1);
    m_byteFields.reserve(size_t(m_columns) + 1);
    m_kinds.resize(size_t(m_columns));
    m_values.resize(size_t(m_columns));
    m_waitingValues.resize(size_t(m_columns) * size_t(m_batchRows));
    m_waitingLines.resize(size_t(m_batchRows));
}

void QuarnelRowInserter::add(const QString &line)
{
    m_line = WaitingLine{QByteArray(), line, QuarnelExportEncoding::Utf8, false};
    if (!splitFields(line)) {
        insertAsText(line);
        return;
    }
    for (size_t i = 0; i < m_fields.size(); ++i) {
        bool isReal = false;
        m_values[i] = QuarnelFieldValue::read(m_fields[i], &isReal);
        m_kinds[i] = QuarnelFieldValue::kindOf(m_fields[i], m_values[i], isReal);
        // Texts go to the database as UTF-8, as those read from bytes do.
        if (m_storesUtf8 && m_kinds[i] == QuarnelFieldValue::Text)
            m_values[i] = m_values[i].toString().toUtf8();
    }
    addCells();
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
    return int(m_fields.size()) == m_columns;
}

bool QuarnelRowInserter::readBytes(const QByteArray &line, QuarnelExportEncoding::Kind encoding)
{
    if (!m_storesUtf8 || std::memchr(line.constData(), '\0', size_t(line.size())))
        return false;
    if (encoding == QuarnelExportEncoding::Utf8) {
        if (QuarnelExportEncoding::hasByteOrderMark(line.constData(), line.size()))
            return false;
        // Decoding and encoding again gives the bytes the database would
        // store for the decoded line; ASCII needs neither.
        m_utf8 = hasNonAscii(line) ? QString::fromUtf8(line).toUtf8() : line;
    } else if (!QuarnelExportEncoding::windows1252ToUtf8(line.constData(), line.size(), &m_utf8)) {
        return false;
    }
    QuarnelRecordSplitter::split(m_utf8.constData(), m_utf8.size(), &m_byteFields);
    if (int(m_byteFields.size()) != m_columns)
        return false;
    const char *data = m_utf8.constData();
    for (size_t i = 0; i < m_byteFields.size(); ++i) {
        const QuarnelRecordSplitter::ByteField &field = m_byteFields[i];
        if (!QuarnelFieldValue::readUtf8(data + field.start, field.size, &m_kinds[i], &m_values[i]))
            return false;
    }
    m_line = WaitingLine{line, QString(), encoding, true};
    return true;
}

void QuarnelRowInserter::addRead()
{
    addCells();
}

QString QuarnelRowInserter::decoded(const WaitingLine &line)
{
    return line.fromBytes
               ? QuarnelExportEncoding::decode(line.bytes.constData(), line.bytes.size(), line.encoding)
               : line.text;
}

QString QuarnelRowInserter::decodedLine() const
{
    return decoded(m_line);
}

// Whether pattern takes every cell of the row at hand.
bool QuarnelRowInserter::fitsPattern(const QByteArray &pattern) const
{
    const char *placeholder = pattern.constData();
    for (size_t i = 0; i < m_kinds.size(); ++i) {
        switch (m_kinds[i]) {
        case QuarnelFieldValue::Empty:
            if (placeholder[i] == TakesReal)
                return false;
            break;
        case QuarnelFieldValue::Text:
            // A text bound plainly goes as UTF-16.
            if (placeholder[i] == TakesReal
                || (placeholder[i] == TakesAny && startsLikeByteOrderMark(m_values[i])))
                return false;
            break;
        case QuarnelFieldValue::Integer:
            if (placeholder[i] != TakesAny)
                return false;
            break;
        case QuarnelFieldValue::Real:
            if (placeholder[i] != TakesReal)
                return false;
            break;
        }
    }
    return true;
}

// The pattern for the row at hand; an empty cell keeps the placeholder its
// column had, so that a column of integers with gaps stays one pattern.
QByteArray QuarnelRowInserter::preferredPattern() const
{
    QByteArray pattern(m_columns, TakesText);
    for (int i = 0; i < m_columns; ++i) {
        switch (m_kinds[size_t(i)]) {
        case QuarnelFieldValue::Empty:
            if (!m_pattern.isEmpty() && m_pattern.at(i) == TakesAny)
                pattern[i] = TakesAny;
            break;
        case QuarnelFieldValue::Text:
            break;
        case QuarnelFieldValue::Integer:
            pattern[i] = TakesAny;
            break;
        case QuarnelFieldValue::Real:
            pattern[i] = TakesReal;
            break;
        }
    }
    return pattern;
}

void QuarnelRowInserter::addCells()
{
    if (m_pattern.isEmpty() || !fitsPattern(m_pattern)) {
        insertWaiting();
        m_pattern = preferredPattern();
        m_statements = statementsFor(m_pattern);
    }
    if (!m_statements) {
        insertAsText(decodedLine());
        return;
    }
    const size_t first = size_t(m_waiting) * size_t(m_columns);
    for (int i = 0; i < m_columns; ++i) {
        QVariant &value = m_values[size_t(i)];
        // A text read from bytes is a blob: bound plainly it would stay one.
        if (m_pattern.at(i) == TakesAny && value.userType() == QMetaType::QByteArray)
            m_waitingValues[first + size_t(i)] =
                QString::fromUtf8(*static_cast<const QByteArray *>(value.constData()));
        else
            m_waitingValues[first + size_t(i)].swap(value);
    }
    m_waitingLines[size_t(m_waiting)] = m_line;
    if (++m_waiting == m_batchRows)
        insertWaiting();
}

void QuarnelRowInserter::finish()
{
    insertWaiting();
}

void QuarnelRowInserter::bindRow(QSqlQuery &query, int row, int placeholderRow)
{
    const QStringList &names = m_placeholders[size_t(placeholderRow)];
    const size_t first = size_t(row) * size_t(m_columns);
    for (int i = 0; i < m_columns; ++i)
        query.bindValue(names.at(i), m_waitingValues[first + size_t(i)]);
}

void QuarnelRowInserter::insertWaiting()
{
    if (m_waiting == 0)
        return;
    if (m_waiting == m_batchRows && m_statements->batch) {
        QSqlQuery &batch = *m_statements->batch;
        for (int row = 0; row < m_waiting; ++row)
            bindRow(batch, row, row);
        if (batch.exec()) {
            m_inserted += m_waiting;
            m_waiting = 0;
            return;
        }
        // Nothing of the batch is stored: find the rows at fault.
    }
    insertWaitingOneByOne();
}

void QuarnelRowInserter::insertWaitingOneByOne()
{
    QSqlQuery &single = *m_statements->single;
    for (int row = 0; row < m_waiting; ++row) {
        bindRow(single, row, 0);
        if (single.exec())
            ++m_inserted;
        else if (m_onFailure)
            m_onFailure(m_builder.insertStatement(decoded(m_waitingLines[size_t(row)])),
                        single.lastError().databaseText());
    }
    m_waiting = 0;
}

QString QuarnelRowInserter::valuesFor(const QByteArray &pattern, int row) const
{
    QStringList values;
    for (int i = 0; i < pattern.size(); ++i) {
        const QString &placeholder = m_placeholders[size_t(row)].at(i);
        switch (pattern.at(i)) {
        case TakesText:
            values << QStringLiteral("CAST(%1 AS TEXT)").arg(placeholder);
            break;
        case TakesReal:
            values << QStringLiteral("CAST(%1 AS REAL)").arg(placeholder);
            break;
        default:
            values << placeholder;
        }
    }
    return QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')');
}

QuarnelRowInserter::Statements *QuarnelRowInserter::statementsFor(const QByteArray &pattern)
{
    auto found = m_prepared.find(pattern);
    if (found != m_prepared.end())
        return found->second.single ? &found->second : nullptr;
    if (int(m_prepared.size()) >= kMaxPatterns)
        return nullptr;
    const QString insert = QStringLiteral("INSERT INTO %1(%2) VALUES ")
                               .arg(m_builder.tableName(), m_builder.columnNames());
    Statements statements;
    statements.single.reset(new QSqlQuery(m_db));
    if (!statements.single->prepare(insert + valuesFor(pattern, 0) + QLatin1Char(';')))
        statements.single.reset();  // remembered as such: these rows go in as text
    if (statements.single && m_batchRows > 1) {
        QStringList rows;
        for (int row = 0; row < m_batchRows; ++row)
            rows << valuesFor(pattern, row);
        statements.batch.reset(new QSqlQuery(m_db));
        if (!statements.batch->prepare(insert + rows.join(QLatin1Char(',')) + QLatin1Char(';')))
            statements.batch.reset();  // rows then go in one by one
    }
    Statements &kept = m_prepared[pattern] = std::move(statements);
    return kept.single ? &kept : nullptr;
}

void QuarnelRowInserter::insertAsText(const QString &line)
{
    // Rows keep the order of the file.
    insertWaiting();
    const QString sql = m_builder.insertStatement(line);
    if (m_textQuery.exec(sql))
        ++m_inserted;
    else if (m_onFailure)
        m_onFailure(sql, m_textQuery.lastError().databaseText());
}
