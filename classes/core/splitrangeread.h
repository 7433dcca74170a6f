#ifndef SPLITRANGEREAD_H
#define SPLITRANGEREAD_H

#include "keyranges.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>

// A read of two integer columns that passes over a large table range by
// range of its key: the statement with " AND <range>" appended, once per
// range. From kRangesForTwoReaders ranges on, the later half of the ranges
// is read beside the earlier one, on a read-only connection of its own in a
// worker thread; its rows follow those of the earlier ranges, so they reach
// the caller in the table's order. Never while a write action is open on
// the connection (a second connection would not see its changes).
class SplitRangeRead
{
public:
    // Gets every row, in the caller's thread.
    using Take = std::function<void(qint64 first, qint64 second)>;
    // Told after each range read in the caller's thread (count of ranges done).
    using Done = std::function<void(int rangesDone)>;

    // key: the key column as the statement names it ("WerteId",
    // "Werte.WerteId"). False when a range could not be read; the rows
    // taken until then stay taken.
    static bool run(QSqlDatabase db, const QString &statement, const QString &key,
                    const QList<KeyRanges::Range> &ranges, const Take &take,
                    const Done &done = Done());

    static const int kRangesForTwoReaders = 2;
};

#endif // SPLITRANGEREAD_H
