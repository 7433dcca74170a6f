#include "quarnellists.h"

#include "appsettings.h"
#include "dbconnections.h"
#include "queryfailurekeeper.h"
#include "sqltext.h"

#include <QSqlQuery>
#include <QSqlQueryModel>

QuarnelLists::QuarnelLists(QObject *parent)
    : QObject(parent)
    , m_manufacturers(new QSqlQueryModel(this))
    , m_appliances(new QSqlQueryModel(this))
{
}

QAbstractItemModel *QuarnelLists::manufacturers() const
{
    return m_manufacturers;
}

QAbstractItemModel *QuarnelLists::appliances() const
{
    return m_appliances;
}

QString QuarnelLists::manufacturersStatement(const QString &filter)
{
    if (filter.isEmpty())
        return QStringLiteral("SELECT hnr, hersteller FROM hersteller WHERE vonwas=1 ORDER BY "
                              "lower(hersteller) ASC;");
    return QStringLiteral("SELECT hnr, hersteller FROM hersteller WHERE vonwas=1  AND "
                          "hersteller IN (SELECT DISTINCT Hersteller FROM Waermedb WHERE %1) "
                          "ORDER BY lower(hersteller) ASC;")
        .arg(filter);
}

QString QuarnelLists::appliancesStatement(const QString &manufacturer, const QString &filter)
{
    const QString name = doubleApostrophes(manufacturer);
    if (filter.isEmpty())
        return QStringLiteral("Select * from Waermedb where Hersteller='%1' order by Typ").arg(name);
    return QStringLiteral("Select * from Waermedb where Hersteller='%1' and %2 order "
                          "by Typ")
        .arg(name, filter);
}

bool QuarnelLists::tryStatement(const QString &sql)
{
    QSqlQuery trial(quarnelDb());
    if (trial.exec(sql))
        return true;
    AppSettings *settings = AppSettings::instance();
    settings->queryFailed = true;
    settings->failedQuery = sql;
    settings->failedQueryReason = QueryFailureKeeper::reasonOf(trial.lastError());
    return false;
}

void QuarnelLists::selectManufacturers(const QString &filter)
{
    const QString sql = manufacturersStatement(filter);
    if (!filter.isEmpty())
        tryStatement(sql);
    m_manufacturers->setQuery(sql, quarnelDb());
    while (m_manufacturers->canFetchMore())
        m_manufacturers->fetchMore();
}

void QuarnelLists::selectNoAppliances()
{
    m_appliances->setQuery(QStringLiteral("Select * from Waermedb where Hersteller='' order by Typ"),
                           quarnelDb());
}

bool QuarnelLists::selectAppliances(const QString &manufacturer, const QString &filter)
{
    const QString sql = appliancesStatement(manufacturer, filter);
    if (!filter.isEmpty() && !tryStatement(sql))
        return false;
    m_appliances->setQuery(sql, quarnelDb());
    return true;
}
