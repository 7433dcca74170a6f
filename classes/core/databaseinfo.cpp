#include "databaseinfo.h"

#include <QSqlQuery>
#include <QVariant>

namespace DatabaseInfo {

QString sqliteVersion()
{
    const QString name = QStringLiteral("KolvexVersionProbe");
    QString version;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("select sqlite_version()")) && query.next())
                version = query.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return version;
}

QString manufacturerName(const QSqlDatabase &db, qint64 manufacturerId)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("Select Name From Hersteller Where ID=?"));
    query.addBindValue(manufacturerId);
    if (!query.exec() || !query.next())
        return QString();
    return query.value(0).toString();
}

} // namespace DatabaseInfo
