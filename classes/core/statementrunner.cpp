#include "statementrunner.h"

#include "dbconnections.h"
#include "writeaction.h"

#include <QDate>
#include <QSqlQuery>

StatementRunner::StatementRunner(const QString &connectionName)
    : m_connectionName(connectionName.isEmpty() ? QString::fromLatin1(kKolvexConnection)
                                                : connectionName)
{
}

QSqlDatabase StatementRunner::database() const
{
    return QSqlDatabase::database(m_connectionName, true);
}

bool StatementRunner::run(const QString &sql) const
{
    WriteAction action(m_connectionName);
    const bool ok = action.runUnjournaled(sql);
    return action.finish() && ok;
}

bool StatementRunner::runJournaled(const QString &sql, QVariant *lastInsertId) const
{
    WriteAction action(m_connectionName);
    const bool ok = action.run(sql, lastInsertId);
    const bool kept = action.finish();
    if (!kept && lastInsertId)
        *lastInsertId = QVariant();
    return kept && ok;
}

QList<qint64> StatementRunner::intColumn(const QString &sql) const
{
    QList<qint64> values;
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return values;
    while (query.next())
        values << query.value(0).toLongLong();
    return values;
}

QString StatementRunner::today()
{
    return QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
}
