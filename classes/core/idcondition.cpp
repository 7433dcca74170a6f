#include "idcondition.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

namespace {

// Runs of at least this many consecutive ids become one range test.
const int kMinRunLength = 4;
// Up to this many ids outside runs are compared with "=", more go into IN.
const int kMaxSingleComparisons = 8;
// Every OR nests the expression one level deeper (SQLite stops at 1000);
// with more runs than this, one IN list of all ids is the cheaper test.
const int kMaxAlternatives = 64;

QString inList(const QString &column, const QList<qint64> &ids)
{
    QStringList texts;
    texts.reserve(ids.size());
    for (qint64 id : ids)
        texts << QString::number(id);
    return QStringLiteral("%1 IN (%2)").arg(column, texts.join(QLatin1Char(',')));
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
    int runStart = 0;
    for (int i = 1; i <= sorted.size(); ++i) {
        if (i < sorted.size() && sorted.at(i) == sorted.at(i - 1) + 1)
            continue;
        if (i - runStart >= kMinRunLength)
            alternatives << QStringLiteral("%1 BETWEEN %2 AND %3")
                                .arg(column)
                                .arg(sorted.at(runStart))
                                .arg(sorted.at(i - 1));
        else
            singles << sorted.mid(runStart, i - runStart);
        runStart = i;
    }
    if (singles.size() > kMaxSingleComparisons)
        alternatives << inList(column, singles);
    else
        for (qint64 id : qAsConst(singles))
            alternatives << QStringLiteral("%1=%2").arg(column).arg(id);
    if (alternatives.size() > kMaxAlternatives)
        alternatives = QStringList{inList(column, sorted)};
    return alternatives;
}
