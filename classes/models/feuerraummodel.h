#ifndef FEUERRAUMMODEL_H
#define FEUERRAUMMODEL_H

#include "editablesqlquerymodel.h"

#include <QList>

class StatementRunner;

// The fire chambers (table Gkostand) of the manufacturer chosen on the
// fire-chamber page. Column 0 of the statement is the record id.
class FeuerraumModel : public EditableSqlQueryModel
{
    Q_OBJECT
public:
    explicit FeuerraumModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

public slots:
    // Context actions; the rows are model row numbers of the selection.
    void datenKopieren(QList<int> rows);
    void datenDuplizieren(QList<int> rows);
    void datenLoeschen(QList<int> rows);

private:
};

#endif // FEUERRAUMMODEL_H
