#include "quarnelmateriallookup.h"

#include <QList>
#include <QSqlQuery>
#include <QVariant>

QuarnelMaterialLookup::QuarnelMaterialLookup(QSqlDatabase db)
    : m_db(db)
{
}

QString QuarnelMaterialLookup::lookupStatement(int material)
{
    return QStringLiteral("SELECT * FROM MATKENNW WHERE MATNR=%1;").arg(material);
}

bool QuarnelMaterialLookup::find(int material, double *wdw, double *wlz)
{
    auto cached = m_cache.constFind(material);
    if (cached == m_cache.constEnd()) {
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        if (!query.exec(lookupStatement(material)) || !query.next())
            return false;
        const double resistance = query.value(QStringLiteral("WDW")).toDouble();
        QPair<double, double> values(0.0, 0.0);
        if (resistance > 0.0) {
            values.first = resistance;
        } else {
            QList<double> conductivities;
            do {
                conductivities.append(query.value(QStringLiteral("WLZ")).toDouble());
            } while (query.next());
            // Row ceil(n/2) counted from 1.
            values.second = conductivities.at((conductivities.size() + 1) / 2 - 1);
        }
        cached = m_cache.insert(material, values);
    }
    *wdw = cached->first;
    *wlz = cached->second;
    return true;
}
