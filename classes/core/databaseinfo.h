#ifndef DATABASEINFO_H
#define DATABASEINFO_H

#include <QSqlDatabase>
#include <QString>

// Small look-ups for what the window tells the user about its databases.
namespace DatabaseInfo {

// The version of the SQLite library the driver uses, empty when the driver
// is missing.
QString sqliteVersion();

// The name of the manufacturer with the id in table Hersteller of db;
// empty when there is none or the look-up failed.
QString manufacturerName(const QSqlDatabase &db, qint64 manufacturerId);

} // namespace DatabaseInfo

#endif // DATABASEINFO_H
