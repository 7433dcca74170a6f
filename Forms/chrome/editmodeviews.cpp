#include "editmodeviews.h"

#include "dragtableview.h"

namespace {

const QAbstractItemView::EditTriggers kGentleTriggers = QAbstractItemView::DoubleClicked
                                                        | QAbstractItemView::SelectedClicked
                                                        | QAbstractItemView::AnyKeyPressed;

} // namespace

EditModeViews::EditModeViews(const QList<QAbstractItemView *> &fullyEditable,
                             const QList<QAbstractItemView *> &gentlyEditable,
                             const QList<DragTableView *> &dragging)
    : m_fullyEditable(fullyEditable)
    , m_gentlyEditable(gentlyEditable)
    , m_dragging(dragging)
{
}

void EditModeViews::apply(int mode) const
{
    const QAbstractItemView::EditTriggers full =
        mode == 0 ? QAbstractItemView::NoEditTriggers
                  : mode == 1 ? kGentleTriggers : QAbstractItemView::AllEditTriggers;
    const QAbstractItemView::EditTriggers gentle =
        mode == 0 ? QAbstractItemView::NoEditTriggers : kGentleTriggers;
    for (QAbstractItemView *view : m_fullyEditable)
        view->setEditTriggers(full);
    for (QAbstractItemView *view : m_gentlyEditable)
        view->setEditTriggers(gentle);
    const int dragMode = mode == 2 ? 0 : 3;
    for (DragTableView *view : m_dragging)
        view->setDragMode(dragMode, 500);
}
