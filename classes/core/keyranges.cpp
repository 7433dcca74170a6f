#include "keyranges.h"

#include <QSqlQuery>
#include <QVariant>

#include <limits>

QList<KeyRanges::Range> KeyRanges::of(QSqlDatabase db, const QString &table, const QString &key,
                                      qint64 width)
{
    const Range everything(std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
    QSqlQuery bounds(db);
    // min() and max() of an integer primary key are read from the ends of
    // the table's tree, not by a pass, but only each in a select of its own.
    if (width < 1
        || !bounds.exec(QStringLiteral("SELECT (SELECT min(%1) FROM %2), (SELECT max(%1) FROM %2)")
                            .arg(key, table))
        || !bounds.next() || bounds.value(0).isNull())
        return {everything};
    const qint64 lowest = bounds.value(0).toLongLong();
    const qint64 highest = bounds.value(1).toLongLong();
    // Keys far apart (an id above 2^32 among small ones) widen the ranges:
    // there are never more than kMaxRanges.
    const quint64 span = quint64(highest) - quint64(lowest);
    const quint64 step = qMax(quint64(width), span / kMaxRanges + 1);
    QList<Range> ranges;
    // The outer ranges are open, so that no key is missed whatever changes
    // between reading the bounds and the last range.
    for (quint64 offset = 0;; offset += step) {
        const bool last = span - offset < step;
        const qint64 first = qint64(quint64(lowest) + offset);
        ranges << Range(ranges.isEmpty() ? everything.first : first,
                        last ? everything.second : qint64(quint64(first) + step - 1));
        if (last)
            break;
    }
    return ranges;
}

QString KeyRanges::condition(const QString &key, const Range &range)
{
    const bool openBelow = range.first == std::numeric_limits<qint64>::min();
    const bool openAbove = range.second == std::numeric_limits<qint64>::max();
    if (openBelow && openAbove)
        return QStringLiteral("1");
    if (openBelow)
        return QStringLiteral("%1<=%2").arg(key).arg(range.second);
    if (openAbove)
        return QStringLiteral("%1>=%2").arg(key).arg(range.first);
    return QStringLiteral("%1 BETWEEN %2 AND %3").arg(key).arg(range.first).arg(range.second);
}
