#ifndef QUARNELINSERTBUILDER_H
#define QUARNELINSERTBUILDER_H

#include <QString>
#include <QStringList>

// The statements that recreate one imported table and fill it with the
// records of its export file. Every column is untyped; NR is the row key
// SQLite fills.
class QuarnelInsertBuilder
{
public:
    QuarnelInsertBuilder(const QString &tableName, const QStringList &fieldNames);

    QString tableName() const;
    int columnCount() const { return m_columns.size(); }
    // The field names with every double quote and the blanks around them
    // removed, joined by ",".
    QString columnNames() const;
    // "NR INTEGER PRIMARY KEY," followed by the column names.
    QString columnDefinitions() const;

    // True when the table name and every column name are plain SQL names
    // (letters, digits and "_", not starting with a digit). Names from a
    // file name or a header line go unquoted into the statements, so any
    // other name is refused before the table is touched.
    bool hasPlainNames() const;

    QString dropStatement() const;
    QString createStatement() const;
    // The INSERT of one record line (values separated by "|", split as
    // QuarnelRecordSplitter does, so a quoted text may hold a "|").
    QString insertStatement(const QString &line) const;

    // One field of a record line as SQL value:
    // - empty: the empty text '';
    // - with a double quote: a text value; the enclosing double quotes are
    //   removed, a doubled one inside stands for one, and every apostrophe
    //   becomes a blank;
    // - a number, with a decimal comma or point: the number with a point;
    // - anything else: the field as text literal, apostrophes doubled.
    static QString sqlValue(const QString &field);
    // The text of a field with a double quote, as sqlValue() quotes it.
    static QString textOfQuotedField(const QString &field);

    static bool isPlainName(const QString &name);

private:
    QString m_tableName;
    QStringList m_columns;
};

#endif // QUARNELINSERTBUILDER_H
