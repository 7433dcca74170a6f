#include "restingfollower.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QMouseEvent>

RestingFollower::RestingFollower(QAbstractItemView *source, Follow follow, QObject *parent)
    : QObject(parent)
    , m_source(source)
    , m_sourceObject(source)
    , m_viewportObject(source->viewport())
    , m_follow(std::move(follow))
{
    m_rest.setSingleShot(true);
    m_rest.setInterval(kRestMs);
    connect(&m_rest, &QTimer::timeout, this, &RestingFollower::flush);
    // Keys reach the view, the mouse its viewport.
    source->installEventFilter(this);
    source->viewport()->installEventFilter(this);
}

void RestingFollower::watchUse(QWidget *widget)
{
    widget->installEventFilter(this);
    if (auto *view = qobject_cast<QAbstractItemView *>(widget))
        view->viewport()->installEventFilter(this);
}

void RestingFollower::currentRowChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (!m_walking) {
        m_pending = false;
        m_rest.stop();
        m_follow(current, previous);
        return;
    }
    // The row left first is the one the following lists still show.
    if (!m_pending)
        m_followedPrevious = previous;
    m_pending = true;
    m_current = current;
    m_rest.start();
}

bool RestingFollower::flush()
{
    if (!m_pending)
        return false;
    m_pending = false;
    m_rest.stop();
    const QModelIndex current = m_current;
    const QModelIndex previous = m_followedPrevious;
    m_current = QPersistentModelIndex();
    m_followedPrevious = QPersistentModelIndex();
    // A re-read of the list in between has chosen its row itself.
    if (!m_source || !current.isValid() || current != m_source->currentIndex())
        return false;
    // Walked back to the row the lists still show: nothing to re-read.
    if (previous.isValid() && previous.row() == current.row())
        return false;
    m_follow(current, previous);
    return true;
}

void RestingFollower::noteWalking()
{
    if (m_walking)
        return;
    m_walking = true;
    // The move the key or the mouse makes happens while the event is handled.
    QTimer::singleShot(0, this, [this] { m_walking = false; });
}

bool RestingFollower::eventFilter(QObject *watched, QEvent *event)
{
    const bool onSource = watched == m_sourceObject || watched == m_viewportObject;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (onSource)
            noteWalking();
        else
            flush();
        break;
    case QEvent::MouseMove:
        if (onSource && static_cast<QMouseEvent *>(event)->buttons() != Qt::NoButton)
            noteWalking();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::Drop:
        flush();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
