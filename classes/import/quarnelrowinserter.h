#ifndef QUARNELROWINSERTER_H
#define QUARNELROWINSERTER_H

#include "quarnelexportencoding.h"
#include "quarnelfieldvalue.h"
#include "quarnelinsertbuilder.h"
#include "quarnelrecordsplitter.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

// Inserts the record lines of one export into its freshly created table
// through prepared statements with bound values, which spares the database
// parsing a statement per row. Every cell gets the value and the type the
// INSERT statement of QuarnelInsertBuilder would give it; that statement
// text is built only for a row that fails, to report it.
//
// A line can come as its bytes in the file's encoding: then it is split
// and read as UTF-8 bytes, and texts reach the database as those bytes
// ("CAST(? AS TEXT)" of a blob stores the text exactly as the database
// would store the decoded text), without a QString or a conversion between
// encodings on the way. Lines the bytes cannot tell alone are decoded and
// read as text, as before (see readBytes()).
//
// A real number is bound as its text inside "CAST(? AS REAL)" so that
// the database converts it exactly as it converts the literal. Each column
// of a statement takes texts ("CAST(? AS TEXT)"), reals, or anything bound
// plainly (integers, texts as QString); rows differ in which of them their
// cells need, so there are prepared statements per pattern of columns, up
// to a limit. Rows of further patterns, rows with another number of fields
// than the header and rows with a NUL character go in as statement text.
//
// Consecutive rows of one pattern go in together, up to kBatchRows with
// one statement of that many rows, which spares the work every statement
// costs. When the database refuses such a statement it has stored none of
// its rows; they are then inserted one by one, so that only the rows at
// fault fail. Rows keep the order of the file.
class QuarnelRowInserter
{
public:
    // Called for every row the database refused, with the row's INSERT
    // statement and the database's own error text.
    using FailureHandler = std::function<void(const QString &statement, const QString &errorText)>;

    QuarnelRowInserter(QSqlDatabase db, const QuarnelInsertBuilder &builder,
                       FailureHandler onFailure);

    // Adds a decoded line.
    void add(const QString &line);

    // Reads a non-empty line as the bytes of a file in encoding for
    // addRead(). False when the line has to be decoded and given to add()
    // instead: a NUL character, a leading byte-order mark (which decoding
    // drops), a byte the encoding does not read as one character, another
    // number of fields than the header, a field only the decoded text can
    // tell, or a database that does not store its texts as UTF-8.
    bool readBytes(const QByteArray &line, QuarnelExportEncoding::Kind encoding);
    // Adds the line read by readBytes().
    void addRead();

    // Inserts the rows still waiting for their batch.
    void finish();
    // Rows stored so far (without those still waiting).
    int inserted() const { return m_inserted; }
    // Rows stored or waiting: the count to show while rows go in (it can
    // fall back by the rows of a batch the database refuses in part).
    int taken() const { return m_inserted + m_waiting; }

    static constexpr int kMaxPatterns = 64;
    static constexpr int kBatchRows = 25;
    // Older SQLite versions allow no more bound values in one statement.
    static constexpr int kMaxBoundValues = 999;

private:
    // How a column of a prepared statement takes its value.
    enum Placeholder : char { TakesText = 'T', TakesAny = 'A', TakesReal = 'R' };

    // The statements of one pattern: for one row and for a full batch.
    struct Statements
    {
        std::unique_ptr<QSqlQuery> single;
        std::unique_ptr<QSqlQuery> batch;
    };

    // A row waiting for its batch: its line, for the statement text of a
    // failure.
    struct WaitingLine
    {
        QByteArray bytes;
        QString text;
        QuarnelExportEncoding::Kind encoding;
        bool fromBytes;
    };

    bool splitFields(const QString &line);
    void addCells();
    bool fitsPattern(const QByteArray &pattern) const;
    QByteArray preferredPattern() const;
    Statements *statementsFor(const QByteArray &pattern);
    QString valuesFor(const QByteArray &pattern, int row) const;
    void insertWaiting();
    void insertWaitingOneByOne();
    void bindRow(QSqlQuery &query, int row, int placeholderRow);
    void insertAsText(const QString &line);
    QString decodedLine() const;
    static QString decoded(const WaitingLine &line);

    QSqlDatabase m_db;
    QuarnelInsertBuilder m_builder;
    FailureHandler m_onFailure;
    bool m_storesUtf8;
    int m_columns;
    int m_batchRows;
    // Named placeholders are bound by a lookup of their name; positional
    // ones would make the driver build a name for every value. One list per
    // row of a batch.
    std::vector<QStringList> m_placeholders;
    std::vector<QStringView> m_fields;
    std::vector<QuarnelRecordSplitter::ByteField> m_byteFields;
    // The row at hand: what each cell holds and its value.
    std::vector<QuarnelFieldValue::Kind> m_kinds;
    std::vector<QVariant> m_values;
    // The line of the row at hand.
    WaitingLine m_line;
    QByteArray m_utf8;
    // The rows waiting, all of m_pattern: their values, row after row.
    QByteArray m_pattern;
    Statements *m_statements = nullptr;
    std::vector<QVariant> m_waitingValues;
    std::vector<WaitingLine> m_waitingLines;
    int m_waiting = 0;
    int m_inserted = 0;
    std::map<QByteArray, Statements> m_prepared;
    QSqlQuery m_textQuery;
};

#endif // QUARNELROWINSERTER_H
