#ifndef READONLYGUARD_H
#define READONLYGUARD_H

#include <QList>
#include <QObject>
#include <QPointer>

class QAbstractItemView;
class QAction;
class QWidget;

// Holds back every writing gesture while the database is open for reading
// only: actions and widgets that only write are disabled, and the guarded
// views get no context menu (their entries copy, paste and delete), no
// Delete key and no drops. Browsing, selecting and dragging out stay.
class ReadOnlyGuard : public QObject
{
    Q_OBJECT
public:
    explicit ReadOnlyGuard(QObject *parent = nullptr);

    void guardView(QAbstractItemView *view);
    void guardAction(QAction *action);
    void guardWidget(QWidget *widget);

    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyToControls();

    bool m_readOnly = false;
    QList<QPointer<QAction>> m_actions;
    QList<QPointer<QWidget>> m_widgets;
};

#endif // READONLYGUARD_H
