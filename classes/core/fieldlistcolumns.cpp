#include "fieldlistcolumns.h"

QStringList FieldListColumns::valueKeyColumns()
{
    return {QStringLiteral("WERTEID"), QStringLiteral("GERAET")};
}

QStringList FieldListColumns::applianceKeyColumns()
{
    return {QStringLiteral("TIRMAID"), QStringLiteral("HRSTID")};
}

QStringList FieldListColumns::columns(const QString &columnText)
{
    QStringList parts;
    QString current;
    int depth = 0;
    QChar quote;
    for (const QChar c : columnText) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            depth = qMax(0, depth - 1);
        } else if (c == QLatin1Char(',') && depth == 0) {
            parts << current.trimmed();
            current.clear();
            continue;
        }
        current += c;
    }
    parts << current.trimmed();
    parts.removeAll(QString());
    return parts;
}

QString FieldListColumns::withKeyColumns(const QString &columnText, const QStringList &keyColumns)
{
    if (columnText.trimmed() == QLatin1String("*"))
        return QStringLiteral("*");
    QStringList result = keyColumns;
    for (const QString &column : columns(columnText)) {
        if (!keyColumns.contains(column, Qt::CaseInsensitive))
            result << column;
    }
    return result.join(QLatin1Char(','));
}

QStringList FieldListColumns::listsWithKeyColumns(const QStringList &namedLists,
                                                  const QStringList &keyColumns)
{
    QStringList mended;
    for (const QString &entry : namedLists) {
        const int hash = entry.indexOf(QLatin1Char('#'));
        if (hash < 0) {
            mended << entry;
            continue;
        }
        // Only the text between the first and a possible second "#" is the
        // column text; anything after it is kept as it was.
        const int end = entry.indexOf(QLatin1Char('#'), hash + 1);
        const QString columnText = entry.mid(hash + 1, end < 0 ? -1 : end - hash - 1);
        mended << entry.left(hash + 1) + withKeyColumns(columnText, keyColumns)
                + (end < 0 ? QString() : entry.mid(end));
    }
    return mended;
}
