#include "shelltiming.h"

#include <QRegularExpression>

namespace ShellTiming {

namespace {

const char *const kMark =
    "SELECT printf('KOLVEX_MARK %.6f', (julianday('now') - 2440587.5) * 86400.0);\n";

} // namespace

QString timedScript(const QString &setup, const QString &work)
{
    QString text = QStringLiteral(".output /dev/null\n");
    text += setup;
    if (!setup.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    // The work may switch modes (.import needs csv); the marks use list mode.
    text += QStringLiteral(".output\n.mode list\n") + QLatin1String(kMark)
            + QStringLiteral(".output /dev/null\n");
    text += work;
    if (!work.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    text += QStringLiteral(".output\n.mode list\n") + QLatin1String(kMark);
    return text;
}

double secondsBetweenMarks(const QString &output)
{
    static const QRegularExpression mark(QStringLiteral("KOLVEX_MARK ([0-9.]+)"));
    QList<double> marks;
    QRegularExpressionMatchIterator it = mark.globalMatch(output);
    while (it.hasNext())
        marks << it.next().captured(1).toDouble();
    if (marks.size() != 2)
        return -1.0;
    return marks[1] - marks[0];
}

QString script(const QStringList &statements)
{
    QString text;
    for (QString statement : statements) {
        statement = statement.trimmed();
        if (statement.isEmpty())
            continue;
        text += statement;
        if (!statement.endsWith(QLatin1Char(';')))
            text += QLatin1Char(';');
        text += QLatin1Char('\n');
    }
    return text;
}

QStringList withoutTransactionControl(const QStringList &statements)
{
    static const QRegularExpression control(
        QStringLiteral("^\\s*(BEGIN|COMMIT|END|ROLLBACK|SAVEPOINT|RELEASE)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList kept;
    for (const QString &statement : statements)
        if (!control.match(statement).hasMatch())
            kept << statement;
    return kept;
}

} // namespace ShellTiming
