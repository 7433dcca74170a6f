#include "numberedit.h"

#include "combospinwgt.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QToolButton>

numberEdit::numberEdit(combospinWgt *owner)
    : QLineEdit(owner), m_owner(owner)
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

bool numberEdit::event(QEvent *event)
{
    // Tab and Backtab move the focus before any key handler sees them; the
    // value is finished first, so that whoever commits it on the way out
    // (a view moving to the next cell) gets it within the bounds.
    if (m_owner && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            m_owner->finishEdit();
    }
    return QLineEdit::event(event);
}

void numberEdit::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    if (m_owner && event->button() == Qt::LeftButton)
        m_owner->showButtons();
}

void numberEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    QLineEdit::mouseDoubleClickEvent(event);
}

void numberEdit::wheelEvent(QWheelEvent *event)
{
    if (!m_owner) {
        QLineEdit::wheelEvent(event);
        return;
    }
    if (m_owner->m_readOnly)
        return;
    if (!hasFocus()) {
        QLineEdit::wheelEvent(event);
        return;
    }
    const QPoint delta = event->angleDelta();
    const int rotation = delta.y() != 0 ? delta.y() : delta.x();
    if (m_owner->pickListVisible()) {
        // With the pick list open the wheel walks through its entries, as
        // Up and Down do; the value behind it stays.
        if (rotation != 0) {
            QKeyEvent step(QEvent::KeyPress, rotation < 0 ? Qt::Key_Down : Qt::Key_Up,
                           Qt::NoModifier);
            QCoreApplication::sendEvent(m_owner->m_pickList.data(), &step);
        }
    } else if (m_owner->m_spinStep != 0.0) {
        // A disabled button does not click, so the wheel stops at the bounds.
        if (rotation <= 0)
            m_owner->m_downButton->click();
        else
            m_owner->m_upButton->click();
    }
    event->accept();
}

void numberEdit::keyPressEvent(QKeyEvent *event)
{
    if (!m_owner) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    const bool passesReadOnly = key == Qt::Key_Return || key == Qt::Key_Enter
                                || key == Qt::Key_Tab || key == Qt::Key_Backtab;
    if (m_owner->m_readOnly && !passesReadOnly) {
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
    combospinWgt *o = m_owner;
    switch (event->key()) {
    case Qt::Key_Space:
        if (!o->m_comboWerte.isEmpty())
            o->m_listButton->animateClick(100);
        event->accept();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (o->pickListVisible()) {
            QKeyEvent forwarded(QEvent::KeyPress, event->key(), Qt::NoModifier);
            QCoreApplication::sendEvent(o->m_pickList.data(), &forwarded);
        } else if (o->m_spinStep != 0.0) {
            (event->key() == Qt::Key_Up ? o->m_upButton : o->m_downButton)->animateClick(30);
        }
        event->accept();
        return true;
    case Qt::Key_F6:
    case Qt::Key_F7:
    case Qt::Key_F8:
    case Qt::Key_F9:
    case Qt::Key_F10:
        emit o->FKeySignal(event->key());
        event->accept();
        return true;
    case Qt::Key_Equal:
        o->showRechner();
        event->accept();
        return true;
    case Qt::Key_Escape:
        o->setWert(o->m_restoreWert);
        o->hidePickList();
        emit o->wertChanged(o->m_wert);
        event->ignore();   // the surrounding view may close the editor
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (o->pickListVisible() && !o->m_pickList->selectedItems().isEmpty()) {
            QListWidgetItem *item = o->m_pickList->currentItem();
            if (!item || !item->isSelected())
                item = o->m_pickList->selectedItems().first();
            o->fromListSelected(item);
            event->accept();
        } else {
            // The key ends the edit in a view or a form: what it commits
            // must already be within the bounds.
            o->finishEdit();
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
    if (!m_owner)
        return;
    if (!m_owner->m_readOnly)
        selectAll();
    if (event->reason() == Qt::OtherFocusReason)
        m_owner->showButtons();
}

void numberEdit::focusOutEvent(QFocusEvent *event)
{
    if (m_owner)
        m_owner->endEdit();
    QLineEdit::focusOutEvent(event);
}

void numberEdit::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    if (!m_owner || m_owner->m_readOnly)
        return;
    m_owner->m_menuOpen = true;
    QMenu menu(this);
    QAction *rechner = menu.addAction(QIcon(QStringLiteral(":/images/rechner.png")), tr("Rechner"));
    connect(rechner, &QAction::triggered, m_owner, &combospinWgt::showRechner);
    if (!m_owner->m_settingsKey.isEmpty()) {
        QAction *tune = menu.addAction(tr("Verhalten anpassen"));
        connect(tune, &QAction::triggered, m_owner, &combospinWgt::ask4Parameters);
    }
    menu.exec(event->globalPos());
    m_owner->m_menuOpen = false;
}
