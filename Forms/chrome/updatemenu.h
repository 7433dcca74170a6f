#ifndef UPDATEMENU_H
#define UPDATEMENU_H

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QWidget;

// The menu "Hersteller Updates" in the settings menu of the maintenance
// edition: for every manufacturer with an id range the entries that read
// that manufacturer's update file and write the update script for it, take
// the returned file over, and create the file to send.
class UpdateMenu : public QObject
{
    Q_OBJECT
public:
    // settingsMenu: where the menu goes, before the entry before (at the end
    // without one); dialogParent: for the file dialog and the messages.
    UpdateMenu(QMenu *settingsMenu, QWidget *dialogParent, QObject *parent = nullptr,
               QAction *before = nullptr);

    // The entries for the database file, replacing those of the one before.
    void rebuild(const QString &file);
    // A database that is only read offers no update.
    void setEnabled(bool enabled);

signals:
    // A message for the status bar.
    void statusMessage(const QString &text, int timeout);
    // A take-over changed the main file: the lists show it anew.
    void mainFileChanged();

private:
    void runUpdateExport(qint64 manufacturerId, const QString &name, const QString &file);

    QMenu *m_settingsMenu;
    QWidget *m_dialogParent;
    QAction *m_before;
    QAction *m_separator = nullptr;
    QMenu *m_menu = nullptr;
};

#endif // UPDATEMENU_H
