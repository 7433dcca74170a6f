#ifndef LEADINGCOLUMNS_H
#define LEADINGCOLUMNS_H

#include <QString>

class EditableSqlQueryModel;
class QTableView;

// The leading technical columns of a side list (ids, keys, sort numbers).
class LeadingColumns
{
public:
    // Hides the first count columns, but never the column the list is
    // sorted by, which is what the user looks for.
    static void hide(QTableView *view, const EditableSqlQueryModel *model, int count,
                     const QString &sortColumn);
};

#endif // LEADINGCOLUMNS_H
