#ifndef DRAGLISTVIEW_H
#define DRAGLISTVIEW_H

#include <QListView>

class QDrag;

// List view that drags its selection with a small red marker and, when the
// drop reports a move, removes the moved rows. With keepReturn set, Return
// and Enter stay in the list instead of reaching the dialog's default button.
class DragListView : public QListView
{
    Q_OBJECT
public:
    explicit DragListView(QWidget *parent = nullptr);

    bool keepReturn = false;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;

    // The drag of the selected rows; nullptr without data.
    QDrag *createDrag();
    // The default action of a drag offering supportedActions.
    Qt::DropAction defaultDropAction(Qt::DropActions supportedActions) const;
    // After a move: removes the selected whole rows that were dragged.
    void removeMovedRows();
};

#endif // DRAGLISTVIEW_H
