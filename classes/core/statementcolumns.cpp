#include "statementcolumns.h"

#include "dbconnections.h"

#include <QSqlQuery>
#include <QSqlRecord>

QStringList statementResultColumns(const QString &sql, bool *ok)
{
    QSqlQuery query(kolvexDb());
    query.setForwardOnly(true);
    if (ok)
        *ok = query.exec(sql);
    else
        query.exec(sql);
    if (!query.isActive())
        return {};
    QStringList names;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i).toUpper();
    return names;
}
