#ifndef VALUESETCOPY_H
#define VALUESETCOPY_H

class StatementRunner;

// Copies every value set of one appliance to another under new ids from the
// current manufacturer's range, stamped with today's capture date and with
// the derivation columns (BEMERKUNGID, AUSATZRINGEID) reset. Used when an
// appliance is duplicated or pasted into a manufacturer.
class ValueSetCopy
{
public:
    // Returns the number of value sets copied; sets without a free id are skipped.
    static int copyAll(const StatementRunner &sql, int sourceAppliance, int targetAppliance);
};

#endif // VALUESETCOPY_H
