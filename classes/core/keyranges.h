#ifndef KEYRANGES_H
#define KEYRANGES_H

#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>

// A table cut into ranges of its integer key, so that work on the whole
// table (one pass without an index) can go range by range with progress
// shown in between: "WerteId BETWEEN first AND last" lets SQLite walk only
// that part of the table, so all ranges together still cost one pass.
class KeyRanges
{
public:
    using Range = QPair<qint64, qint64>;

    // Ranges of at most width keys from the lowest to the highest key of
    // table; one range covering every key when the table is empty or the
    // bounds cannot be read (nothing is lost then, only the progress).
    static QList<Range> of(QSqlDatabase db, const QString &table, const QString &key,
                           qint64 width = kDefaultWidth);
    // "key BETWEEN first AND last"; the outer ranges are open ("key<=last",
    // "key>=first"), a single range is "1".
    static QString condition(const QString &key, const Range &range);

    static const qint64 kDefaultWidth = 25000;
    static const int kMaxRanges = 200;
};

#endif // KEYRANGES_H
