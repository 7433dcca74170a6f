#ifndef BAUSTOFFEMODEL_H
#define BAUSTOFFEMODEL_H

#include "editablesqlquerymodel.h"

#include <QList>

// The building materials (table Baustoffe). Column 0 of the statement is
// the record id. A material whose thermal conductivity is given as a formula
// (LambdaBer) neither shows nor accepts a fixed value in column Lambda.
class BaustoffeModel : public EditableSqlQueryModel
{
    Q_OBJECT
public:
    explicit BaustoffeModel(QObject *parent = nullptr);

    // Reads every material, by name, from "Kolvex".
    void selectMaterials();

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

public slots:
    // Context actions; the rows are model row numbers of the selection.
    void datenDuplizieren(QList<int> rows);
    void datenLoeschen(QList<int> rows);

private:
    // The cell is Lambda and the same row has a LambdaBer text.
    bool isLambdaOverridden(const QModelIndex &index) const;
};

#endif // BAUSTOFFEMODEL_H
