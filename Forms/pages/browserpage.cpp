#include "browserpage.h"

#include "appsettings.h"
#include "busycursor.h"
#include "currentrow.h"
#include "editablesqlquerymodeldelegate.h"
#include "geraetemodel.h"
#include "gruppenmodel.h"
#include "herstellermodel.h"
#include "queryfailurekeeper.h"
#include "restingfollower.h"
#include "wertemodel.h"

#include <QHeaderView>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace {

AppSettings *settings()
{
    return AppSettings::instance();
}

qint64 rowId(const QAbstractItemModel *model, int row)
{
    return model->data(model->index(row, 0)).toLongLong();
}

} // namespace

BrowserPage::BrowserPage(const Widgets &widgets, QObject *parent)
    : QObject(parent)
    , m_widgets(widgets)
    , m_manufacturerList(widgets.manufacturers)
{
    widgets.groups->hide();
    // As the window is shown before a database fills it, the edition's
    // layout holds from the first paint on.
    widgets.groupsBeside->hide();
    if (settings()->manufacturerMode) {
        widgets.manufacturers->hide();
        widgets.groupsButton->hide();
    }
    createFollowers();
    connect(widgets.appliances->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &BrowserPage::applianceHeaderClicked);
    connect(widgets.values->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &BrowserPage::valueHeaderClicked);
}

void BrowserPage::createFollowers()
{
    const Widgets &w = m_widgets;
    m_manufacturerFollow = new RestingFollower(
        w.manufacturers,
        [this](const QModelIndex &current, const QModelIndex &previous) {
            manufacturerActivated(current, previous);
        },
        this);
    m_applianceFollow = new RestingFollower(
        w.appliances,
        [this](const QModelIndex &current, const QModelIndex &) { applianceActivated(current); },
        this);
    for (QWidget *use : std::initializer_list<QWidget *>{
             w.appliances, w.appliances->horizontalHeader(), w.appliances->verticalHeader(),
             w.values, w.values->horizontalHeader(), w.values->verticalHeader(), w.groups,
             w.groupsBeside})
        m_manufacturerFollow->watchUse(use);
    for (QWidget *use : std::initializer_list<QWidget *>{
             w.values, w.values->horizontalHeader(), w.values->verticalHeader()})
        m_applianceFollow->watchUse(use);
}

void BrowserPage::followPendingMoves() const
{
    m_manufacturerFollow->flush();
    m_applianceFollow->flush();
}

EditableSqlQueryModel *BrowserPage::applianceModel() const
{
    followPendingMoves();
    return m_geraeteModel;
}

EditableSqlQueryModel *BrowserPage::valueModel() const
{
    followPendingMoves();
    return m_werteModel;
}

// ------------------------------------------------------------ models

void BrowserPage::createModels()
{
    // Models of an earlier database go; the views only know the new ones.
    for (QObject *old : std::initializer_list<QObject *>{
             m_herstellerModel, m_geraeteModel, m_werteModel, m_gruppenModel, m_gruppenModel2})
        if (old)
            old->deleteLater();
    createManufacturerModel();
    createApplianceModel();
    // Inserting, duplicating or deleting rows re-reads a list and drops its
    // current row; once the model is done the selection follows the ids again.
    connect(m_herstellerModel, &QAbstractItemModel::modelReset, this, [this] {
        QTimer::singleShot(0, this, &BrowserPage::restoreManufacturerSelection);
    });
    connect(m_geraeteModel, &QAbstractItemModel::modelReset, this, [this] {
        QTimer::singleShot(0, this, &BrowserPage::restoreApplianceSelection);
    });
    createValueModel();
    createGroupModels();
}

void BrowserPage::createManufacturerModel()
{
    QTableView *view = m_widgets.manufacturers;
    m_herstellerModel = new HerstellerModel(view);
    connect(m_herstellerModel, &HerstellerModel::geraeteHinzuaddiert, this,
            &BrowserPage::showAppliances);
    view->setModel(m_herstellerModel);
    view->setItemDelegate(new EditableSqlQueryModelDelegate(m_herstellerModel));
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, m_manufacturerFollow,
            &RestingFollower::currentRowChanged);
    followInsertedRecords(m_herstellerModel, view, 1);
}

void BrowserPage::followInsertedRecords(EditableSqlQueryModel *model, QTableView *view, int column)
{
    connect(model, &EditableSqlQueryModel::recordInserted, this, [this, model, view, column](qint64 id) {
        QTimer::singleShot(0, this, [model = QPointer<EditableSqlQueryModel>(model), view, column,
                                     id] {
            const int row = model && view->model() == model ? model->rowOfRecord(id) : -1;
            if (row >= 0)
                CurrentRow::select(view, row, column);
        });
    });
}

void BrowserPage::createApplianceModel()
{
    QTableView *view = m_widgets.appliances;
    GeraeteModel *model = new GeraeteModel(view);
    m_geraeteModel = model;
    // The general filter is read once for the manufacturer and appliance lists.
    model->shareFilterHits(m_herstellerModel->filterHits());
    connect(model, &EditableSqlQueryModel::currentGroupChangedTo, this,
            [this, model](const QString &members) { changeCurrentGroup(model, members); });
    connect(model, &GeraeteModel::werteAktualisieren, this, &BrowserPage::showValues);
    view->setModel(model);
    view->setItemDelegate(new EditableSqlQueryModelDelegate(model));
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, m_applianceFollow,
            &RestingFollower::currentRowChanged);
    followInsertedRecords(model, view, 2);
}

void BrowserPage::createValueModel()
{
    QTableView *view = m_widgets.values;
    WerteModel *model = new WerteModel(view);
    m_werteModel = model;
    connect(model, &EditableSqlQueryModel::currentGroupChangedTo, this,
            [this, model](const QString &members) { changeCurrentGroup(model, members); });
    // The appliance rows carry the ids of their value sets (group marks, drags).
    connect(model, &WerteModel::valueSetsChanged, this, [this] {
        if (m_geraeteModel)
            m_geraeteModel->rereadValueSetIds();
    });
    view->setModel(model);
    view->setItemDelegate(new EditableSqlQueryModelDelegate(model));
    followInsertedRecords(model, view, 2);
}

void BrowserPage::createGroupModels()
{
    m_gruppenModel = new GruppenModel(this);
    m_widgets.groups->setModel(m_gruppenModel);
    m_gruppenModel2 = new GruppenModel(this);
    m_widgets.groupsBeside->setModel(m_gruppenModel2);
    for (QAbstractItemView *view :
         {static_cast<QAbstractItemView *>(m_widgets.groups),
          static_cast<QAbstractItemView *>(m_widgets.groupsBeside)})
        connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                &BrowserPage::groupActivated);
    for (QAbstractItemView *view :
         {static_cast<QAbstractItemView *>(m_widgets.groups),
          static_cast<QAbstractItemView *>(m_widgets.groupsBeside)})
        connect(view->model(), &QAbstractItemModel::dataChanged, this,
                [this, view](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                    followCurrentGroupMembers(view, topLeft, bottomRight);
                });
}

void BrowserPage::showForManufacturerEdition()
{
    showAppliances();
    m_widgets.groupsButton->hide();
    m_widgets.manufacturers->hide();
    m_widgets.groupsBeside->hide();
}

void BrowserPage::showForMaintenanceEdition()
{
    settings()->currentManufacturerId = -1;
    refreshManufacturers();
    // The maintenance edition works with groups: the button opens them.
    m_widgets.groupsButton->show();
    m_widgets.groupsBeside->hide();
}

// ------------------------------------------------------------ lists

void BrowserPage::refreshManufacturers(bool keepChoice)
{
    if (!m_herstellerModel)
        return;
    const qint64 manufacturer = keepChoice ? settings()->currentManufacturerId : -1;
    const qint64 appliance = settings()->currentApplianceId;
    m_manufacturerList.reread(
        [this] {
            m_herstellerModel->selectManufacturers(settings()->allFilter);
            if (!settings()->queryFailed)
                settings()->currentManufacturerId = -1;
        },
        [this] { return m_herstellerModel->recordCount(); }, [this] { showAppliances(); },
        manufacturer);
    if (manufacturer > 0 && settings()->currentManufacturerId == manufacturer)
        makeApplianceCurrent(appliance);
}

void BrowserPage::makeApplianceCurrent(qint64 applianceId)
{
    const int row = applianceId > 0 && m_geraeteModel ? m_geraeteModel->rowOfRecord(applianceId)
                                                      : -1;
    if (row >= 0 && row != m_widgets.appliances->currentIndex().row())
        CurrentRow::select(m_widgets.appliances, row, 2);
}

void BrowserPage::fitToFont()
{
    m_manufacturerList.fitToNames();
    // The value columns were fitted to the old font.
    m_widgets.values->resizeColumnsToContents();
}

void BrowserPage::restoreManufacturerSelection()
{
    if (settings()->manufacturerMode)
        return;
    if (CurrentRow::restoreAfterReread(m_widgets.manufacturers, settings()->currentManufacturerId,
                                       1))
        showAppliances();
}

void BrowserPage::restoreApplianceSelection()
{
    if (CurrentRow::restoreAfterReread(m_widgets.appliances, settings()->currentApplianceId, 2))
        showValues();
}

void BrowserPage::manufacturerActivated(const QModelIndex &current, const QModelIndex &previous)
{
    if (current.row() == previous.row())
        return;
    settings()->currentManufacturerId = current.isValid() ? rowId(current.model(), current.row())
                                                          : 0;
    showAppliances();
    m_currentGroup.clear();
    if (m_geraeteModel)
        m_geraeteModel->setCurrentGroup(QString());
    if (m_werteModel)
        m_werteModel->setCurrentGroup(QString());
    rebuildGroupList();
}

void BrowserPage::showAppliances()
{
    if (!m_geraeteModel)
        return;
    m_manufacturerFollow->flush();
    QueryFailureKeeper failure;
    m_geraeteModel->selectAppliances();
    failure.capture();
    m_widgets.appliances->hideColumn(0);
    m_widgets.appliances->hideColumn(1);
    settings()->currentApplianceId = -1;
    settings()->currentValueId = -1;
    if (m_geraeteModel->recordCount() == 0)
        showValues();
    else
        CurrentRow::select(m_widgets.appliances, 0, 2);
}

void BrowserPage::applianceActivated(const QModelIndex &current)
{
    settings()->currentApplianceId = current.isValid() ? rowId(current.model(), current.row()) : 0;
    showValues();
}

void BrowserPage::showValues()
{
    if (!m_werteModel)
        return;
    m_applianceFollow->flush();
    // The appliance list read the ids of the value sets just now.
    const std::optional<QList<qint64>> known =
        m_geraeteModel ? m_geraeteModel->freshValueSetIds(settings()->currentApplianceId)
                       : std::nullopt;
    if (known)
        m_werteModel->reloadWerte(*known);
    else
        m_werteModel->reloadWerte();
    m_widgets.values->hideColumn(0);
    m_widgets.values->hideColumn(1);
    m_widgets.values->resizeColumnsToContents();
}

void BrowserPage::reloadAppliancesKeepingCurrent()
{
    if (!m_geraeteModel)
        return;
    const qint64 id = settings()->currentApplianceId;
    m_geraeteModel->refresh();
    settings()->currentApplianceId = -1;
    if (m_geraeteModel->recordCount() == 0) {
        showValues();
        return;
    }
    const int row = m_geraeteModel->rowOfRecord(id);
    CurrentRow::select(m_widgets.appliances, qMax(row, 0), 2);
}

void BrowserPage::showRestoredRecord(qint64 manufacturerId, qint64 applianceId, qint64 valueSetId)
{
    // Making the manufacturer current lists its appliances from the first.
    const qint64 appliance = applianceId > 0 ? applianceId : settings()->currentApplianceId;
    if (!settings()->manufacturerMode && m_herstellerModel) {
        const qint64 wanted = manufacturerId > 0 ? manufacturerId : settings()->currentManufacturerId;
        m_herstellerModel->refresh();
        const int row = m_herstellerModel->rowOfRecord(wanted);
        // Rows may have moved: the list follows the record, not the row.
        if (row >= 0)
            CurrentRow::select(m_widgets.manufacturers, row, 1);
        else
            rebuildGroupList();
    }
    settings()->currentApplianceId = appliance;
    reloadAppliancesKeepingCurrent();
    if (m_werteModel && valueSetId > 0) {
        const int row = m_werteModel->rowOfRecord(valueSetId);
        if (row >= 0)
            CurrentRow::select(m_widgets.values, row, 2);
    }
}

// ------------------------------------------------------------ groups

void BrowserPage::rebuildGroupList()
{
    if (!m_gruppenModel)
        return;
    m_gruppenModel->clear();
    m_gruppenModel->setHorizontalHeaderLabels({tr("Gruppe")});
    const qint64 manufacturer = settings()->currentManufacturerId;
    // The appliance list has just read the ids of all the manufacturer's sets.
    const std::optional<QList<qint64>> known =
        m_geraeteModel ? m_geraeteModel->freshValueSetIdsOfManufacturer(manufacturer) : std::nullopt;
    if (known)
        m_gruppenModel->loadGroupsOfValueSets(*known);
    else
        m_gruppenModel->loadGroupsOfManufacturer(manufacturer);
}

void BrowserPage::groupActivated(const QModelIndex &index)
{
    m_currentGroup = index.isValid() ? index.data(Qt::UserRole).toString() : QString();
    if (m_geraeteModel)
        m_geraeteModel->setCurrentGroup(m_currentGroup);
    if (m_werteModel)
        m_werteModel->setCurrentGroup(m_currentGroup);
}

void BrowserPage::followCurrentGroupMembers(QAbstractItemView *view, const QModelIndex &topLeft,
                                            const QModelIndex &bottomRight)
{
    // Value sets dropped onto the current group change its members without
    // a change of the current row: the lists mark the new members as well.
    const QModelIndex current = view->currentIndex();
    if (!current.isValid() || current.row() < topLeft.row() || current.row() > bottomRight.row())
        return;
    if (current.data(Qt::UserRole).toString() != m_currentGroup)
        groupActivated(current);
}

void BrowserPage::changeCurrentGroup(const QObject *changedBy, const QString &members)
{
    EditableSqlQueryModel *other = nullptr;
    if (changedBy == m_geraeteModel)
        other = m_werteModel;
    else if (changedBy == m_werteModel)
        other = m_geraeteModel;
    const auto apply = [&](QAbstractItemView *view, GruppenModel *model) {
        if (!model || !view->isVisible() || !view->currentIndex().isValid())
            return false;
        m_currentGroup = members;
        if (other)
            other->setCurrentGroup(members);
        model->setGruppenMembers(view->currentIndex(), members);
        // The lists mark what the group holds now, also when it could not be stored.
        groupActivated(view->currentIndex());
        return true;
    };
    if (!apply(m_widgets.groups, m_gruppenModel))
        apply(m_widgets.groupsBeside, m_gruppenModel2);
}

void BrowserPage::toggleGroups()
{
    QTreeView *groups = m_widgets.groups;
    if (groups->isVisible()) {
        groups->hide();
        // Without the current group too: a list would go on marking its
        // members and offer changes that the hidden group cannot take.
        if (QItemSelectionModel *selection = groups->selectionModel())
            selection->clear();
        m_widgets.groupsButton->setText(QStringLiteral(">\n>\n>"));
    } else {
        groups->show();
        m_widgets.groupsButton->setText(QStringLiteral("<\n<\n<"));
        emit groupsOpened();
    }
}

// ------------------------------------------------------------ quality marks

void BrowserPage::applianceHeaderClicked(int section)
{
    followPendingMoves();
    if (!m_geraeteModel || !m_werteModel || m_readOnly
        || section != m_geraeteModel->fieldIndex(QStringLiteral("XXXDINPLUS")))
        return;
    const bool flag = !m_geraeteModel->isDinplusAll();
    BusyCursor busy;
    const int current = m_widgets.appliances->currentIndex().row();
    if (!m_geraeteModel->switchQualityMarks(flag, current, settings()->valueFilter,
                                            [this, flag] { m_werteModel->setDinplusAll(flag); }))
        m_werteModel->refresh();   // nothing was stored: show the marks as they are
}

void BrowserPage::valueHeaderClicked(int section)
{
    followPendingMoves();
    if (!m_geraeteModel || !m_werteModel || m_readOnly
        || section != m_werteModel->fieldIndex(QStringLiteral("XXXDINPLUS")))
        return;
    m_werteModel->setDinplusAll(!m_werteModel->isDinplusAll());
    const int state = m_werteModel->isDinplusAll() ? 2 : m_werteModel->isDinplusAny() ? 1 : 0;
    m_geraeteModel->setDinplusState(m_widgets.appliances->currentIndex().row(), state);
}
