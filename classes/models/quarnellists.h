#ifndef QUARNELLISTS_H
#define QUARNELLISTS_H

#include <QObject>
#include <QString>

class QAbstractItemModel;
class QSqlQueryModel;

// The two read-only lists of the Quarnel page on the companion file: the
// manufacturers of the heat database (table hersteller, vonwas=1) and the
// appliances of one of them (table Waermedb). Under the general filter (an
// SQL condition) a statement is tried first; a statement the file refuses
// is noted in AppSettings::queryFailed and failedQuery.
class QuarnelLists : public QObject
{
    Q_OBJECT
public:
    explicit QuarnelLists(QObject *parent = nullptr);

    QAbstractItemModel *manufacturers() const;
    QAbstractItemModel *appliances() const;

    static QString manufacturersStatement(const QString &filter);
    // manufacturer: the name as listed (apostrophes are doubled here).
    static QString appliancesStatement(const QString &manufacturer, const QString &filter);

    // Loads every manufacturer row, even after a refused trial.
    void selectManufacturers(const QString &filter);
    // The appliance list without a manufacturer: no rows, but the columns.
    void selectNoAppliances();
    // Loads the appliances of the manufacturer; false (list unchanged) when
    // the filtered statement was refused.
    bool selectAppliances(const QString &manufacturer, const QString &filter);

private:
    static bool tryStatement(const QString &sql);

    QSqlQueryModel *m_manufacturers;
    QSqlQueryModel *m_appliances;
};

#endif // QUARNELLISTS_H
