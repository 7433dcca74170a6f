#include "baustoffemodel.h"

#include "dbconnections.h"
#include "sqltext.h"

#include <QGuiApplication>
#include <QPalette>

BaustoffeModel::BaustoffeModel(QObject *parent)
    : EditableSqlQueryModel(parent)
{
}

void BaustoffeModel::selectMaterials()
{
    setQuery(QStringLiteral("Select * from Baustoffe order by Bezeichnung"), kolvexDb());
}

bool BaustoffeModel::isLambdaOverridden(const QModelIndex &index) const
{
    if (!index.isValid() || index.column() != fieldIndex(QStringLiteral("Lambda")))
        return false;
    const QModelIndex formula = this->index(index.row(), fieldIndex(QStringLiteral("LambdaBer")));
    return !data(formula, Qt::EditRole).toString().trimmed().isEmpty();
}

QVariant BaustoffeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        if (isLambdaOverridden(index))
            return QString();
        break;
    case Qt::BackgroundRole:
        if (isLambdaOverridden(index))
            return QGuiApplication::palette().color(QPalette::Disabled, QPalette::Base);
        break;
    case ContextActionsRole:
        if (isNewRecordRow(index.row()))
            return QVariant();
        return QStringList{tr("Baustoff DUPLIZIEREN#datenDuplizieren#%1").arg(4),
                           tr("Baustoff LÖSCHEN#datenLoeschen#%1").arg(3)};
    default:
        break;
    }
    return EditableSqlQueryModel::data(index, role);
}

Qt::ItemFlags BaustoffeModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = EditableSqlQueryModel::flags(index);
    if (isLambdaOverridden(index))
        f &= ~Qt::ItemIsEditable;
    return f;
}

bool BaustoffeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || isKeyColumn(index))
        return false;
    if (!isNewRecordRow(index.row()))
        return updateStoredCell(index, value, role,
                                QStringLiteral("UPDATE Baustoffe SET %1='%2' WHERE id=%3"));
    // An editor closed without typing commits an empty text: no blank record.
    if (value.isNull() || value.toString().isEmpty())
        return false;
    // With its id, so that the journal gives a copy the same row.
    return insertNewRecord(index, QStringLiteral("INSERT INTO Baustoffe (%1, Id) VALUES ('%2',%3)")
                               .arg(columnName(index), doubleApostrophes(value.toString()),
                                    QString::number(nextRecordId(QStringLiteral("Baustoffe"),
                                                                 QStringLiteral("Id")))));
}

void BaustoffeModel::datenDuplizieren(QList<int> rows)
{
    duplicateRecords(rows, QStringLiteral("Baustoffe"), QStringLiteral("Id"));
}

void BaustoffeModel::datenLoeschen(QList<int> rows)
{
    deleteRecords(rows, QStringLiteral("Baustoffe"), QStringLiteral("Id"));
}
