#ifndef NUMBEREDIT_H
#define NUMBEREDIT_H

#include <QLineEdit>

class combospinWgt;

// Text field of a combospinWgt. Handles the keys, the wheel, the focus
// changes and the context menu of the editor; all state is the owner's.
class numberEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit numberEdit(combospinWgt *owner);

    combospinWgt *owner() const { return m_owner; }
    // Called by the owner while it is destroyed: from then on the field is a
    // plain line edit and touches nothing of the owner.
    void releaseOwner() { m_owner = nullptr; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

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

    combospinWgt *m_owner;
};

#endif // NUMBEREDIT_H
