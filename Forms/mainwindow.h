#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QModelIndex>
#include <QSqlError>
#include <QStringList>

#include <memory>

class BackupCommand;
class BrowserPage;
class DatabasePathLabel;
class EditModeViews;
class FieldListChooser;
class FireChamberPage;
class FormPage;
class JournalPacker;
class ManufacturerModeLabel;
class MaterialPage;
class QActionGroup;
class QShortcut;
class QuarnelPage;
class ReadOnlyGuard;
class RecentFilesMenu;
class SearchBar;
class UpdateMenu;
class WindowStateKeeper;

namespace Ui {
class MainWindow;
}

// The one window of the tool: search bar, the stacked pages (browser,
// Quarnel, fire chambers, building materials, two form pages), menus and
// tool bar. It owns the pages and the chrome around them and connects them;
// it keeps the edit mode, opens databases and makes backups.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // How openDataBase opens the main file: for writing when its file and
    // folder permit it, or for reading only.
    enum DatabaseAccess { AsPermitted, ReadOnly };

    // Reopens the database connections on file, builds the models of the
    // main page and adapts the window to the mode. Returns the last error
    // (none on success). A file that is missing, no Kolvex database or
    // locked by another program is refused and the open database kept.
    QSqlError openDataBase(const QString &file, DatabaseAccess access = AsPermitted);

    // The message box for a database that could not be opened.
    void showOpenError(const QSqlError &error);

    // Whether the open main database is only read: every writing action is off.
    bool isReadOnly() const;

    // Whether the SQL layer offers the SQLite driver (exact, case-sensitive name).
    static bool hasSqliteDriver(const QStringList &drivers);

    int editMode() const { return m_editMode; }
    int currentPage() const { return m_page; }
    QString currentGroupText() const;

public slots:
    void addConnection();
    void on_actionDatenbank_oeffnen_triggered();
    void headerGeraeteClicked(int section);
    void rowHeaderGeraeteClicked(int row);
    void headerAGWerteClicked(int section);
    void rowHeaderAGWerteClicked(int row);
    void slotHerstellerActivated(const QModelIndex &current, const QModelIndex &previous);
    void slotFRHerstellerActivated(const QModelIndex &current, const QModelIndex &previous);
    void slotQuarnelHerstellerActivated(const QModelIndex &current, const QModelIndex &previous);
    void slotGeraetActivated(const QModelIndex &current);
    void slotGruppeActivated(const QModelIndex &index);
    void on_toolButtonFilterGeraete_clicked();
    void on_lineEditFilterGeraete_returnPressed();
    void on_lineEditFilterGeraete_textChanged(const QString &text);
    void on_toolButtonFilterWerte_clicked();
    void on_lineEditFilterWerte_returnPressed();
    void on_lineEditFilterWerte_textChanged(const QString &text);
    void on_lineEditFilterAll_returnPressed();
    void on_toolButtonFilterAll_clicked();
    void on_lineEditFilterAll_textChanged(const QString &text);
    void on_toolButtonShowGruppen_clicked();
    void on_actionWertemaske_anpassen_triggered();
    void on_actionGeraetemaske_anpassen_triggered();
    void on_actionSchrift_triggered();
    void on_actionKolvex_Datenbank_triggered();
    void on_actionKolvex_Datenbank_toggled(bool on);
    void on_actionFeuerraume_Datenbank_triggered();
    void on_actionBaustoffe_Datenbank_triggered();
    void on_actionQuarnel_Datenbank_triggered();
    void on_actionQuarnel_Datenbanken_importieren_triggered();
    void on_actionEditiermodus_triggered();
    void setEditierModus(int mode);
    void on_actionSicherungErstellen_triggered();
    void currentGroupChangedTo(const QString &members);
    void showWerte();
    void showGeraete();
    void wertemaskeContextMenuRequested();
    void geraetemaskeContextMenuRequested();
    void on_actionUpdate_vorbereiten_triggered();
    void on_actionSuchleisteAnzeigen_toggled(bool on);
    void on_lineEditFilterGeraete_customContextMenuRequested(const QPoint &pos);
    void on_lineEditFilterWerte_customContextMenuRequested(const QPoint &pos);
    void on_lineEditFilterAll_customContextMenuRequested(const QPoint &pos);
    void on_pbGeraeteShowTable_clicked();
    void on_pbWerteShowTable_clicked();
    void on_actionAltGeraeteAnzeigen_triggered();

private:
    void createPages();
    void createFieldListChoosers();
    void createSearchBar();
    void createChrome();
    void createCommands();
    void keepShortcutsReachable();
    void toggleAutoErfassdatum();
    void showPage(int page, QWidget *widget, const QString &connectionName);
    void applyGeneralFilter();

    bool chooseAndOpenDatabase(QString startDirectory, QSqlError pending = QSqlError());
    // Opens file as chosen by the user; the failure is shown, a file that
    // opened is remembered for the next start.
    bool openAndRemember(const QString &file);
    void applyReadOnly(bool readOnly);
    void showDatabaseOfPage(const QString &connectionName);
    void createFormModels();
    void adaptToManufacturerMode(const QString &file);

    Ui::MainWindow *ui;
    std::unique_ptr<WindowStateKeeper> m_state;
    std::unique_ptr<EditModeViews> m_editModeViews;
    BrowserPage *m_browser = nullptr;
    FormPage *m_applianceForm = nullptr;
    FormPage *m_valueForm = nullptr;
    QuarnelPage *m_quarnel = nullptr;
    FireChamberPage *m_fireChambers = nullptr;
    MaterialPage *m_materials = nullptr;
    FieldListChooser *m_applianceFields = nullptr;
    FieldListChooser *m_valueFields = nullptr;
    SearchBar *m_searchBar = nullptr;
    UpdateMenu *m_updateMenu = nullptr;
    QActionGroup *m_pageActions = nullptr;
    QShortcut *m_autoErfassdatumShortcut = nullptr;
    QShortcut *m_oldAppliancesShortcut = nullptr;
    DatabasePathLabel *m_pathLabel = nullptr;
    ReadOnlyGuard *m_readOnlyGuard = nullptr;
    JournalPacker *m_journalPacker = nullptr;
    BackupCommand *m_backup = nullptr;
    RecentFilesMenu *m_recentFiles = nullptr;
    ManufacturerModeLabel *m_manufacturerLabel = nullptr;
    int m_editModeBeforeReadOnly = 1;
    int m_editMode = 1;
    int m_page = 0;
};

#endif // MAINWINDOW_H
