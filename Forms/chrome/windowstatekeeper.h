#ifndef WINDOWSTATEKEEPER_H
#define WINDOWSTATEKEEPER_H

#include <QList>

class QFont;
class QMainWindow;
class QSplitter;
class QTableView;

// What the window keeps from one start to the next in the user settings:
// its geometry, the application font, the positions of its splitters and
// (in the maintenance edition, which shows them) of its tool bars, the
// column widths of the appliance and value lists, and the search histories.
// Saves them when it goes.
class WindowStateKeeper
{
public:
    WindowStateKeeper(QMainWindow *window, QTableView *appliances, QTableView *values);
    ~WindowStateKeeper();
    WindowStateKeeper(const WindowStateKeeper &) = delete;
    WindowStateKeeper &operator=(const WindowStateKeeper &) = delete;

    // Geometry, font, splitter and tool-bar positions of the last run.
    void restoreGeometryAndFont();
    // The lists of a newly opened database get the widths of the last one.
    void restoreColumnWidths();
    // The font dialog, starting at current; the chosen font is applied and
    // stored. Returns whether one was chosen.
    bool chooseFont(const QFont &current);

private:
    static void applyApplicationFont(const QFont &font);
    static QString splitterKey(const QSplitter *splitter);
    void save();

    QMainWindow *m_window;
    QTableView *m_appliances;
    QTableView *m_values;
    QList<QSplitter *> m_splitters;
};

#endif // WINDOWSTATEKEEPER_H
