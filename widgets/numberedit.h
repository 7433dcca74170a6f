#ifndef NUMBEREDIT_H
#define NUMBEREDIT_H

#include <QLineEdit>
#include <QListWidget>
#include <QPointer>

// Text field of a combospinWgt. Turns the keys, the wheel, the focus
// changes and the context menu into requests to its owner, which holds the
// value and decides; the field itself only steers the owner's pick list
// while that is open, as the list keys go to the list.
class numberEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit numberEdit(QWidget *owner);

    // Called by the owner while it is destroyed: from then on the field is a
    // plain line edit and requests nothing.
    void releaseOwner() { m_owned = false; }

    // The owner's pick list, once it exists; Up, Down, the wheel and Return
    // go to it while it is open.
    void setPickList(QListWidget *list) { m_pickList = list; }
    // Whether the owner offers its tuning dialog in the context menu.
    void setTunable(bool tunable) { m_tunable = tunable; }
    // Whether the context menu is open: the focus it takes ends no edit.
    bool menuOpen() const { return m_menuOpen; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The edit ends here (Tab, Backtab, Return, Enter without a list entry);
    // what is committed next must be within the bounds.
    void finishRequested();
    // The field was entered by a click or by the program.
    void buttonsRequested();
    // The field lost the focus.
    void left();
    // Up, Down or the wheel while no pick list is open.
    void stepRequested(bool up, bool animated);
    // Space.
    void pickListRequested();
    void pickListEntryChosen(QListWidgetItem *item);
    void functionKeyPressed(int key);
    void calculatorRequested();
    void tuningRequested();
    // Escape: the value from before the edit comes back.
    void editCancelled();

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    bool handleEditorKey(QKeyEvent *event);
    bool pickListVisible() const;
    void forwardToPickList(int key);
    void takePickListEntry();

    bool m_owned = true;
    bool m_tunable = false;
    bool m_menuOpen = false;
    QPointer<QListWidget> m_pickList;
};

#endif // NUMBEREDIT_H
