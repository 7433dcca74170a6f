#ifndef UNDOCOMMANDS_H
#define UNDOCOMMANDS_H

#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class UndoHistory;

// "Rückgängig" and "Wiederholen" of the window: Strg+Z, Strg+Y and
// Strg+Umschalt+Z held by the window itself (the manufacturer edition has
// no menu bar), a menu "Bearbeiten" in the maintenance edition, and the
// same two entries lent to the lists' context menus. The entries name the
// step they would take and are off when there is none.
class UndoCommands : public QObject
{
    Q_OBJECT
public:
    // lists: the lists whose context menus carry both entries.
    UndoCommands(QWidget *window, QMenuBar *menuBar, UndoHistory *history,
                 const QList<QWidget *> &lists);

    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }

signals:
    void statusMessage(const QString &message, int timeout);
    // After undo or redo: the record to make current (-1: none).
    void recordRestored(qint64 manufacturerId, qint64 applianceId, qint64 valueSetId);

private:
    void undo();
    void redo();
    void showFailure(const QString &title, const QString &reason);
    void updateTexts();

    QWidget *m_window;
    UndoHistory *m_history;
    QAction *m_undo;
    QAction *m_redo;
};

#endif // UNDOCOMMANDS_H
