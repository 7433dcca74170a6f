#include "cellclearing.h"

#include "editablesqlquerymodel.h"
#include "writeaction.h"

#include <QAbstractItemModel>
#include <QCoreApplication>

CellClearing::CellClearing(QAbstractItemModel *model)
    : m_model(model)
{
}

bool CellClearing::clear(const QList<QPair<int, int>> &cells) const
{
    // What can be cleared is decided before the first write: a model may
    // re-read its rows after each one.
    const auto *sqlModel = qobject_cast<const EditableSqlQueryModel *>(m_model);
    QList<QPair<int, int>> cleared;
    for (const auto &cell : cells) {
        const QModelIndex index = m_model->index(cell.first, cell.second);
        // Keys, ids of other records and what the list shows read-only stay
        // as they are; so does a cell that is empty already.
        if (sqlModel && !sqlModel->isClearableCell(index))
            continue;
        const QVariant stored = index.data(Qt::EditRole);
        if (stored.isNull() || stored.toString().isEmpty())
            continue;
        if (!cleared.contains(cell))
            cleared << cell;
    }
    if (cleared.isEmpty())
        return true;
    // All or nothing: one cell that refuses the change leaves every cell as
    // it was, and the action reports once.
    WriteAction action(QString(), WriteAction::AllOrNothing);
    for (const auto &cell : qAsConst(cleared)) {
        if (!m_model->setData(m_model->index(cell.first, cell.second), QVariant(), Qt::EditRole)) {
            action.noteFailure(QCoreApplication::translate(
                "CellClearing", "Die Zelle in Zeile %1 lässt sich nicht leeren; es wurde nichts "
                                "geändert.")
                                   .arg(cell.first + 1));
            break;
        }
    }
    return action.finish();
}
