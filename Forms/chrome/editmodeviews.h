#ifndef EDITMODEVIEWS_H
#define EDITMODEVIEWS_H

#include <QList>

class DragTableView;
class QAbstractItemView;

// How the lists take edits in each edit mode: 0 not at all, 1 on a double
// click, a click on the selected cell or a key, 2 on any trigger. The side
// lists of manufacturers only ever get the gentle triggers, and the lists
// that drag rows start a drag at once only while nothing can be edited
// by a mere click.
class EditModeViews
{
public:
    EditModeViews(const QList<QAbstractItemView *> &fullyEditable,
                  const QList<QAbstractItemView *> &gentlyEditable,
                  const QList<DragTableView *> &dragging);

    void apply(int mode) const;

private:
    QList<QAbstractItemView *> m_fullyEditable;
    QList<QAbstractItemView *> m_gentlyEditable;
    QList<DragTableView *> m_dragging;
};

#endif // EDITMODEVIEWS_H
