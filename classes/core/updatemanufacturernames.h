#ifndef UPDATEMANUFACTURERNAMES_H
#define UPDATEMANUFACTURERNAMES_H

#include <QSqlDatabase>
#include <QStringList>

// The name under which a manufacturer's update is read and written: its
// name in table Hersteller with every run of non-word characters made "_".
class UpdateManufacturerNames
{
public:
    // The names of the manufacturer with the id (normally one); empty when
    // there is none or the look-up failed.
    static QStringList of(const QSqlDatabase &db, qint64 manufacturerId);
};

#endif // UPDATEMANUFACTURERNAMES_H
