#include "numberedit.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>

numberEdit::numberEdit(QWidget *owner)
    : QLineEdit(owner)
{
}

QSize numberEdit::sizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(QStringLiteral("999999.99")) + 10,
                 QLineEdit::sizeHint().height());
}

QSize numberEdit::minimumSizeHint() const
{
    return sizeHint();
}

bool numberEdit::pickListVisible() const
{
    return m_pickList && m_pickList->isVisible();
}

void numberEdit::forwardToPickList(int key)
{
    QKeyEvent forwarded(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(m_pickList.data(), &forwarded);
}

void numberEdit::takePickListEntry()
{
    QListWidgetItem *item = m_pickList->currentItem();
    if (!item || !item->isSelected())
        item = m_pickList->selectedItems().first();
    emit pickListEntryChosen(item);
}

bool numberEdit::event(QEvent *event)
{
    // Tab and Backtab move the focus before any key handler sees them; the
    // value is finished first, so that whoever commits it on the way out
    // (a view moving to the next cell) gets it within the bounds.
    if (m_owned && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            emit finishRequested();
    }
    return QLineEdit::event(event);
}

void numberEdit::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    if (m_owned && event->button() == Qt::LeftButton)
        emit buttonsRequested();
}

void numberEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    QLineEdit::mouseDoubleClickEvent(event);
}

void numberEdit::wheelEvent(QWheelEvent *event)
{
    if (!m_owned) {
        QLineEdit::wheelEvent(event);
        return;
    }
    if (isReadOnly())
        return;
    if (!hasFocus()) {
        QLineEdit::wheelEvent(event);
        return;
    }
    const QPoint delta = event->angleDelta();
    const int rotation = delta.y() != 0 ? delta.y() : delta.x();
    if (pickListVisible()) {
        // With the pick list open the wheel walks through its entries, as
        // Up and Down do; the value behind it stays.
        if (rotation != 0)
            forwardToPickList(rotation < 0 ? Qt::Key_Down : Qt::Key_Up);
    } else {
        emit stepRequested(rotation > 0, false);
    }
    event->accept();
}

void numberEdit::keyPressEvent(QKeyEvent *event)
{
    if (!m_owned) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    const bool passesReadOnly = key == Qt::Key_Return || key == Qt::Key_Enter
                                || key == Qt::Key_Tab || key == Qt::Key_Backtab;
    if (isReadOnly() && !passesReadOnly) {
        event->ignore();
        return;
    }
    if (handleEditorKey(event))
        return;
    if (!hasFocus())
        setFocus(Qt::OtherFocusReason);
    QLineEdit::keyPressEvent(event);
}

// Keys with a meaning of their own; returns false for the standard handling.
bool numberEdit::handleEditorKey(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        emit pickListRequested();
        event->accept();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (pickListVisible())
            forwardToPickList(event->key());
        else
            emit stepRequested(event->key() == Qt::Key_Up, true);
        event->accept();
        return true;
    case Qt::Key_F6:
    case Qt::Key_F7:
    case Qt::Key_F8:
    case Qt::Key_F9:
    case Qt::Key_F10:
        emit functionKeyPressed(event->key());
        event->accept();
        return true;
    case Qt::Key_Equal:
        emit calculatorRequested();
        event->accept();
        return true;
    case Qt::Key_Escape:
        emit editCancelled();
        event->ignore();   // the surrounding view may close the editor
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (pickListVisible() && !m_pickList->selectedItems().isEmpty()) {
            takePickListEntry();
            event->accept();
        } else {
            // The key ends the edit in a view or a form: what it commits
            // must already be within the bounds.
            emit finishRequested();
            event->ignore();
        }
        return true;
    default:
        return false;
    }
}

void numberEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (!m_owned)
        return;
    if (!isReadOnly())
        selectAll();
    if (event->reason() == Qt::OtherFocusReason)
        emit buttonsRequested();
}

void numberEdit::focusOutEvent(QFocusEvent *event)
{
    if (m_owned)
        emit left();
    QLineEdit::focusOutEvent(event);
}

void numberEdit::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    if (!m_owned || isReadOnly())
        return;
    m_menuOpen = true;
    QMenu menu(this);
    QAction *rechner = menu.addAction(QIcon(QStringLiteral(":/images/rechner.png")), tr("Rechner"));
    connect(rechner, &QAction::triggered, this, &numberEdit::calculatorRequested);
    if (m_tunable) {
        QAction *tune = menu.addAction(tr("Verhalten anpassen"));
        connect(tune, &QAction::triggered, this, &numberEdit::tuningRequested);
    }
    menu.exec(event->globalPos());
    m_menuOpen = false;
}
