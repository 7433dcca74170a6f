#ifndef RECENTFILESMENU_H
#define RECENTFILESMENU_H

#include <QObject>
#include <QStringList>

class QMenu;

// "Zuletzt geöffnet": the last databases opened, newest first, kept in the
// user settings under "ZuletztGeoeffnet". An entry whose file has gone is
// shown but cannot be chosen.
class RecentFilesMenu : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxFiles = 5;

    // menu: the (empty) menu the entries go into.
    explicit RecentFilesMenu(QMenu *menu, QObject *parent = nullptr);

    // A database was opened: it moves to the top.
    void remember(const QString &file);
    QStringList files() const;

signals:
    void fileChosen(const QString &file);

private:
    void rebuild();

    QMenu *m_menu;
};

#endif // RECENTFILESMENU_H
