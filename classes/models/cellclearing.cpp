#include "cellclearing.h"

#include "writeaction.h"

#include <QAbstractItemModel>

CellClearing::CellClearing(QAbstractItemModel *model)
    : m_model(model)
{
}

bool CellClearing::clear(const QList<QPair<int, int>> &cells) const
{
    WriteAction action;
    for (const auto &cell : cells)
        m_model->setData(m_model->index(cell.first, cell.second), QVariant(), Qt::EditRole);
    return action.finish();
}
