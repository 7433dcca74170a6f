#ifndef QUARNELDERIVATIONS_H
#define QUARNELDERIVATIONS_H

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include "quarnelkeepalive.h"

#include <functional>

// The follow-up steps that make freshly imported Quarnel tables usable:
// manufacturer numbers, the appliance search table, the manufacturer index
// of the appliance table and the derived columns of the cross-sections.
class QuarnelDerivations
{
public:
    explicit QuarnelDerivations(QSqlDatabase db);

    // Called between the statements of the steps and, paced by elapsed
    // time, between the rows they work through, so that a window can stay
    // alive (never inside one statement).
    void setBusyHandler(std::function<void()> handler,
                        int intervalMs = QuarnelProgressPacer::kDefaultInterval);

    // Gives every manufacturer without a number (hnr not above 0, id above
    // 0, name other than "-") the number it had under the same name in
    // Hersteller_alt, or else the next number above every one in use in
    // Hersteller_alt and Hersteller (not counting rows with vonwas 3).
    void numberManufacturers() const;

    // Refills waermedbfts from waermedb. The import does not create the
    // search table; false with the database's own error text when it is
    // missing or cannot be filled.
    bool refreshSearchTable(QString *errorText) const;

    // "CREATE INDEX i1 on waermedb(hersteller)"; fails harmlessly when the
    // index exists.
    void createManufacturerIndex() const;

    // The steps after all tables: the index, then the cross-section columns
    // when QUERSCHN lacks them. Returns the messages of the derivation.
    QStringList runAfterImport() const;

private:
    int highestNumber(const QString &table) const;
    int oldNumber(const QString &name) const;

    QSqlDatabase m_db;
    mutable QuarnelKeepAlive m_keepAlive;
};

#endif // QUARNELDERIVATIONS_H
