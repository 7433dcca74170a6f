#include "writestatement.h"

#include <QRegularExpression>

QString WriteStatement::withoutQuotedText(const QString &sql)
{
    QString masked = sql;
    QChar quote;
    for (int i = 0; i < masked.size(); ++i) {
        const QChar c = masked.at(i);
        if (quote.isNull()) {
            if (c == '\'' || c == '"' || c == '`')
                quote = c;
            else if (c == '[')
                quote = ']';
            continue;
        }
        if (c == quote) {
            // A doubled quote stays inside the text.
            if (i + 1 < masked.size() && masked.at(i + 1) == quote && quote != ']') {
                masked[i] = masked[i + 1] = ' ';
                ++i;
                continue;
            }
            quote = QChar();
            continue;
        }
        masked[i] = ' ';
    }
    // An unterminated quote: nothing after it can be trusted.
    return quote.isNull() ? masked : QString();
}

int WriteStatement::topLevelKeyword(const QString &masked, const QString &keyword, int from)
{
    int depth = 0;
    for (int i = from; i < masked.size(); ++i) {
        const QChar c = masked.at(i);
        if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
        else if (depth == 0 && masked.midRef(i, keyword.size()).compare(keyword, Qt::CaseInsensitive) == 0
                 && (i == 0 || !masked.at(i - 1).isLetterOrNumber())
                 && (i + keyword.size() >= masked.size()
                     || !(masked.at(i + keyword.size()).isLetterOrNumber()
                          || masked.at(i + keyword.size()) == '_')))
            return i;
    }
    return -1;
}

WriteStatement WriteStatement::parse(const QString &sql)
{
    WriteStatement s;
    QString text = sql.trimmed();
    while (text.endsWith(';'))
        text.chop(1);
    const QString masked = withoutQuotedText(text);
    // One statement only; no clauses our inverse would not honour.
    if (masked.isEmpty() || masked.contains(';'))
        return s;
    static const QRegularExpression update(
        QStringLiteral("^UPDATE\\s+([A-Za-z_][A-Za-z0-9_]*)\\s+SET\\s"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression remove(
        QStringLiteral("^DELETE\\s+FROM\\s+([A-Za-z_][A-Za-z0-9_]*)(\\s|$)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression insert(
        QStringLiteral("^INSERT\\s+INTO\\s+([A-Za-z_][A-Za-z0-9_]*)[\\s(]"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression createTemp(
        QStringLiteral("^CREATE\\s+TEMP(ORARY)?\\s+TABLE\\s"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression dropTable(
        QStringLiteral("^DROP\\s+TABLE\\s+(IF\\s+EXISTS\\s+)?([A-Za-z_][A-Za-z0-9_]*)$"),
        QRegularExpression::CaseInsensitiveOption);

    QRegularExpressionMatch m;
    if ((m = createTemp.match(masked)).hasMatch()) {
        s.kind = CreateTemp;
        return s;
    }
    if ((m = dropTable.match(masked)).hasMatch()) {
        s.kind = DropTable;
        s.table = m.captured(2);
        return s;
    }
    if ((m = insert.match(masked)).hasMatch()) {
        s.kind = Insert;
        s.table = m.captured(1);
        return s;
    }
    const bool isUpdate = (m = update.match(masked)).hasMatch();
    if (!isUpdate && !(m = remove.match(masked)).hasMatch())
        return s;
    const int bodyStart = m.capturedEnd(0);
    for (const QString &clause : {QStringLiteral("RETURNING"), QStringLiteral("LIMIT"),
                                  QStringLiteral("ORDER"), QStringLiteral("FROM")}) {
        if (topLevelKeyword(masked, clause, bodyStart) >= 0)
            return s;
    }
    const int wherePos = topLevelKeyword(masked, QStringLiteral("WHERE"), bodyStart);
    if (!isUpdate && wherePos < 0 && !masked.mid(bodyStart).trimmed().isEmpty())
        return s;   // DELETE FROM t AS x, INDEXED BY ...
    s.table = m.captured(1);
    s.where = wherePos < 0 ? QString() : text.mid(wherePos + 5).trimmed();
    if (isUpdate) {
        s.assignments = text.mid(bodyStart, (wherePos < 0 ? text.size() : wherePos) - bodyStart);
        s.kind = Update;
    } else {
        s.kind = Delete;
    }
    return s;
}

bool WriteStatement::assigns(const QString &column) const
{
    const QString masked = withoutQuotedText(assignments);
    const QRegularExpression target(
        QStringLiteral("(^|[,(\\s])%1\\s*=").arg(QRegularExpression::escape(column)),
        QRegularExpression::CaseInsensitiveOption);
    return masked.contains(target);
}

QStringList WriteStatement::assignedColumns() const
{
    if (kind != Update)
        return {};
    const QString masked = withoutQuotedText(assignments);
    static const QRegularExpression target(QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_]*)\\s*=[^=]"));
    QStringList columns;
    int depth = 0;
    int start = 0;
    for (int i = 0; i <= masked.size(); ++i) {
        const QChar c = i < masked.size() ? masked.at(i) : QChar(',');
        if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
        if (c != ',' || depth != 0)
            continue;
        const QRegularExpressionMatch m = target.match(masked.mid(start, i - start));
        if (!m.hasMatch())
            return {};
        columns << m.captured(1);
        start = i + 1;
    }
    return columns;
}
