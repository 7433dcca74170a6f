#include "dbconnections.h"

const char *const kKolvexConnection = "Kolvex";
const char *const kQuarnelConnection = "QuarnelDB";
const char *const kUpdateConnection = "UpdateDB";

QSqlDatabase kolvexDb()
{
    return QSqlDatabase::database(QLatin1String(kKolvexConnection), true);
}

QSqlDatabase quarnelDb()
{
    return QSqlDatabase::database(QLatin1String(kQuarnelConnection), true);
}
