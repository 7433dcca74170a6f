#include "currentrow.h"

#include "editablesqlquerymodel.h"

#include <QItemSelectionModel>
#include <QSignalBlocker>
#include <QTableView>

void CurrentRow::select(QAbstractItemView *view, int row, int column)
{
    QItemSelectionModel *selection = view->selectionModel();
    {
        const QSignalBlocker blocker(selection);
        selection->clearCurrentIndex();
        selection->clearSelection();
    }
    selection->setCurrentIndex(view->model()->index(row, column),
                               QItemSelectionModel::ClearAndSelect);
}

bool CurrentRow::restoreAfterReread(QTableView *view, qint64 &currentId, int column)
{
    // Another refresh has chosen a row meanwhile.
    if (!view->model() || view->currentIndex().isValid())
        return false;
    const auto *model = qobject_cast<const EditableSqlQueryModel *>(view->model());
    const int row = model && currentId > 0 ? model->rowOfRecord(currentId) : -1;
    if (row >= 0) {
        // The record is still listed: only the view lost its place.
        QItemSelectionModel *selection = view->selectionModel();
        const QSignalBlocker blocker(selection);
        selection->setCurrentIndex(view->model()->index(row, column),
                                   QItemSelectionModel::ClearAndSelect);
        view->viewport()->update();
        return false;
    }
    if (currentId <= 0)
        return false;
    // The current record is gone: the first row takes its place, or none.
    currentId = -1;
    if (model && model->recordCount() > 0) {
        select(view, 0, column);
        return false;
    }
    return true;
}
