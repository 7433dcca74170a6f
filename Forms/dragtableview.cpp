#include "dragtableview.h"

DragTableView::DragTableView(QWidget *parent)
    : QTableView(parent)
{
}

void DragTableView::setDragMode(int mode, int delay)
{
    Q_UNUSED(mode)
    Q_UNUSED(delay)
}
