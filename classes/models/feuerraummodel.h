#ifndef FEUERRAUMMODEL_H
#define FEUERRAUMMODEL_H

#include "editablesqlquerymodel.h"

#include <QList>

// The fire chambers (table Gkostand) of the manufacturer chosen on the
// fire-chamber page. Column 0 of the statement is the record id.
class FeuerraumModel : public EditableSqlQueryModel
{
    Q_OBJECT
public:
    explicit FeuerraumModel(QObject *parent = nullptr);

    // The list statement: the fire chambers of the manufacturer, by type,
    // narrowed by the general filter (an SQL condition) when one is given.
    static QString fireChambersStatement(qint64 manufacturerId, const QString &filter);
    // Runs that statement on "Kolvex".
    void selectFireChambers(qint64 manufacturerId, const QString &filter);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

public slots:
    // Context actions; the rows are model row numbers of the selection.
    void datenKopieren(QList<int> rows);
    void datenDuplizieren(QList<int> rows);
    void datenLoeschen(QList<int> rows);
};

#endif // FEUERRAUMMODEL_H
