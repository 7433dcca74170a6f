#include "quarnellists.h"

#include "appsettings.h"
#include "dbconnections.h"
#include "sqltext.h"

#include <QSqlQuery>
#include <QSqlQueryModel>

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
    return false;
}

void QuarnelLists::selectManufacturers(QSqlQueryModel *model, const QString &filter)
{
    const QString sql = manufacturersStatement(filter);
    if (!filter.isEmpty())
        tryStatement(sql);
    model->setQuery(sql, quarnelDb());
    while (model->canFetchMore())
        model->fetchMore();
}

void QuarnelLists::selectNoAppliances(QSqlQueryModel *model)
{
    model->setQuery(QStringLiteral("Select * from Waermedb where Hersteller='' order by Typ"),
                    quarnelDb());
}

bool QuarnelLists::selectAppliances(QSqlQueryModel *model, const QString &manufacturer,
                                    const QString &filter)
{
    const QString sql = appliancesStatement(manufacturer, filter);
    if (!filter.isEmpty() && !tryStatement(sql))
        return false;
    model->setQuery(sql, quarnelDb());
    return true;
}
