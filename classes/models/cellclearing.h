#ifndef CELLCLEARING_H
#define CELLCLEARING_H

#include <QList>
#include <QPair>

class QAbstractItemModel;

// Clears cells of a model (writes NULL through setData) as one write action
// on the main connection "Kolvex": the models' own actions join it, and
// the cells reach the file together or not at all.
class CellClearing
{
public:
    explicit CellClearing(QAbstractItemModel *model);

    // cells as (row, column): row numbers rather than indexes, since a model
    // may re-read its rows after each write. Returns whether the action's
    // changes are in the file.
    bool clear(const QList<QPair<int, int>> &cells) const;

private:
    QAbstractItemModel *m_model;
};

#endif // CELLCLEARING_H
