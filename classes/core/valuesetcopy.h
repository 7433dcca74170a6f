#ifndef VALUESETCOPY_H
#define VALUESETCOPY_H

#include <QHash>
#include <QList>

class StatementRunner;

// Copies every value set of one appliance to another under new ids from the
// current manufacturer's range, stamped with today's capture date and with
// the derivation columns (BEMERKUNGID, AUSATZRINGEID) reset. Used when an
// appliance is duplicated or pasted into a manufacturer.
class ValueSetCopy
{
public:
    // Returns the number of value sets copied; sets without a free id are skipped.
    static int copyAll(const StatementRunner &sql, qint64 sourceAppliance, qint64 targetAppliance);
    // The same for value sets read beforehand (valueSetsOf).
    static int copyAll(const StatementRunner &sql, const QList<qint64> &valueSets,
                       qint64 targetAppliance);
    // Several appliances' value sets at once, in the given order: the new
    // ids come from one search, the ids one search after the other would give.
    struct Copy
    {
        QList<qint64> valueSets;
        qint64 targetAppliance = 0;
    };
    static int copyAll(const StatementRunner &sql, const QList<Copy> &copies);

    // The value sets of each appliance, in the order of the value table, read
    // in one pass: without an index on Werte.Geraet every look-up by
    // appliance reads the whole table.
    static QHash<qint64, QList<qint64>> valueSetsOf(const StatementRunner &sql,
                                                    const QList<qint64> &appliances);
};

#endif // VALUESETCOPY_H
