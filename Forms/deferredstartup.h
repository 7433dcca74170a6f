#ifndef DEFERREDSTARTUP_H
#define DEFERREDSTARTUP_H

#include <QObject>
#include <QStringList>
#include <QTimer>

class MainWindow;

// Opens the databases of a program start only once the main window is on
// the screen: until then the window shows the wait cursor over empty lists,
// so the user sees the program at once, however large the file. Then the
// files named on the command line are opened (failures told), or, when none
// opened, the remembered database or the one the user chooses.
class DeferredStartup : public QObject
{
    Q_OBJECT
public:
    // closeWhenFilled: the window closes as soon as its lists are filled
    // (for checks of an installed program).
    DeferredStartup(MainWindow &window, const QStringList &files, bool closeWhenFilled,
                    QObject *parent = nullptr);
    ~DeferredStartup() override;

    bool isDone() const { return m_done; }

signals:
    // The window has been painted for the first time: the user sees it.
    void shown();
    void filled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void openDatabases();
    void restoreCursor();

    MainWindow &m_window;
    QStringList m_files;
    bool m_closeWhenFilled;
    bool m_cursorShown = false;
    bool m_scheduled = false;
    bool m_done = false;
    // A window that is never painted (started minimised) is filled anyway.
    QTimer m_fallback;
};

#endif // DEFERREDSTARTUP_H
