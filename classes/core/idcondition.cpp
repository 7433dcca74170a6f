#include "idcondition.h"

#include "sqltext.h"

#include <QPair>
#include <QSet>
#include <QStringList>

#include <algorithm>

namespace {

// Runs of at least this many consecutive ids can become one range test.
const int kMinRunLength = 4;
// Every range test is evaluated on every row a scan passes, where an IN
// list costs one search whatever its length: only the longest few runs are
// range tests, and once there is an IN list anyway, only long ones (a
// shorter run only lengthens the list).
const int kMaxRangeTests = 4;
const int kMinRunLengthBesideList = 256;
// Up to this many ids outside runs are compared with "=", more go into IN.
const int kMaxSingleComparisons = 8;

using Run = QPair<int, int>;   // first index in the sorted ids, length

// The runs that become range tests, in ascending order.
QList<Run> rangeTests(const QList<qint64> &sorted)
{
    QList<Run> runs;
    int runStart = 0;
    for (int i = 1; i <= sorted.size(); ++i) {
        if (i < sorted.size() && sorted.at(i) == sorted.at(i - 1) + 1)
            continue;
        if (i - runStart >= kMinRunLength)
            runs << Run(runStart, i - runStart);
        runStart = i;
    }
    std::stable_sort(runs.begin(), runs.end(),
                     [](const Run &a, const Run &b) { return a.second > b.second; });
    runs = runs.mid(0, kMaxRangeTests);
    int inRuns = 0;
    for (const Run &run : qAsConst(runs))
        inRuns += run.second;
    if (sorted.size() - inRuns > kMaxSingleComparisons) {
        runs.erase(std::remove_if(runs.begin(), runs.end(),
                                  [](const Run &run) { return run.second < kMinRunLengthBesideList; }),
                   runs.end());
    }
    std::sort(runs.begin(), runs.end());
    return runs;
}

QString inList(const QString &column, const QList<qint64> &ids)
{
    return QStringLiteral("%1 IN (%2)").arg(column, idList(ids));
}

} // namespace

QString IdCondition::of(const QString &column, const QList<qint64> &ids)
{
    const QStringList tests = alternatives(column, ids);
    if (tests.isEmpty())
        return QStringLiteral("0");
    return QStringLiteral("(%1)").arg(tests.join(QStringLiteral(" OR ")));
}

QStringList IdCondition::alternatives(const QString &column, const QList<qint64> &ids)
{
    QList<qint64> sorted = QSet<qint64>(ids.begin(), ids.end()).values();
    std::sort(sorted.begin(), sorted.end());
    QStringList alternatives;
    QList<qint64> singles;
    int next = 0;   // first index of sorted not yet in a range test or singles
    for (const Run &run : rangeTests(sorted)) {
        singles << sorted.mid(next, run.first - next);
        alternatives << QStringLiteral("%1 BETWEEN %2 AND %3")
                            .arg(column)
                            .arg(sorted.at(run.first))
                            .arg(sorted.at(run.first + run.second - 1));
        next = run.first + run.second;
    }
    singles << sorted.mid(next);
    if (singles.size() > kMaxSingleComparisons)
        alternatives << inList(column, singles);
    else
        for (qint64 id : qAsConst(singles))
            alternatives << QStringLiteral("%1=%2").arg(column).arg(id);
    return alternatives;
}
