#include "leadingcolumns.h"

#include "editablesqlquerymodel.h"

#include <QTableView>

void LeadingColumns::hide(QTableView *view, const EditableSqlQueryModel *model, int count,
                          const QString &sortColumn)
{
    const int keep = model->fieldIndex(sortColumn);
    for (int c = 0; c < count; ++c)
        view->setColumnHidden(c, c != keep);
}
