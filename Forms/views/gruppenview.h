#ifndef GRUPPENVIEW_H
#define GRUPPENVIEW_H

#include <QPointer>
#include <QTreeView>

class GruppenModel;
class QDrag;
class QFrame;
class QMenu;
class QShortcut;

// Tree of the value-set groups. Value-set ids dragged as "text/csv" are
// dropped onto a group (added to it) or onto the empty space below the
// groups (a new group). While dragging, the group under the cursor is blue
// and a blue line marks the place of a new group. Delete and the context
// menu remove the current group after a question.
class GruppenView : public QTreeView
{
    Q_OBJECT
public:
    explicit GruppenView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;

    // The line that marks where a dropped set of value sets makes a new group.
    QFrame *dropLine() const { return m_dropLine; }
    QShortcut *deleteShortcut() const { return m_deleteShortcut; }
    // The context menu over a group at pos (viewport coordinates), owned by
    // parent; nullptr over empty space.
    QMenu *createContextMenu(const QPoint &pos, QWidget *parent);

protected slots:
    void deleteCurrentGruppe();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

    // The drag of the selected groups (the union of their members); nullptr without data.
    QDrag *createDrag();

private:
    void clearRowMarks();
    void showDropLineBelowLastRow();

    QFrame *m_dropLine = nullptr;
    QShortcut *m_deleteShortcut = nullptr;
    QPointer<GruppenModel> m_gruppenModel;
};

#endif // GRUPPENVIEW_H
