#include "generalfilterhits.h"

#include "filternarrowing.h"
#include "keyranges.h"
#include "splitrangeread.h"
#include "workprogress.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>

QString GeneralFilterHits::statement(const QString &filter)
{
    return QStringLiteral("SELECT Geraete.TirmaId, Geraete.HrstId FROM Geraete INNER JOIN Werte ON "
                          "Geraete.TirmaId=Werte.Geraet WHERE (%1) AND "
                          "typeof(Geraete.HrstId)='integer'")
        .arg(filter);
}

bool GeneralFilterHits::read(QSqlDatabase db, const QString &filter)
{
    clear();
    if (!FilterNarrowing::isSelfContained(filter))
        return false;
    FileReadMark before;
    if (!before.take(db))
        return false;
    const QList<KeyRanges::Range> ranges =
        KeyRanges::of(db, QStringLiteral("Werte"), QStringLiteral("WerteId"), kRangeWidth);
    WorkProgress progress(QCoreApplication::translate("GeneralFilterHits",
                                                      "Filter wird angewendet …"),
                          ranges.size(), false);
    QHash<qint64, QSet<qint64>> found;
    const bool read = SplitRangeRead::run(
        db, statement(filter), QStringLiteral("Werte.WerteId"), ranges,
        [&found](qint64 appliance, qint64 manufacturer) { found[manufacturer].insert(appliance); },
        [&progress](int done) { progress.advance(done); });
    progress.advance(ranges.size());
    if (!read || !before.isCurrent(db))
        return false;
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        QList<qint64> appliances(it->begin(), it->end());
        std::sort(appliances.begin(), appliances.end());
        m_appliances.insert(it.key(), appliances);
    }
    m_filter = filter;
    m_readMark = before;
    m_held = true;
    return true;
}

void GeneralFilterHits::clear()
{
    m_held = false;
    m_filter.clear();
    m_appliances.clear();
    m_readMark.clear();
}

bool GeneralFilterHits::holds(const QString &filter, QSqlDatabase db) const
{
    return m_held && m_filter == filter && m_readMark.isCurrent(db);
}

QList<qint64> GeneralFilterHits::manufacturers() const
{
    QList<qint64> ids = m_appliances.keys();
    std::sort(ids.begin(), ids.end());
    return ids;
}

QList<qint64> GeneralFilterHits::appliancesOf(qint64 manufacturerId) const
{
    return m_appliances.value(manufacturerId);
}
