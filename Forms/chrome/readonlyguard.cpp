#include "readonlyguard.h"

#include <QAbstractItemView>
#include <QAction>
#include <QEvent>
#include <QKeyEvent>

ReadOnlyGuard::ReadOnlyGuard(QObject *parent)
    : QObject(parent)
{
}

void ReadOnlyGuard::guardView(QAbstractItemView *view)
{
    // Keys reach the view, mouse, drops and context menus its viewport.
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
}

void ReadOnlyGuard::guardAction(QAction *action)
{
    m_actions << action;
    action->setEnabled(!m_readOnly);
}

void ReadOnlyGuard::guardWidget(QWidget *widget)
{
    m_widgets << widget;
    widget->setEnabled(!m_readOnly);
}

void ReadOnlyGuard::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    applyToControls();
}

void ReadOnlyGuard::applyToControls()
{
    for (const QPointer<QAction> &action : qAsConst(m_actions))
        if (action)
            action->setEnabled(!m_readOnly);
    for (const QPointer<QWidget> &widget : qAsConst(m_widgets))
        if (widget)
            widget->setEnabled(!m_readOnly);
}

bool ReadOnlyGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_readOnly)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ContextMenu:
        event->accept();
        return true;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        // Refused: the cursor shows that nothing can be dropped here.
        event->ignore();
        return true;
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
            event->accept();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
