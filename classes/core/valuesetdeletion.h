#ifndef VALUESETDELETION_H
#define VALUESETDELETION_H

#include <QList>
#include <QString>

class WriteAction;

// Deletes value sets (table Werte) together with what points at them, as
// part of an open write action, so that a freed id carries nothing over to
// the set that later gets it:
//   1. their member rows in gruppen (never journaled, like every group change);
//   2. the sets derived from them become plain sets (BEMERKUNGID and
//      AUSATZRINGEID 0, journaled);
//   3. the sets themselves (journaled).
// Every step is one statement per id chunk (or one for a sub-select), so a
// whole appliance or manufacturer costs three statements, not three per set.
// Used by the value-set, appliance and manufacturer deletes and by whatever
// else removes value sets.
class ValueSetDeletion
{
public:
    // Deletes the value sets with the ids. Returns whether every statement
    // succeeded (the action decides what reaches the file).
    static bool deleteIds(WriteAction &action, const QList<qint64> &ids);
    // Deletes the value sets named by idSelect, an SQL select giving
    // WerteIds ("SELECT WerteId FROM Werte WHERE Geraet IN (...)"). It is
    // read once, before the first statement; the statements name the ids.
    static bool deleteSelected(WriteAction &action, const QString &idSelect);
    // The ids of the list that still name a value set in the file, read
    // inside the action: a list shown before another program deleted some
    // of them must not report their deletion as done.
    static QList<qint64> presentIds(WriteAction &action, const QList<qint64> &ids);

    // The three statements for one id list or sub-select, in running order:
    // group rows, derived sets made plain, the delete.
    static QString groupRowsStatement(const QString &idsOrSelect);
    static QString plainDerivedStatement(const QString &idsOrSelect);
    static QString deleteStatement(const QString &idsOrSelect);

private:
    static bool run(WriteAction &action, const QString &idsOrSelect);
};

#endif // VALUESETDELETION_H
