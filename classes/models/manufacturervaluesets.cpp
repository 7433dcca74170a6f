#include "manufacturervaluesets.h"

#include "valuesetidlookup.h"
#include "writeaction.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

bool ManufacturerValueSets::read(QSqlDatabase db, qint64 manufacturerId)
{
    clear();
    const quint64 writesBefore = WriteAction::finishedCount();
    const qint64 versionBefore = dataVersionOf(db);
    QList<qint64> appliances;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (versionBefore < 0
        || !query.exec(QStringLiteral("SELECT TirmaId FROM Geraete WHERE HrstId=%1").arg(manufacturerId)))
        return false;
    while (query.next())
        appliances << query.value(0).toLongLong();
    query.finish();
    const QStringList joined = ValueSetIdLookup::joinedIdsPerAppliance(appliances, QString(), db);
    if (joined.size() != appliances.size() || dataVersionOf(db) != versionBefore)
        return false;
    for (int i = 0; i < appliances.size(); ++i) {
        m_joined.insert(appliances.at(i), joined.at(i));
        for (const QString &id : joined.at(i).split(QLatin1Char('#'), Qt::SkipEmptyParts))
            m_all << id.toLongLong();
    }
    m_manufacturer = manufacturerId;
    m_readAfter = writesBefore;
    m_dataVersion = versionBefore;
    return true;
}

void ManufacturerValueSets::clear()
{
    m_manufacturer = -1;
    m_joined.clear();
    m_all.clear();
    m_dataVersion = -1;
}

bool ManufacturerValueSets::isFresh(QSqlDatabase db) const
{
    return m_manufacturer >= 0 && m_readAfter == WriteAction::finishedCount()
        && m_dataVersion >= 0 && m_dataVersion == dataVersionOf(db);
}

qint64 ManufacturerValueSets::dataVersionOf(QSqlDatabase db)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("PRAGMA data_version")) && query.next()
        ? query.value(0).toLongLong()
        : -2;
}
