#include "manufacturerlist.h"

#include "appsettings.h"
#include "currentrow.h"
#include "editablesqlquerymodel.h"
#include "queryfailurekeeper.h"

#include <QHeaderView>
#include <QTableView>

namespace {

// Width a manufacturer list keeps even when it is empty or its statement
// failed, so that the list stays recognisable and readable.
int minimumWidth(const QWidget *view)
{
    return view->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 14;
}

// Rows that hold manufacturers: an editable list ends with its new-record row.
int records(const QAbstractItemModel *model)
{
    const auto *editable = qobject_cast<const EditableSqlQueryModel *>(model);
    return editable ? editable->recordCount() : model->rowCount();
}

} // namespace

ManufacturerList::ManufacturerList(QTableView *view)
    : m_view(view)
{
}

void ManufacturerList::reread(const std::function<void()> &select,
                              const std::function<int()> &records,
                              const std::function<void()> &whenEmpty, qint64 keepId)
{
    QueryFailureKeeper failure;
    select();
    failure.capture();
    // A statement the database refused left every list with the rows it
    // showed, and the current ids are still those of their current rows.
    if (AppSettings::instance()->queryFailed)
        return;
    m_view->hideColumn(0);
    fitToNames();
    if (records() == 0) {
        whenEmpty();
        return;
    }
    CurrentRow::select(m_view, qMax(rowOf(keepId), 0), 1);
}

int ManufacturerList::rowOf(qint64 id) const
{
    const QAbstractItemModel *model = m_view->model();
    if (!model || id <= 0)
        return -1;
    for (int row = 0; row < records(model); ++row) {
        if (model->index(row, 0).data().toLongLong() == id)
            return row;
    }
    return -1;
}

qint64 ManufacturerList::currentId() const
{
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? current.sibling(current.row(), 0).data().toLongLong() : -1;
}

void ManufacturerList::fitToNames()
{
    m_view->resizeColumnsToContents();
    fitWidth();
}

void ManufacturerList::fitWidth()
{
    m_view->setFixedWidth(qMax(m_view->columnWidth(1) + m_view->verticalHeader()->width() + 25,
                               minimumWidth(m_view)));
}
