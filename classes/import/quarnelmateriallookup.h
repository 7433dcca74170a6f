#ifndef QUARNELMATERIALLOOKUP_H
#define QUARNELMATERIALLOOKUP_H

#include <QHash>
#include <QPair>
#include <QSqlDatabase>

// Thermal characteristics of the layer materials in table MATKENNW, read on
// first use and kept for the lifetime of the lookup.
//
// A material has either a thermal resistance of its own (WDW of its first
// row) or a thermal conductivity (WLZ). A material with several rows and no
// resistance takes the conductivity of the middle row by position, the
// second of three and the second of four.
class QuarnelMaterialLookup
{
public:
    explicit QuarnelMaterialLookup(QSqlDatabase db);

    // False when MATKENNW has no row for the material (such a miss is not
    // kept, the next call asks again). Otherwise exactly one of wdw and wlz
    // is taken from the table, the other is 0.
    bool find(int material, double *wdw, double *wlz);

    static QString lookupStatement(int material);

private:
    QSqlDatabase m_db;
    QHash<int, QPair<double, double>> m_cache;
};

#endif // QUARNELMATERIALLOOKUP_H
