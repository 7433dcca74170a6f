#ifndef GERAETEMODEL_H
#define GERAETEMODEL_H

#include "editablesqlquerymodel.h"
#include "filereadmark.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class GeneralFilterHits;

class StatementRunner;
class WriteAction;

// The appliances ("Feuerstätten", table Geraete) of the selected
// manufacturer. Column 0 of the statement is the appliance id (TirmaId).
// For every row the model keeps the ids of the appliance's value sets that
// match the value search: they mark the rows of the current group and are
// what a drag into the group tree carries. The pseudo column "XXXDINPLUS"
// shows a three-state quality mark handed in by the main window.
class GeraeteModel : public EditableSqlQueryModel
{
    Q_OBJECT
public:
    explicit GeraeteModel(QObject *parent = nullptr);

    // The list statement for the given filters (the search texts doubled,
    // the general filter inserted as the SQL condition it is).
    static QString applianceListStatement(const QString &fields, qint64 manufacturerId,
                                          bool showOldAppliances, const QString &allFilter,
                                          const QString &valueFilter,
                                          const QString &applianceFilter);

    // Builds the statement from AppSettings and runs it on "Kolvex". Under
    // the general filter the appliances are named from the filter's hits
    // (shared with the manufacturer list, read again when stale).
    void selectAppliances();
    void shareFilterHits(std::shared_ptr<GeneralFilterHits> hits);
    // The base query, then the quality marks cleared and the value-set ids rebuilt.
    void setQuery(const QString &sql, const QSqlDatabase &db);

    // "#"-joined value-set ids of the row's appliance (empty when none).
    QString valueSetIdsOfRow(int row) const;
    // The ids of the listed appliance's value sets, as long as nothing can
    // have changed the value table since they were read (no write action of
    // ours, no commit of another program) and the current search makes them
    // hold every set the value list shows: what the value list of the
    // appliance needs to find its rows by key instead of a pass over Werte.
    std::optional<QList<qint64>> freshValueSetIds(qint64 applianceId) const;
    // Those of every appliance of the manufacturer, while the list shows
    // them all (no search, old appliances shown) and the ids are fresh.
    std::optional<QList<qint64>> freshValueSetIdsOfManufacturer(qint64 manufacturerId) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    // Quality marks: 0 none, 1 some value sets, 2 all value sets.
    void setDinplusState(int row, int state);
    void setDinplusAll(bool flag);
    int dinplusState(int row) const;
    bool isDinplusAll() const;
    // Switches the quality mark of every listed appliance to flag, with the
    // flag of those of its value sets whose remark matches valueFilter, in
    // one write action. The value sets of currentRow are left to
    // switchCurrent, which runs first within the same action. When nothing
    // could be stored the marks shown before come back and false is returned.
    // The work goes range by range of value-set ids with progress; a cancel
    // rolls the whole switch back.
    bool switchQualityMarks(bool flag, int currentRow, const QString &valueFilter,
                            const std::function<void()> &switchCurrent);
    // The statement of one range of value-set ids (range: a condition on
    // WerteId) for the appliances (a condition on Geraet).
    static QString qualityMarkStatement(bool flag, const QString &appliances,
                                        const QString &valueFilter, const QString &range);

public slots:
    void refresh() override;
    bool isInCurrentGroup(const QModelIndex &index) const override;
    // Reads the value-set ids of every row again (after value sets of a
    // listed appliance were created or deleted elsewhere).
    void rereadValueSetIds();

signals:
    // Value sets were deleted or pasted; the value list must be re-read.
    void werteAktualisieren();

private slots:
    // Context actions; the rows are model row numbers of the selection.
    void datenKopieren(QList<int> rows);
    void datenDuplizieren(QList<int> rows);
    void datenLoeschen(QList<int> rows);
    void datenEinfuegen(QList<int> rows);
    void removeFromGroup(QList<int> rows);

protected:
    QString handRecordsStatement() const override;

private:
    QStringList contextActions(const QModelIndex &index) const;
    const QSet<QString> &currentGroupIds() const;
    void rebuildRowValueSetIds();
    bool selectFromFilterHits(const QString &fields, const QString &whole);
    bool valueSetIdsAreFresh() const;

    bool updateStoredRow(const QModelIndex &index, const QVariant &value, int role);
    bool insertFromNewRecordRow(const QModelIndex &index, const QVariant &value);
    bool pasteValueSet(const StatementRunner &sql, qint64 valueSetId, qint64 newId,
                       qint64 applianceId);

    QMap<int, int> dinplusStates;
    QStringList rowValueSetIds;
    // When and for which value search rowValueSetIds were read.
    FileReadMark m_idsReadMark;
    QString m_idsValueFilter;
    // What the general filter found.
    std::shared_ptr<GeneralFilterHits> m_filterHits;

    mutable QString m_groupIdsSource;
    mutable QSet<QString> m_groupIds;
};

#endif // GERAETEMODEL_H
