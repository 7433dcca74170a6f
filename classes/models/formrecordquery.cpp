#include "formrecordquery.h"

#include "dbconnections.h"
#include "geraetemodel.h"
#include "wertemodel.h"

FormRecordQuery::FormRecordQuery(Table table)
    : m_table(table)
{
}

QString FormRecordQuery::statement(const QString &fields, int id) const
{
    const QString statement = m_table == Appliance
                                  ? QStringLiteral("SELECT %1 from geraete WHERE tirmaid=%2")
                                  : QStringLiteral("SELECT %1 from werte WHERE werteid=%2");
    return statement.arg(fields).arg(id);
}

void FormRecordQuery::select(EditableSqlQueryModel *model, const QString &fields, int id) const
{
    const QString sql = statement(fields, id);
    if (auto *geraete = qobject_cast<GeraeteModel *>(model))
        geraete->setQuery(sql, kolvexDb());
    else if (auto *werte = qobject_cast<WerteModel *>(model))
        werte->setQuery(sql, kolvexDb());
    else
        model->setQuery(sql, kolvexDb());
}
