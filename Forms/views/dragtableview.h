#ifndef DRAGTABLEVIEW_H
#define DRAGTABLEVIEW_H

#include <QList>
#include <QMap>
#include <QModelIndex>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QStringList>
#include <QTableView>
#include <QTimer>

class QDrag;
class QMenu;

// Table view of the editable lists. It offers the context actions that the
// model gives for all selected rows (role Qt::UserRole + 5) and calls the
// chosen model slot by name with the selected row numbers; it drags a
// multi-cell selection after a press delay so that a press on a selected
// cell keeps the selection; Delete clears the selected cells; clicks go to
// the model's indexClicked; the selection follows the row ids across a
// re-query of the model (signals saveSelection/loadSelection).
class DragTableView : public QTableView
{
    Q_OBJECT
public:
    // One context-action entry "text#slot#icon#attachments" split into its fields.
    struct ContextAction
    {
        QString text;
        QString slot;
        int icon = 0;         // 1 copy, 2 paste, 3 delete, 4 add
        int attachments = 0;  // 1 or more: a submenu of the manufacturer's attachments
        QString note;         // shown first in that submenu, not chosen (the source)
    };

    static constexpr int ContextActionsRole = Qt::UserRole + 5;

    explicit DragTableView(QWidget *parent = nullptr);

    // Mode 1 drags out, 2 accepts drops, 3 and 4 both, anything else neither;
    // delay is the press time in ms after which a press on a selection drags.
    void setDragMode(int mode, int delay);
    bool dragsOut() const { return m_dragOut; }
    bool dropsIn() const { return m_dropIn; }
    int pressDelay() const { return m_pressDelay; }
    // Whether a press on the selection waits for the drag or the release.
    bool isPressPending() const { return m_dragTimer.isActive(); }

    void setModel(QAbstractItemModel *model) override;

    // Context-menu logic that needs no window.
    static ContextAction parseContextAction(const QString &entry);
    // Entries of the first list that each further list also holds, in the first list's order.
    static QStringList commonContextActions(const QList<QStringList> &rowActions);
    // Distinct rows of the indexes in the order of first occurrence.
    static QList<int> distinctRows(const QModelIndexList &indexes);
    // Resource path of an icon number, empty for none.
    static QString contextIconPath(int number);

    // The entries that all given rows offer.
    QStringList contextActionsFor(const QList<int> &rows) const;
    // The context menu for the rows (owned by parent), or nullptr when it has no entry.
    // The data of an entry is the slot name, or the list (slot name, attachment id).
    QMenu *createContextMenu(const QList<int> &rows, QWidget *parent);
    // Runs a chosen entry: stores the attachment id, then calls the model slot with rows.
    void runContextAction(const QVariant &data, const QList<int> &rows);

protected slots:
    void myTimer_timeout();
    void delKeyPressed();
    void indexClicked(const QModelIndex &index);
    void indexDoubleClicked(const QModelIndex &index);
    void slotSaveSelection();
    void slotLoadSelection();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;

    // The drag of the selected cells that startDrag runs; nullptr without data.
    QDrag *createDrag();
    // The cells a drag carries: the selected cells the user sees, without the
    // new-record row, in the order they appear (row by row, left to right).
    QModelIndexList draggedCells() const;
    // Runs the drag until it is dropped or cancelled.
    virtual Qt::DropAction runDrag(QDrag *drag, Qt::DropActions supportedActions);
    // Whether a drop at pos (viewport coordinates) would paste this view's
    // running drag onto its own cells or where the press began.
    bool isOwnDropTarget(const QPoint &pos) const;

    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void addAttachmentSubmenu(QMenu *menu, const ContextAction &action);
    void forwardClick(const QModelIndex &index);
    void makeCurrent(const QModelIndex &index);
    qint64 idAt(int row) const;

    int m_pressY = 0;
    int m_pressX = 0;
    bool m_dragOut = false;
    bool m_dropIn = false;
    int m_pressDelay = 0;
    QTimer m_dragTimer;
    QModelIndexList m_savedSelection;
    QMap<int, qint64> m_savedIds;
    QModelIndex m_savedCurrent;
    // The cells of the drag this view runs, empty while none runs.
    QList<QPersistentModelIndex> m_ownDragCells;
};

#endif // DRAGTABLEVIEW_H
