#include "gruppenview.h"

GruppenView::GruppenView(QWidget *parent)
    : QTreeView(parent)
{
}
