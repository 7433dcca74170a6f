#include "draglistview.h"
#include "markerdrag.h"

#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QPixmap>
#include <QSet>

#include <algorithm>

DragListView::DragListView(QWidget *parent)
    : QListView(parent)
{
}

void DragListView::keyPressEvent(QKeyEvent *event)
{
    QListView::keyPressEvent(event);
    if (keepReturn && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter))
        event->accept();
}

QDrag *DragListView::createDrag()
{
    if (!model() || !selectionModel() || !selectionModel()->hasSelection())
        return nullptr;
    QModelIndexList indexes;
    for (const QModelIndex &index : selectionModel()->selectedIndexes()) {
        if (index.flags() & Qt::ItemIsDragEnabled)
            indexes << index;
    }
    if (indexes.isEmpty())
        return nullptr;
    // In the order the items appear, whatever order they were picked in.
    std::sort(indexes.begin(), indexes.end(), [](const QModelIndex &a, const QModelIndex &b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    QMimeData *data = model()->mimeData(indexes);
    return createMarkerDrag(this, data);
}

Qt::DropAction DragListView::defaultDropAction(Qt::DropActions supportedActions) const
{
    if ((supportedActions & Qt::CopyAction) && dragDropMode() != QAbstractItemView::InternalMove)
        return Qt::CopyAction;
    return Qt::IgnoreAction;
}

void DragListView::startDrag(Qt::DropActions supportedActions)
{
    QDrag *drag = createDrag();
    if (!drag)
        return;
    if (drag->exec(supportedActions, defaultDropAction(supportedActions)) == Qt::MoveAction)
        removeMovedRows();
}

void DragListView::removeMovedRows()
{
    if (!model() || !selectionModel())
        return;
    // Whole selected rows, bottom up so that the row numbers stay right. Rows
    // the model does not let drag (headings) were not carried and stay.
    QList<QPersistentModelIndex> rows;
    QSet<int> seen;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        const int lastColumn = model()->columnCount(range.parent()) - 1;
        if (range.left() != 0 || range.right() != lastColumn)
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row) {
            const QModelIndex index = model()->index(row, 0, range.parent());
            if ((index.flags() & Qt::ItemIsDragEnabled) && !seen.contains(row)) {
                seen.insert(row);
                rows << QPersistentModelIndex(index);
            }
        }
    }
    std::sort(rows.begin(), rows.end(), [](const QPersistentModelIndex &a,
                                           const QPersistentModelIndex &b) {
        return a.row() > b.row();
    });
    for (const QPersistentModelIndex &index : rows) {
        if (index.isValid())
            model()->removeRow(index.row(), index.parent());
    }
}
