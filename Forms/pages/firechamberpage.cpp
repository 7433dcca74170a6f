#include "firechamberpage.h"

#include "appsettings.h"
#include "currentrow.h"
#include "editablesqlquerymodeldelegate.h"
#include "feuerraummodel.h"
#include "herstellermodel.h"
#include "leadingcolumns.h"

#include <QTableView>
#include <QTimer>

FireChamberPage::FireChamberPage(QTableView *manufacturers, QTableView *chambers, QObject *parent)
    : QObject(parent)
    , m_manufacturersView(manufacturers)
    , m_chambersView(chambers)
    , m_manufacturerList(manufacturers)
{
}

void FireChamberPage::show()
{
    if (!m_manufacturers)
        createModels();
    refreshManufacturers(AppSettings::instance()->currentFireChamberManufacturerId);
}

void FireChamberPage::createModels()
{
    m_manufacturers = new HerstellerModel(m_manufacturersView);
    m_manufacturersView->setModel(m_manufacturers);
    m_manufacturersView->setItemDelegate(new EditableSqlQueryModelDelegate(m_manufacturers));
    connect(m_manufacturersView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &FireChamberPage::manufacturerActivated);
    connect(m_manufacturers, &QAbstractItemModel::modelReset, this, [this] {
        QTimer::singleShot(0, this, &FireChamberPage::restoreManufacturerSelection);
    });
    m_chambers = new FeuerraumModel(m_chambersView);
    m_chambersView->setModel(m_chambers);
    m_chambersView->setItemDelegate(new EditableSqlQueryModelDelegate(m_chambers));
}

void FireChamberPage::refreshManufacturers(qint64 keepId)
{
    if (!m_manufacturers)
        return;
    AppSettings *settings = AppSettings::instance();
    m_manufacturerList.reread(
        [this, settings] {
            m_manufacturers->selectFireChamberManufacturers(settings->allFilter);
            if (!settings->queryFailed)
                settings->currentFireChamberManufacturerId = -1;
        },
        [this] { return m_manufacturers->recordCount(); }, [this] { refreshChambers(); }, keepId);
}

void FireChamberPage::restoreManufacturerSelection()
{
    if (CurrentRow::restoreAfterReread(m_manufacturersView,
                                       AppSettings::instance()->currentFireChamberManufacturerId, 1))
        refreshChambers();
}

void FireChamberPage::manufacturerActivated(const QModelIndex &current, const QModelIndex &previous)
{
    if (current.row() == previous.row())
        return;
    AppSettings::instance()->currentFireChamberManufacturerId =
        current.isValid() ? current.model()->index(current.row(), 0).data().toLongLong() : 0;
    refreshChambers();
}

void FireChamberPage::refreshChambers()
{
    if (!m_chambers)
        return;
    AppSettings *settings = AppSettings::instance();
    m_chambers->selectFireChambers(settings->currentFireChamberManufacturerId, settings->allFilter);
    LeadingColumns::hide(m_chambersView, m_chambers, 3, QStringLiteral("Typ"));
    m_chambersView->resizeColumnsToContents();
}
