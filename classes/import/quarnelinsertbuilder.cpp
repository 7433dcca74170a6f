#include "quarnelinsertbuilder.h"

#include "quarnelrecordsplitter.h"
#include "sqltext.h"

#include <QRegularExpression>

QuarnelInsertBuilder::QuarnelInsertBuilder(const QString &tableName,
                                           const QStringList &fieldNames)
    : m_tableName(tableName)
{
    // Blanks around a name are padding of the header line ("ID | NAME").
    for (QString name : fieldNames)
        m_columns.append(name.remove(QLatin1Char('"')).trimmed());
}

QString QuarnelInsertBuilder::tableName() const
{
    return m_tableName;
}

QString QuarnelInsertBuilder::columnNames() const
{
    return m_columns.join(QLatin1Char(','));
}

QString QuarnelInsertBuilder::columnDefinitions() const
{
    return QStringLiteral("NR INTEGER PRIMARY KEY,") + columnNames();
}

bool QuarnelInsertBuilder::hasPlainNames() const
{
    if (!isPlainName(m_tableName) || m_columns.isEmpty())
        return false;
    for (const QString &column : m_columns) {
        if (!isPlainName(column))
            return false;
    }
    return true;
}

bool QuarnelInsertBuilder::isPlainName(const QString &name)
{
    if (name.isEmpty() || name.at(0).isDigit())
        return false;
    for (const QChar c : name) {
        // SQLite takes every character beyond ASCII as a letter of a name.
        const bool ascii = c.unicode() < 0x80;
        if (ascii && !(c.isLetterOrNumber() || c == QLatin1Char('_')))
            return false;
    }
    return true;
}

QString QuarnelInsertBuilder::dropStatement() const
{
    return QStringLiteral("DROP TABLE %1").arg(m_tableName);
}

QString QuarnelInsertBuilder::createStatement() const
{
    return QStringLiteral("CREATE TABLE %1(%2);").arg(m_tableName, columnDefinitions());
}

QString QuarnelInsertBuilder::insertStatement(const QString &line) const
{
    QStringList values;
    for (const QString &field : QuarnelRecordSplitter::split(line))
        values.append(sqlValue(field));
    return QStringLiteral("INSERT INTO %1(%2) VALUES (%3);")
        .arg(m_tableName, columnNames(), values.join(QLatin1Char(',')));
}

QString QuarnelInsertBuilder::sqlValue(const QString &field)
{
    if (field.isEmpty())
        return QStringLiteral("''");
    if (field.contains(QLatin1Char('"')))
        return QLatin1Char('\'') + textOfQuotedField(field) + QLatin1Char('\'');
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    QString decimal = field.trimmed();
    decimal.replace(QLatin1Char(','), QLatin1Char('.'));
    if (number.match(decimal).hasMatch())
        return decimal;
    return quotedText(field);
}

QString QuarnelInsertBuilder::textOfQuotedField(const QString &field)
{
    QString text = field;
    if (text.length() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.length() - 2);
    text.replace(QLatin1String("\"\""), QLatin1String("\""));
    // Names with apostrophes could not be looked up by later statements
    // of the Kolvex program, so the import never stores any.
    text.replace(QLatin1Char('\''), QLatin1Char(' '));
    return text;
}
