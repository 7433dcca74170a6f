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

namespace {

const char kReadOnlyOption[] = "QSQLITE_OPEN_READONLY";

} // namespace

QSqlError openSqliteConnection(const QString &name, const QString &file, bool mustExist,
                               bool readOnly)
{
    QSqlError error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        // The option name alone keeps the driver's default busy timeout.
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT");
        if (readOnly)
            options += QLatin1Char(';') + QLatin1String(kReadOnlyOption);
        db.setConnectOptions(options);
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


bool isReadOnlyConnection(const QSqlDatabase &db)
{
    return db.isValid() && db.connectOptions().contains(QLatin1String(kReadOnlyOption));
}
