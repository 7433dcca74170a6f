#include "feuerraummodel.h"

#include "appsettings.h"
#include "dbconnections.h"
#include "sqltext.h"

namespace {

AppSettings *settings()
{
    return AppSettings::instance();
}

} // namespace

FeuerraumModel::FeuerraumModel(QObject *parent)
    : EditableSqlQueryModel(parent)
{
}

QString FeuerraumModel::fireChambersStatement(qint64 manufacturerId, const QString &filter)
{
    if (filter.isEmpty())
        return QStringLiteral("Select * from Gkostand where HrstId=%1 order by Typ")
            .arg(manufacturerId);
    return QStringLiteral("Select * from Gkostand where HrstId=%1 and %2 order by Typ")
        .arg(manufacturerId)
        .arg(filter);
}

void FeuerraumModel::selectFireChambers(qint64 manufacturerId, const QString &filter)
{
    setQuery(fireChambersStatement(manufacturerId, filter), kolvexDb());
}

int FeuerraumModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return recordCount()
           + (offersNewRecordRow() && settings()->currentFireChamberManufacturerId > 0 ? 1 : 0);
}

QVariant FeuerraumModel::data(const QModelIndex &index, int role) const
{
    if (role == ContextActionsRole) {
        if (!index.isValid() || isNewRecordRow(index.row()))
            return QVariant();
        return QStringList{tr("Feuerraum DUPLIZIEREN#datenDuplizieren#%1").arg(4),
                           tr("Feuerraum KOPIEREN#datenKopieren#%1").arg(1),
                           tr("Feuerraum LÖSCHEN#datenLoeschen#%1").arg(3)};
    }
    return EditableSqlQueryModel::data(index, role);
}

bool FeuerraumModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || isKeyColumn(index))
        return false;
    if (!isNewRecordRow(index.row()))
        return updateStoredCell(index, value, role,
                                QStringLiteral("UPDATE Gkostand SET %1='%2' WHERE id=%3"));
    // An editor closed without typing commits an empty text: no blank record.
    if (value.isNull() || value.toString().isEmpty())
        return false;
    // With its id, so that the journal gives a copy the same row.
    return insertNewRecord(index,
                           QStringLiteral("INSERT INTO Gkostand (%1, Hrstid, Id) VALUES ('%2',%3,%4)")
                               .arg(columnName(index), doubleApostrophes(value.toString()),
                                    QString::number(settings()->currentFireChamberManufacturerId),
                                    QString::number(nextRecordId(QStringLiteral("Gkostand"),
                                                                 QStringLiteral("Id")))));
}

void FeuerraumModel::datenKopieren(QList<int> rows)
{
    QStringList ids;
    for (int row : rows)
        ids << data(index(row, 0), Qt::EditRole).toString();
    settings()->copiedFireChambers = ids.join(QLatin1Char('#'));
}

void FeuerraumModel::datenDuplizieren(QList<int> rows)
{
    duplicateRecords(rows, QStringLiteral("Gkostand"), QStringLiteral("Id"));
}

void FeuerraumModel::datenLoeschen(QList<int> rows)
{
    deleteRecords(rows, QStringLiteral("Gkostand"), QStringLiteral("Id"));
}
