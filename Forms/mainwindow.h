#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QSqlError>
#include <QStringList>

class QActionGroup;
class QCompleter;
class QDataWidgetMapper;
class QShortcut;
class QStringListModel;

namespace Ui {
class MainWindow;
}

// The one window of the tool: search bar, the stacked pages (browser,
// Quarnel, fire chambers, building materials, two form pages), menus and
// tool bar. Saves column widths, geometry and search histories on destruction.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Reopens the database connections on file; returns the last error (none on success).
    QSqlError openDataBase(const QString &file);

    // Whether the SQL layer offers the SQLite driver (exact, case-sensitive name).
    static bool hasSqliteDriver(const QStringList &drivers);

    int editMode() const { return m_editMode; }
    int currentPage() const { return m_page; }

public slots:
    void addConnection();
    void on_actionSchrift_triggered();
    void on_actionKolvex_Datenbank_triggered();
    void on_actionKolvex_Datenbank_toggled(bool on);
    void on_actionFeuerraume_Datenbank_triggered();
    void on_actionBaustoffe_Datenbank_triggered();
    void on_actionQuarnel_Datenbank_triggered();
    void on_actionUpdate_vorbereiten_triggered();
    void on_actionSuchleisteAnzeigen_toggled(bool on);
    void on_toolButtonShowGruppen_clicked();

private:
    void toggleAutoErfassdatum();
    void createSearchHistories();
    void restoreGeometryAndFont();
    void showPage(int page, QWidget *widget, const QString &connectionName);
    void adaptToManufacturerMode();
    void saveState();

    Ui::MainWindow *ui;
    QActionGroup *m_pageActions = nullptr;
    QStringListModel *m_appliancesHistory = nullptr;
    QStringListModel *m_valuesHistory = nullptr;
    QStringListModel *m_allHistory = nullptr;
    QCompleter *m_appliancesCompleter = nullptr;
    QCompleter *m_valuesCompleter = nullptr;
    QCompleter *m_allCompleter = nullptr;
    QDataWidgetMapper *m_applianceMapper = nullptr;
    QDataWidgetMapper *m_valueMapper = nullptr;
    bool m_applianceFormBuilt = false;
    bool m_valueFormBuilt = false;
    QShortcut *m_autoErfassdatumShortcut = nullptr;
    QShortcut *m_oldAppliancesShortcut = nullptr;
    QString m_currentGroup;
    int m_editMode = 1;
    int m_page = 0;
};

#endif // MAINWINDOW_H
