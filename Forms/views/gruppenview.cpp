#include "gruppenview.h"
#include "markerdrag.h"

#include "gruppenmodel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFrame>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QShortcut>

namespace {

const QString kCsvMime = QStringLiteral("text/csv");

// The "#"-joined ids of a drop: the data up to its first zero byte.
QString droppedIds(const QMimeData *data)
{
    QByteArray bytes = data->data(kCsvMime);
    const int end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    return QString::fromLatin1(bytes);
}

} // namespace

GruppenView::GruppenView(QWidget *parent)
    : QTreeView(parent)
{
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);

    m_dropLine = new QFrame(this);
    m_dropLine->setFrameShape(QFrame::HLine);
    m_dropLine->setFixedHeight(2);
    m_dropLine->setLineWidth(2);
    m_dropLine->setStyleSheet(QStringLiteral("color: blue"));
    m_dropLine->hide();

    // Only while the groups have the focus: a window-wide Delete would take
    // the key from the tables, where it clears the selected cells.
    m_deleteShortcut = new QShortcut(QKeySequence(Qt::Key_Delete), this);
    m_deleteShortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(m_deleteShortcut, &QShortcut::activated, this, &GruppenView::deleteCurrentGruppe);
}

void GruppenView::setModel(QAbstractItemModel *model)
{
    m_gruppenModel = qobject_cast<GruppenModel *>(model);
    QTreeView::setModel(model);
}

// ------------------------------------------------------------ drops

void GruppenView::clearRowMarks()
{
    if (!model())
        return;
    const QBrush base = QApplication::palette().base();
    for (int row = 0; row < model()->rowCount(); ++row)
        model()->setData(model()->index(row, 0), base, Qt::BackgroundRole);
}

void GruppenView::showDropLineBelowLastRow()
{
    const int rows = model() ? model()->rowCount() : 0;
    QPoint place = viewport()->mapTo(this, QPoint(0, 0));
    if (rows > 0) {
        const QRect last = visualRect(model()->index(rows - 1, 0));
        place = viewport()->mapTo(this, QPoint(last.left(), last.bottom()));
    }
    m_dropLine->setGeometry(place.x(), place.y(), viewport()->width(), 2);
    m_dropLine->show();
    m_dropLine->raise();
}

void GruppenView::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasFormat(kCsvMime))
        event->acceptProposedAction();
}

void GruppenView::dragMoveEvent(QDragMoveEvent *event)
{
    if (!event->mimeData()->hasFormat(kCsvMime)) {
        event->ignore();
        return;
    }
    clearRowMarks();
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid()) {
        showDropLineBelowLastRow();
    } else {
        m_dropLine->hide();
        model()->setData(model()->index(index.row(), 0), QBrush(Qt::blue), Qt::BackgroundRole);
    }
    event->acceptProposedAction();
}

void GruppenView::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_dropLine->hide();
    clearRowMarks();
    event->accept();
}

void GruppenView::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasFormat(kCsvMime) || !m_gruppenModel) {
        event->ignore();
        return;
    }
    clearRowMarks();
    m_dropLine->hide();
    const QString ids = droppedIds(event->mimeData());
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid())
        m_gruppenModel->addGruppe(QString(), ids, true);
    else
        m_gruppenModel->addToGruppe(index, ids);
    selectionModel()->clear();
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    event->acceptProposedAction();
}

// ------------------------------------------------------------ dragging groups

QDrag *GruppenView::createDrag()
{
    if (!m_gruppenModel || !selectionModel() || !selectionModel()->hasSelection())
        return nullptr;
    QMimeData *data = m_gruppenModel->mimeData(selectionModel()->selectedIndexes());
    return createMarkerDrag(this, data);
}

void GruppenView::startDrag(Qt::DropActions supportedActions)
{
    Q_UNUSED(supportedActions)
    if (QDrag *drag = createDrag())
        drag->exec(Qt::CopyAction);
}

// ------------------------------------------------------------ removing groups

QMenu *GruppenView::createContextMenu(const QPoint &pos, QWidget *parent)
{
    if (!indexAt(pos).isValid())
        return nullptr;
    auto *menu = new QMenu(parent);
    QAction *remove = menu->addAction(tr("Gruppe entfernen"));
    connect(remove, &QAction::triggered, this, &GruppenView::deleteCurrentGruppe);
    return menu;
}

void GruppenView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu(event->pos(), this);
    if (!menu)
        return;
    menu->exec(event->globalPos());
    menu->deleteLater();
}

void GruppenView::deleteCurrentGruppe()
{
    if (!m_gruppenModel || !selectionModel())
        return;
    const QModelIndex current = selectionModel()->currentIndex();
    if (!current.isValid())
        return;
    if (QMessageBox::question(this, tr("Nachfrage"),
                              tr("Soll die Gruppe unwiderruflich gelöscht werden?"),
                              QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    m_gruppenModel->removeGruppe(current.row(), QModelIndex());
}
