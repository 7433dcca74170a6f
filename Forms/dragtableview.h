#ifndef DRAGTABLEVIEW_H
#define DRAGTABLEVIEW_H

#include <QTableView>

// Table view of the editable lists: context actions from the model and dragging.
class DragTableView : public QTableView
{
    Q_OBJECT
public:
    explicit DragTableView(QWidget *parent = nullptr);
    void setDragMode(int mode, int delay);
};

#endif // DRAGTABLEVIEW_H
