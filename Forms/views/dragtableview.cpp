#include "dragtableview.h"
#include "markerdrag.h"

#include "appsettings.h"
#include "cellclearing.h"
#include "editablesqlquerymodel.h"
#include "manufacturerattachments.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDebug>
#include <QDrag>
#include <QHeaderView>
#include <QItemSelection>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaObject>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QSet>

#include <algorithm>

namespace {

int numberField(const QStringList &fields, int i)
{
    return fields.value(i).trimmed().toInt();
}

} // namespace

DragTableView::DragTableView(QWidget *parent)
    : QTableView(parent)
{
    setDragDropMode(QAbstractItemView::NoDragDrop);
    // A column fitted to its contents stops at a readable width; longer
    // texts (a name of thousands of characters) end in an ellipsis.
    setTextElideMode(Qt::ElideRight);
    horizontalHeader()->setMaximumSectionSize(fontMetrics().horizontalAdvance(QLatin1Char('M'))
                                              * 40);
    connect(&m_dragTimer, &QTimer::timeout, this, &DragTableView::myTimer_timeout);
    connect(this, &QAbstractItemView::clicked, this, &DragTableView::indexClicked);
    connect(this, &QAbstractItemView::doubleClicked, this, &DragTableView::indexDoubleClicked);
}

void DragTableView::setDragMode(int mode, int delay)
{
    m_dragOut = mode == 1 || mode == 3 || mode == 4;
    m_dropIn = mode == 2 || mode == 3 || mode == 4;
    m_pressDelay = delay;
    m_dragTimer.setInterval(delay);
    setDragDropMode(m_dropIn ? QAbstractItemView::DropOnly : QAbstractItemView::NoDragDrop);
}

void DragTableView::setModel(QAbstractItemModel *newModel)
{
    if (auto *old = qobject_cast<EditableSqlQueryModel *>(model()))
        disconnect(old, nullptr, this, nullptr);
    QTableView::setModel(newModel);
    if (auto *editable = qobject_cast<EditableSqlQueryModel *>(newModel)) {
        connect(editable, &EditableSqlQueryModel::saveSelection, this,
                &DragTableView::slotSaveSelection);
        connect(editable, &EditableSqlQueryModel::loadSelection, this,
                &DragTableView::slotLoadSelection);
    }
}

// ------------------------------------------------------------ context menu

DragTableView::ContextAction DragTableView::parseContextAction(const QString &entry)
{
    const QStringList fields = entry.split(QLatin1Char('#'));
    ContextAction action;
    action.text = fields.value(0);
    action.slot = fields.value(1);
    action.icon = numberField(fields, 2);
    action.attachments = numberField(fields, 3);
    action.note = fields.value(4);
    return action;
}

QStringList DragTableView::commonContextActions(const QList<QStringList> &rowActions)
{
    if (rowActions.isEmpty())
        return {};
    QStringList common = rowActions.first();
    for (int i = 1; i < rowActions.size(); ++i) {
        const QStringList &offered = rowActions.at(i);
        common.erase(std::remove_if(common.begin(), common.end(),
                                    [&offered](const QString &entry) {
                                        return !offered.contains(entry);
                                    }),
                     common.end());
    }
    return common;
}

QList<int> DragTableView::distinctRows(const QModelIndexList &indexes)
{
    QList<int> rows;
    QSet<int> seen;
    for (const QModelIndex &index : indexes) {
        if (!seen.contains(index.row())) {
            seen.insert(index.row());
            rows << index.row();
        }
    }
    return rows;
}

QString DragTableView::contextIconPath(int number)
{
    switch (number) {
    case 1:
        return QStringLiteral(":/images/editcopy.png");
    case 2:
        return QStringLiteral(":/images/editpaste.png");
    case 3:
        return QStringLiteral(":/images/editdelete.png");
    case 4:
        return QStringLiteral(":/images/edit_add.png");
    default:
        return QString();
    }
}

QStringList DragTableView::contextActionsFor(const QList<int> &rows) const
{
    if (!model())
        return {};
    QList<QStringList> rowActions;
    for (int row : rows)
        rowActions << model()->index(row, 0).data(ContextActionsRole).toStringList();
    return commonContextActions(rowActions);
}

QMenu *DragTableView::createContextMenu(const QList<int> &rows, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    for (const QString &entry : contextActionsFor(rows)) {
        const ContextAction action = parseContextAction(entry);
        if (action.attachments >= 1) {
            addAttachmentSubmenu(menu, action);
            continue;
        }
        QAction *item = menu->addAction(QIcon(contextIconPath(action.icon)), action.text);
        item->setData(action.slot);
    }
    // Commands the window lends the list (undo, redo) come last.
    if (!actions().isEmpty()) {
        if (!menu->isEmpty())
            menu->addSeparator();
        menu->addActions(actions());
    }
    if (menu->isEmpty()) {
        delete menu;
        return nullptr;
    }
    return menu;
}

void DragTableView::addAttachmentSubmenu(QMenu *menu, const ContextAction &action)
{
    const QList<QPair<qint64, QString>> attachments =
        manufacturerAttachments(AppSettings::instance()->currentManufacturerId);
    if (attachments.isEmpty())
        return;
    QMenu *submenu = menu->addMenu(QIcon(contextIconPath(action.icon)), action.text);
    if (!action.note.isEmpty()) {
        QString label = action.note;
        label.replace(QLatin1Char('&'), QLatin1String("&&"));
        submenu->addAction(label)->setEnabled(false);
        submenu->addSeparator();
    }
    for (const auto &attachment : attachments) {
        QAction *item = submenu->addAction(attachment.second);
        item->setData(QStringList{action.slot, QString::number(attachment.first)});
    }
}

void DragTableView::runContextAction(const QVariant &data, const QList<int> &rows)
{
    const QStringList payload = data.toStringList();
    if (payload.isEmpty() || !model())
        return;
    qDebug() << "Kontextaktion" << payload << "Zeilen" << rows;
    if (payload.size() > 1)
        AppSettings::instance()->currentAttachmentId = payload.at(1).toLongLong();
    const QByteArray slot = payload.first().toLatin1();
    const QByteArray signature = QMetaObject::normalizedSignature(slot + "(QList<int>)");
    if (model()->metaObject()->indexOfMethod(signature.constData()) < 0)
        return;
    QMetaObject::invokeMethod(model(), slot.constData(), Qt::AutoConnection,
                              Q_ARG(QList<int>, rows));
}

void DragTableView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!model() || !selectionModel())
        return;
    const QList<int> rows = distinctRows(selectionModel()->selectedIndexes());
    if (rows.isEmpty())
        return;
    QMenu *menu = createContextMenu(rows, this);
    if (!menu)
        return;
    QAction *chosen = menu->exec(event->globalPos());
    const QVariant data = chosen ? chosen->data() : QVariant();
    menu->deleteLater();
    if (chosen)
        runContextAction(data, rows);
}

// ------------------------------------------------------------ deferred press and drag

void DragTableView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_dragOut && selectionModel()) {
        const QModelIndex index = indexAt(event->pos());
        if (index.isValid() && selectionModel()->isSelected(index)) {
            m_pressX = event->pos().x();
            m_pressY = event->pos().y();
            m_dragTimer.start(m_pressDelay);
            return;
        }
    }
    QTableView::mousePressEvent(event);
}

void DragTableView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragTimer.isActive()) {
        QTableView::mouseMoveEvent(event);
        return;
    }
    const int distance = qAbs(event->pos().x() - m_pressX) + qAbs(event->pos().y() - m_pressY);
    if (distance >= QApplication::startDragDistance()) {
        m_dragTimer.stop();
        startDrag(Qt::CopyAction);
    }
}

void DragTableView::myTimer_timeout()
{
    m_dragTimer.stop();
    startDrag(Qt::CopyAction);
}

void DragTableView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragTimer.isActive()) {
        m_dragTimer.stop();
        // The press was held back to keep the selection for a drag; now it
        // is a click: the base view gets the press, so that the cell under
        // the cursor is selected (or toggled with Ctrl, extended with Shift).
        QMouseEvent press(QEvent::MouseButtonPress, event->localPos(), event->windowPos(),
                          event->screenPos(), event->button(), event->buttons() | event->button(),
                          event->modifiers());
        QTableView::mousePressEvent(&press);
    }
    QTableView::mouseReleaseEvent(event);
}

QModelIndexList DragTableView::draggedCells() const
{
    if (!model() || !selectionModel())
        return {};
    // The view's own list leaves out hidden rows and columns (the record
    // keys), which a selection by row header contains as well.
    QModelIndexList cells;
    QSet<QPair<int, int>> seen;
    for (const QModelIndex &index : selectedIndexes()) {
        if (!(index.flags() & Qt::ItemIsDragEnabled))
            continue;
        const QPair<int, int> cell(index.row(), index.column());
        if (seen.contains(cell))
            continue;
        seen.insert(cell);
        cells << index;
    }
    const QHeaderView *rows = verticalHeader();
    const QHeaderView *columns = horizontalHeader();
    std::sort(cells.begin(), cells.end(), [rows, columns](const QModelIndex &a,
                                                          const QModelIndex &b) {
        const int rowA = rows->visualIndex(a.row());
        const int rowB = rows->visualIndex(b.row());
        if (rowA != rowB)
            return rowA < rowB;
        return columns->visualIndex(a.column()) < columns->visualIndex(b.column());
    });
    return cells;
}

QDrag *DragTableView::createDrag()
{
    const QModelIndexList cells = draggedCells();
    if (cells.isEmpty())
        return nullptr;
    return createMarkerDrag(this, model()->mimeData(cells));
}

void DragTableView::startDrag(Qt::DropActions supportedActions)
{
    const QModelIndexList cells = draggedCells();
    QDrag *drag = createDrag();
    if (!drag)
        return;
    // What is not carried (the new-record row) is no longer shown selected.
    QItemSelection notCarried;
    for (const QModelIndex &index : selectedIndexes()) {
        if (!(index.flags() & Qt::ItemIsDragEnabled))
            notCarried.select(index, index);
    }
    if (!notCarried.isEmpty())
        selectionModel()->select(notCarried, QItemSelectionModel::Deselect);
    for (const QModelIndex &cell : cells)
        m_ownDragCells << QPersistentModelIndex(cell);
    runDrag(drag, supportedActions);
    m_ownDragCells.clear();
}

Qt::DropAction DragTableView::runDrag(QDrag *drag, Qt::DropActions supportedActions)
{
    return drag->exec(supportedActions);
}

bool DragTableView::isOwnDropTarget(const QPoint &pos) const
{
    if (m_ownDragCells.isEmpty())
        return false;
    // Released where it was pressed: no drag was meant, whatever cell it is.
    const int moved = qAbs(pos.x() - m_pressX) + qAbs(pos.y() - m_pressY);
    if (moved < QApplication::startDragDistance())
        return true;
    const QModelIndex target = indexAt(pos);
    for (const QPersistentModelIndex &cell : m_ownDragCells) {
        if (cell == target)
            return true;
    }
    return false;
}

void DragTableView::dragMoveEvent(QDragMoveEvent *event)
{
    QTableView::dragMoveEvent(event);
    if (isOwnDropTarget(event->pos()))
        event->ignore();
}

void DragTableView::dropEvent(QDropEvent *event)
{
    if (isOwnDropTarget(event->pos())) {
        // Pasting the cells onto themselves would rewrite (and journal) them.
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        QDragLeaveEvent leave;
        QTableView::dragLeaveEvent(&leave);
        return;
    }
    QTableView::dropEvent(event);
}

// ------------------------------------------------------------ keys and clicks

void DragTableView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete) {
        delKeyPressed();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DragTableView::delKeyPressed()
{
    if (!model() || !selectionModel())
        return;
    // The cells the user sees: a row selected by its header holds the hidden
    // columns too (record key, appliance, manufacturer), and clearing those
    // would take the record away from where it belongs.
    const QModelIndexList selected = selectedIndexes();
    // Row numbers, not indexes: a model may re-read its rows after each write.
    QList<QPair<int, int>> cells;
    for (const QModelIndex &index : selected)
        cells << qMakePair(index.row(), index.column());
    // One key, one action: the lists of the window all write on "Kolvex".
    if (!CellClearing(model()).clear(cells) && qobject_cast<EditableSqlQueryModel *>(model()))
        QMetaObject::invokeMethod(model(), "refresh");   // show what is stored again
}

void DragTableView::forwardClick(const QModelIndex &index)
{
    if (!model())
        return;
    QMetaObject::invokeMethod(model(), "indexClicked", Qt::AutoConnection,
                              Q_ARG(QModelIndex, index),
                              Q_ARG(QAbstractItemView *, this));
}

void DragTableView::indexClicked(const QModelIndex &index)
{
    if (editTriggers() == QAbstractItemView::AllEditTriggers)
        forwardClick(index);
}

void DragTableView::indexDoubleClicked(const QModelIndex &index)
{
    // With every edit trigger the first click of the double click was
    // forwarded already: one double click, one toggle.
    if (editTriggers() != QAbstractItemView::NoEditTriggers
        && editTriggers() != QAbstractItemView::AllEditTriggers)
        forwardClick(index);
}

// ------------------------------------------------------------ selection across a re-query

qint64 DragTableView::idAt(int row) const
{
    return model()->index(row, 0).data(Qt::DisplayRole).toLongLong();
}

void DragTableView::slotSaveSelection()
{
    if (!model() || !selectionModel())
        return;
    m_savedSelection = selectionModel()->selectedIndexes();
    m_savedCurrent = selectionModel()->currentIndex();
    m_savedIds.clear();
    for (const QModelIndex &index : m_savedSelection)
        m_savedIds[index.row()] = idAt(index.row());
}

void DragTableView::makeCurrent(const QModelIndex &index)
{
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::Select);
    scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void DragTableView::slotLoadSelection()
{
    if (!model() || !selectionModel())
        return;
    selectionModel()->clearSelection();
    const auto isSavedCurrent = [this](int row, int column) {
        return m_savedCurrent.isValid() && row == m_savedCurrent.row()
            && column == m_savedCurrent.column();
    };
    bool currentSet = false;
    for (const QModelIndex &saved : m_savedSelection) {
        if (!saved.isValid())
            continue;
        const int row = saved.row();
        const int column = saved.column();
        const qint64 savedId = m_savedIds.value(row);
        if (idAt(row) == savedId) {
            const QModelIndex target = model()->index(row, column);
            selectionModel()->select(target, QItemSelectionModel::Select);
            if (isSavedCurrent(row, column)) {
                makeCurrent(target);
                currentSet = true;
            }
            continue;
        }
        for (int i = 0; i < model()->rowCount(); ++i) {
            if (idAt(i) != savedId)
                continue;
            const QModelIndex target = model()->index(i, column);
            selectionModel()->select(target, QItemSelectionModel::Select);
            if (isSavedCurrent(row, column)) {
                makeCurrent(target);
                currentSet = true;
            }
        }
    }
    if (m_savedSelection.isEmpty() || currentSet)
        return;
    if (m_savedCurrent.isValid())
        makeCurrent(model()->index(m_savedCurrent.row(), m_savedCurrent.column()));
}
