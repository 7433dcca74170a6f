#include "quarnelpage.h"

#include "appsettings.h"
#include "quarnellists.h"

#include <QSqlQueryModel>
#include <QTableView>

QuarnelPage::QuarnelPage(QTableView *manufacturers, QTableView *appliances, QObject *parent)
    : QObject(parent)
    , m_manufacturersView(manufacturers)
    , m_appliancesView(appliances)
    , m_manufacturerList(manufacturers)
{
}

void QuarnelPage::show()
{
    if (!m_manufacturers)
        createModels();
    refreshManufacturers();
}

void QuarnelPage::createModels()
{
    m_manufacturers = new QSqlQueryModel(this);
    m_appliances = new QSqlQueryModel(this);
    m_manufacturersView->setModel(m_manufacturers);
    m_appliancesView->setModel(m_appliances);
    connect(m_manufacturersView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &QuarnelPage::manufacturerActivated);
}

void QuarnelPage::releaseModels()
{
    m_manufacturersView->setModel(nullptr);
    m_appliancesView->setModel(nullptr);
    delete m_manufacturers;
    delete m_appliances;
}

void QuarnelPage::refreshManufacturers()
{
    if (!m_manufacturers)
        return;
    AppSettings *settings = AppSettings::instance();
    settings->queryFailed = false;
    m_manufacturerList.reread(
        [this, settings] { QuarnelLists::selectManufacturers(m_manufacturers, settings->allFilter); },
        [this] { return m_manufacturers->rowCount(); },
        [this] {
            QuarnelLists::selectNoAppliances(m_appliances);
            m_appliancesView->resizeColumnsToContents();
        });
}

void QuarnelPage::manufacturerActivated(const QModelIndex &current, const QModelIndex &previous)
{
    AppSettings *settings = AppSettings::instance();
    settings->queryFailed = false;
    if (current.row() == previous.row() || !m_appliances)
        return;
    const QString name = current.model()->index(current.row(), 1).data().toString();
    if (QuarnelLists::selectAppliances(m_appliances, name, settings->allFilter))
        m_appliancesView->resizeColumnsToContents();
}
