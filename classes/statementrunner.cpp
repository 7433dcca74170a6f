#include "statementrunner.h"

#include "appsettings.h"
#include "dbconnections.h"

#include <QDate>
#include <QDebug>
#include <QSqlError>
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
    QSqlQuery query(database());
    if (query.exec(sql))
        return true;
    qDebug() << "Statement failed:" << sql << query.lastError().text();
    return false;
}

bool StatementRunner::runJournaled(const QString &sql, QVariant *lastInsertId) const
{
    QSqlQuery query(database());
    const bool ok = query.exec(sql);
    if (!ok)
        qDebug() << "Statement failed:" << sql << query.lastError().text();
    if (lastInsertId)
        *lastInsertId = ok ? query.lastInsertId() : QVariant();
    AppSettings::instance()->appendToJournal(sql);
    return ok;
}

QList<int> StatementRunner::intColumn(const QString &sql) const
{
    QList<int> values;
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return values;
    while (query.next())
        values << query.value(0).toInt();
    return values;
}

QString StatementRunner::today()
{
    return QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
}
