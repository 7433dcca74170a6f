#include "undocommands.h"

#include "undohistory.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QWidget>

UndoCommands::UndoCommands(QWidget *window, QMenuBar *menuBar, UndoHistory *history,
                           const QList<QWidget *> &lists)
    : QObject(window), m_window(window), m_history(history)
{
    m_undo = new QAction(tr("Rückgängig"), window);
    m_undo->setObjectName(QStringLiteral("actionRueckgaengig"));
    m_undo->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_Z));
    m_redo = new QAction(tr("Wiederholen"), window);
    m_redo->setObjectName(QStringLiteral("actionWiederholen"));
    m_redo->setShortcuts({QKeySequence(Qt::CTRL + Qt::Key_Y), QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_Z)});
    for (QAction *action : {m_undo, m_redo}) {
        action->setShortcutContext(Qt::WindowShortcut);
        window->addAction(action);
    }
    if (menuBar) {
        QMenu *menu = new QMenu(tr("Bearbeiten"), menuBar);
        menu->setObjectName(QStringLiteral("menuBearbeiten"));
        menu->addAction(m_undo);
        menu->addAction(m_redo);
        const QList<QAction *> menus = menuBar->actions();
        menuBar->insertMenu(menus.size() > 1 ? menus.at(1) : nullptr, menu);
    }
    for (QWidget *list : lists)
        list->addActions({m_undo, m_redo});
    connect(m_undo, &QAction::triggered, this, &UndoCommands::undo);
    connect(m_redo, &QAction::triggered, this, &UndoCommands::redo);
    connect(history, &UndoHistory::changed, this, &UndoCommands::updateTexts);
    connect(history, &UndoHistory::cleared, this,
            [this](const QString &message) { emit statusMessage(message, 10000); });
    connect(history, &UndoHistory::restored, this, &UndoCommands::recordRestored);
    updateTexts();
}

void UndoCommands::updateTexts()
{
    const QString undoName = m_history->undoName();
    if (m_history->canUndo())
        m_undo->setText(tr("Rückgängig: %1").arg(undoName));
    else if (m_history->isEnabled() && !undoName.isEmpty())
        m_undo->setText(tr("Nicht rückgängig zu machen: %1").arg(undoName));
    else
        m_undo->setText(tr("Rückgängig"));
    m_undo->setToolTip(m_history->undoRefusal().isEmpty() ? m_undo->text() : m_history->undoRefusal());
    m_undo->setEnabled(m_history->canUndo());
    m_redo->setText(m_history->canRedo() ? tr("Wiederholen: %1").arg(m_history->redoName())
                                         : tr("Wiederholen"));
    m_redo->setEnabled(m_history->canRedo());
}

void UndoCommands::undo()
{
    const QString name = m_history->undoName();
    QString reason;
    if (m_history->undo(&reason))
        emit statusMessage(tr("Rückgängig gemacht: %1").arg(name), 5000);
    else
        showFailure(tr("Rückgängig"), reason);
}

void UndoCommands::redo()
{
    const QString name = m_history->redoName();
    QString reason;
    if (m_history->redo(&reason))
        emit statusMessage(tr("Wiederholt: %1").arg(name), 5000);
    else
        showFailure(tr("Wiederholen"), reason);
}

void UndoCommands::showFailure(const QString &title, const QString &reason)
{
    QMessageBox::warning(m_window, title, reason, QMessageBox::Ok);
}
