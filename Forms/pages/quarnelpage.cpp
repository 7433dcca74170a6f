#include "quarnelpage.h"

#include "appsettings.h"
#include "quarnellists.h"

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
    if (!m_lists)
        createModels();
    // The manufacturer chosen before stays chosen while it is listed.
    refreshManufacturers(m_manufacturerList.currentId());
}

void QuarnelPage::createModels()
{
    m_lists = new QuarnelLists(this);
    m_manufacturersView->setModel(m_lists->manufacturers());
    m_appliancesView->setModel(m_lists->appliances());
    connect(m_manufacturersView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &QuarnelPage::manufacturerActivated);
}

void QuarnelPage::releaseModels()
{
    m_manufacturersView->setModel(nullptr);
    m_appliancesView->setModel(nullptr);
    delete m_lists;
}

void QuarnelPage::refreshManufacturers(qint64 keepId)
{
    if (!m_lists)
        return;
    AppSettings *settings = AppSettings::instance();
    settings->queryFailed = false;
    m_manufacturerList.reread(
        [this, settings] { m_lists->selectManufacturers(settings->allFilter); },
        [this] { return m_lists->manufacturers()->rowCount(); },
        [this] {
            m_lists->selectNoAppliances();
            m_appliancesView->resizeColumnsToContents();
        },
        keepId);
}

void QuarnelPage::manufacturerActivated(const QModelIndex &current, const QModelIndex &previous)
{
    AppSettings *settings = AppSettings::instance();
    settings->queryFailed = false;
    if (current.row() == previous.row() || !m_lists)
        return;
    const QString name = current.model()->index(current.row(), 1).data().toString();
    if (m_lists->selectAppliances(name, settings->allFilter))
        m_appliancesView->resizeColumnsToContents();
}
