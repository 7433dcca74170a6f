#ifndef RESTINGFOLLOWER_H
#define RESTINGFOLLOWER_H

#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTimer>

#include <functional>

class QAbstractItemView;
class QWidget;

// What the lists after a list do when its current row changes. A row
// reached by walking (keys, dragging the mouse over the rows) is followed
// only once it has rested a moment, so holding the arrow key re-reads
// nothing until the user stops; any other change is followed at once.
// Before anything uses the lists that follow (a press, a key, a context
// menu or a drop on one of the watched widgets, or flush()), a pending
// follow runs first: nothing acts on a list that still shows the row left.
class RestingFollower : public QObject
{
    Q_OBJECT
public:
    using Follow = std::function<void(const QModelIndex &current, const QModelIndex &previous)>;

    static constexpr int kRestMs = 150;

    RestingFollower(QAbstractItemView *source, Follow follow, QObject *parent = nullptr);

    // Interaction with widget (and its viewport, for a view) runs a pending
    // follow before the widget sees it.
    void watchUse(QWidget *widget);
    // Connected to the source's current-row change.
    void currentRowChanged(const QModelIndex &current, const QModelIndex &previous);
    // Runs a pending follow now; true when one ran.
    bool flush();
    bool isPending() const { return m_pending; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void noteWalking();

    QPointer<QAbstractItemView> m_source;
    // Compared as plain objects: events still arrive while the view and its
    // viewport are being destroyed, when they are no longer views or widgets.
    const QObject *m_sourceObject;
    const QObject *m_viewportObject;
    Follow m_follow;
    QTimer m_rest;
    bool m_walking = false;
    bool m_pending = false;
    QPersistentModelIndex m_current;
    QPersistentModelIndex m_followedPrevious;
};

#endif // RESTINGFOLLOWER_H
