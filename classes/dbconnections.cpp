#include "dbconnections.h"

#include <QCoreApplication>
#include <QFileInfo>

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

void removeAllConnections()
{
    for (const QString &name : QSqlDatabase::connectionNames()) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

QSqlError openSqliteConnection(const QString &name, const QString &file, bool mustExist)
{
    QSqlError error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT"));
        db.setDatabaseName(file);
        if (mustExist && !QFileInfo(file).isFile())
            error = QSqlError(
                QCoreApplication::translate("dbconnections", "Datei nicht gefunden"),
                QCoreApplication::translate("dbconnections", "Die Datei '%1' existiert nicht.")
                    .arg(file),
                QSqlError::ConnectionError);
        else if (!db.open())
            error = db.lastError();
    }
    if (error.isValid())
        QSqlDatabase::removeDatabase(name);
    return error;
}

