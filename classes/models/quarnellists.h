#ifndef QUARNELLISTS_H
#define QUARNELLISTS_H

#include <QString>

class QSqlQueryModel;

// The two read-only lists of the Quarnel page on the companion file: the
// manufacturers of the heat database (table hersteller, vonwas=1) and the
// appliances of one of them (table Waermedb). Under the general filter (an
// SQL condition) a statement is tried first; a statement the file refuses
// is noted in AppSettings::queryFailed and failedQuery.
class QuarnelLists
{
public:
    static QString manufacturersStatement(const QString &filter);
    // manufacturer: the name as listed (apostrophes are doubled here).
    static QString appliancesStatement(const QString &manufacturer, const QString &filter);

    // Loads every manufacturer row into model, even after a refused trial.
    static void selectManufacturers(QSqlQueryModel *model, const QString &filter);
    // The appliance list without a manufacturer: no rows, but the columns.
    static void selectNoAppliances(QSqlQueryModel *model);
    // Loads the appliances of the manufacturer; false (model unchanged) when
    // the filtered statement was refused.
    static bool selectAppliances(QSqlQueryModel *model, const QString &manufacturer,
                                 const QString &filter);

private:
    static bool tryStatement(const QString &sql);
};

#endif // QUARNELLISTS_H
