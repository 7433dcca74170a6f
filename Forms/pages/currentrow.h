#ifndef CURRENTROW_H
#define CURRENTROW_H

#include <QtGlobal>

class QAbstractItemView;
class QTableView;

// The current row of a list whose record id sits in column 0.
class CurrentRow
{
public:
    // Makes (row, column) current and selects it so that the row-change
    // slots run even when a refresh left that row current (a failed
    // statement keeps the list, and with it the current row): the old
    // current index is dropped silently first.
    static void select(QAbstractItemView *view, int row, int column);

    // After a re-read dropped the view's current row: the record currentId
    // is made current again without any row-change slot. When it is gone
    // the first row takes its place (currentId -1, the slots run). Returns
    // true when the record is gone and the list holds no other: whatever
    // depends on the list must be emptied.
    static bool restoreAfterReread(QTableView *view, qint64 &currentId, int column);
};

#endif // CURRENTROW_H
