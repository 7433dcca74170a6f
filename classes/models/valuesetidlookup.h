#ifndef VALUESETIDLOOKUP_H
#define VALUESETIDLOOKUP_H

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The value sets (WerteId) of many appliances at once: for every appliance
// the ids of its value sets whose Bemerkung contains a search text, joined
// with "#", in the order of the value table. One pass over Werte serves any
// number of appliances, so a file without an index on Werte.Geraet does not
// cost one pass per appliance.
class ValueSetIdLookup
{
public:
    // Entry i belongs to applianceIds[i] (an id may occur more than once);
    // an empty text when the appliance has no matching value set.
    static QStringList joinedIdsPerAppliance(const QList<qint64> &applianceIds,
                                             const QString &valueFilter, QSqlDatabase db);

    // The one statement behind it, for ascending distinct appliance ids.
    static QString statement(const QList<qint64> &sortedDistinctIds, const QString &valueFilter);

    // Value-set ids per statement of the lookup.
    static const qint64 kRangeWidth = 100000;
};

#endif // VALUESETIDLOOKUP_H
