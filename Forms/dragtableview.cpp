#include "dragtableview.h"

DragTableView::DragTableView(QWidget *parent)
    : QTableView(parent)
{
}
