#ifndef HERSTELLERMODEL_H
#define HERSTELLERMODEL_H

#include "editablesqlquerymodel.h"

#include <QList>

#include <memory>

class GeneralFilterHits;

class StatementRunner;

// The manufacturer list (table Hersteller). Column 0 of the statement is the
// manufacturer id, the shown name is column "NAME". Edits are written at
// once; a new name re-sorts the list with the selection kept. Deleting a
// manufacturer removes its appliances and their value sets; pasting copies
// the buffered appliances with their value sets into a manufacturer.
class HerstellerModel : public EditableSqlQueryModel
{
    Q_OBJECT
public:
    explicit HerstellerModel(QObject *parent = nullptr);

    // The list statements: every manufacturer, or, under the general filter
    // (an SQL condition), those with a matching value set, or those with a
    // fire chamber (matching the filter when one is given).
    static QString manufacturersStatement(const QString &filter);
    static QString fireChamberManufacturersStatement(const QString &filter);
    // Run those statements on "Kolvex". Under the general filter the list
    // comes from the filter's hits, read once for the appliance list too.
    void selectManufacturers(const QString &filter);
    void selectFireChamberManufacturers(const QString &filter);
    // What the general filter found, for the appliance list to share.
    std::shared_ptr<GeneralFilterHits> filterHits() const { return m_filterHits; }

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

signals:
    // Appliances were pasted into a manufacturer; the appliance list must be re-read.
    void geraeteHinzuaddiert();

private slots:
    // Context actions; the rows are model row numbers of the selection.
    void datenLoeschen(QList<int> rows);
    void datenEinfuegen(QList<int> rows);

private:
    QStringList contextActions(int row) const;
    void refreshKeepingSelection();
    bool selectFromFilterHits(const QString &filter);

    bool updateStoredRow(const QModelIndex &index, const QVariant &value, int role);
    bool insertFromNewRecordRow(const QModelIndex &index, const QVariant &value);
    void deleteManufacturer(const StatementRunner &sql, qint64 manufacturerId);
    void deleteManufacturers(const StatementRunner &sql, const QList<qint64> &ids);
    // The copy of the appliance in the manufacturer, without its value
    // sets; its id, or -1.
    qint64 pasteAppliance(const StatementRunner &sql, qint64 applianceId, qint64 manufacturerId);

    std::shared_ptr<GeneralFilterHits> m_filterHits;
};

#endif // HERSTELLERMODEL_H
