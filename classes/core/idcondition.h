#ifndef IDCONDITION_H
#define IDCONDITION_H

#include <QList>
#include <QString>
#include <QStringList>

// A condition that a column passes for exactly the given ids, cheap to test
// on every row of a table scan: ids come in the ranges reserved per
// manufacturer, so runs of consecutive ids become range tests
// ("Geraet BETWEEN 25000 AND 26499"); the ids outside runs are compared
// singly or, when there are many, in one IN list. Its length does not grow
// with a run, so no selection needs to be cut into chunks (each chunk would
// be one more pass over a table without an index on the column).
class IdCondition
{
public:
    // "0" (no row) for no ids; the alternatives in brackets otherwise.
    static QString of(const QString &column, const QList<qint64> &ids);
    // The tests joined by OR in of(): ranges (the longest runs, a few at
    // most), then single comparisons or one IN list. Empty for no ids.
    static QStringList alternatives(const QString &column, const QList<qint64> &ids);
};

#endif // IDCONDITION_H
