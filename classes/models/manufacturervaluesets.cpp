#include "manufacturervaluesets.h"

#include "valuesetidlookup.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

bool ManufacturerValueSets::read(QSqlDatabase db, qint64 manufacturerId)
{
    clear();
    FileReadMark before;
    QList<qint64> appliances;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!before.take(db)
        || !query.exec(QStringLiteral("SELECT TirmaId FROM Geraete WHERE HrstId=%1").arg(manufacturerId)))
        return false;
    while (query.next())
        appliances << query.value(0).toLongLong();
    query.finish();
    const QStringList joined = ValueSetIdLookup::joinedIdsPerAppliance(appliances, QString(), db);
    if (joined.size() != appliances.size() || !before.isCurrent(db))
        return false;
    for (int i = 0; i < appliances.size(); ++i) {
        m_joined.insert(appliances.at(i), joined.at(i));
        for (const QString &id : joined.at(i).split(QLatin1Char('#'), Qt::SkipEmptyParts))
            m_all << id.toLongLong();
    }
    m_manufacturer = manufacturerId;
    m_readMark = before;
    return true;
}

void ManufacturerValueSets::clear()
{
    m_manufacturer = -1;
    m_joined.clear();
    m_all.clear();
    m_readMark.clear();
}

bool ManufacturerValueSets::isFresh(QSqlDatabase db) const
{
    return m_manufacturer >= 0 && m_readMark.isCurrent(db);
}
