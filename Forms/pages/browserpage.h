#ifndef BROWSERPAGE_H
#define BROWSERPAGE_H

#include "manufacturerlist.h"

#include <QObject>
#include <QPointer>
#include <QString>

class EditableSqlQueryModel;
class GeraeteModel;
class GruppenModel;
class HerstellerModel;
class QAbstractItemView;
class RestingFollower;
class QModelIndex;
class QTableView;
class QToolButton;
class QTreeView;
class WerteModel;

// The main page: manufacturers, their appliances ("Feuerstätten") and the
// value sets of the current appliance, with the group tree of the current
// manufacturer beside them. Each list follows the current row of the one
// before it, also after a re-read, and the lists mark the members of the
// current group. The quality-mark column headers switch the marks.
class BrowserPage : public QObject
{
    Q_OBJECT
public:
    struct Widgets {
        QTableView *manufacturers;
        QTableView *appliances;
        QTableView *values;
        QTreeView *groups;
        QTreeView *groupsBeside;    // the second group tree beside the manufacturers
        QToolButton *groupsButton;  // opens and closes the group tree
    };

    explicit BrowserPage(const Widgets &widgets, QObject *parent = nullptr);

    // The models of a newly opened database; those of the one before go.
    void createModels();
    // What the page shows in the manufacturer edition: the appliances of
    // the one manufacturer, no groups.
    void showForManufacturerEdition();
    // The maintenance edition: all manufacturers, the first one current,
    // and the button that opens the groups.
    void showForMaintenanceEdition();
    // A database that is only read keeps its quality marks.
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

    // keepChoice: the manufacturer and appliance chosen before stay chosen
    // while they are listed (a filter was taken away).
    void refreshManufacturers(bool keepChoice = false);
    void showAppliances();
    void showValues();
    // The form wrote its changes: the list re-reads them and keeps the
    // appliance the form showed current.
    void reloadAppliancesKeepingCurrent();
    // After undo or redo: every list re-read, the given records current
    // where they exist (-1: keep the current one).
    void showRestoredRecord(qint64 manufacturerId, qint64 applianceId, qint64 valueSetId);
    // The lists fitted to a new font.
    void fitToFont();
    // Opens or closes the group tree.
    void toggleGroups();

    QString currentGroupText() const { return m_currentGroup; }
    // The lists as they follow the current rows (a pending re-read runs first).
    EditableSqlQueryModel *applianceModel() const;
    EditableSqlQueryModel *valueModel() const;
    // Runs the re-reads still waiting for the current rows to rest.
    void followPendingMoves() const;

public slots:
    void manufacturerActivated(const QModelIndex &current, const QModelIndex &previous);
    void applianceActivated(const QModelIndex &current);
    void groupActivated(const QModelIndex &index);
    // A list changed the members of the current group (changedBy: its model).
    void changeCurrentGroup(const QObject *changedBy, const QString &members);
    // Column header clicks: the quality-mark column switches the marks.
    void applianceHeaderClicked(int section);
    void valueHeaderClicked(int section);

signals:
    // The group tree was opened.
    void groupsOpened();

private:
    void createManufacturerModel();
    void createApplianceModel();
    void createValueModel();
    void createGroupModels();
    void restoreManufacturerSelection();
    void restoreApplianceSelection();
    void makeApplianceCurrent(qint64 applianceId);
    // Once the model is done, the record typed into a list's new-record row
    // becomes its current row (the lists after it follow).
    void followInsertedRecords(EditableSqlQueryModel *model, QTableView *view, int column);
    void followCurrentGroupMembers(QAbstractItemView *view, const QModelIndex &topLeft,
                                   const QModelIndex &bottomRight);
    void rebuildGroupList();

    void createFollowers();

    Widgets m_widgets;
    RestingFollower *m_manufacturerFollow = nullptr;
    RestingFollower *m_applianceFollow = nullptr;
    ManufacturerList m_manufacturerList;
    QString m_currentGroup;
    bool m_readOnly = false;
    QPointer<HerstellerModel> m_herstellerModel;
    QPointer<GeraeteModel> m_geraeteModel;
    QPointer<WerteModel> m_werteModel;
    QPointer<GruppenModel> m_gruppenModel;
    QPointer<GruppenModel> m_gruppenModel2;
};

#endif // BROWSERPAGE_H
