#include "manufacturerlist.h"

#include "appsettings.h"
#include "currentrow.h"
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

} // namespace

ManufacturerList::ManufacturerList(QTableView *view)
    : m_view(view)
{
}

void ManufacturerList::reread(const std::function<void()> &select,
                              const std::function<int()> &records,
                              const std::function<void()> &whenEmpty)
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
    if (records() == 0)
        whenEmpty();
    else
        CurrentRow::select(m_view, 0, 1);
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
