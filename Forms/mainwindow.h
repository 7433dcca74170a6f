#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QModelIndex>
#include <QPointer>
#include <QSqlError>
#include <QStringList>

class BaustoffeModel;
class DatabasePathLabel;
class EditableSqlQueryModel;
class FeuerraumModel;
class GeraeteModel;
class GruppenModel;
class HerstellerModel;
class QAbstractItemView;
class QActionGroup;
class QCompleter;
class QDataWidgetMapper;
class QFont;
class QGridLayout;
class QLineEdit;
class QMenu;
class QShortcut;
class QSqlQueryModel;
class QStringListModel;
class QTableView;
class QToolButton;
class ReadOnlyGuard;
class WerteModel;

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
    QString currentGroupText() const { return m_currentGroup; }

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
    // Which of the two list kinds a form page or field-list operation is for.
    struct FieldListTarget;

    void keepShortcutsReachable();
    static void applyApplicationFont(const QFont &font);
    void toggleAutoErfassdatum();
    void createSearchHistories();
    void restoreGeometryAndFont();
    void showPage(int page, QWidget *widget, const QString &connectionName);
    void saveState();

    bool chooseAndOpenDatabase(QString startDirectory, QSqlError pending = QSqlError());
    void applyReadOnly(bool readOnly);
    void showDatabaseOfPage(const QString &connectionName);
    void createMainModels();
    void createFormModels();
    void adaptToManufacturerMode(const QString &file);
    void buildUpdateMenu(const QString &file);
    void restoreColumnWidths();

    void refreshHersteller();
    void reloadAppliancesKeepingCurrent();
    bool restoreCurrentRow(QTableView *view, int &currentId, int column);
    void restoreManufacturerSelection();
    void restoreApplianceSelection();
    void followCurrentGroupMembers(QAbstractItemView *view, const QModelIndex &topLeft,
                                   const QModelIndex &bottomRight);
    void rebuildGroupList();
    void fixManufacturerListWidth(QTableView *view);
    void applyGeneralFilter();
    void reportFailedQuery();
    void rememberSearchTerm(const QString &term, QStringList &history,
                            QStringListModel *model);
    void searchFieldMenu(QLineEdit *edit, QStringList &history, QStringListModel *model,
                         const QPoint &pos, void (MainWindow::*returnPressed)());

    void showForm(EditableSqlQueryModel *listModel, int row, EditableSqlQueryModel *formModel,
                  QDataWidgetMapper *mapper, QGridLayout *grid, bool &built, QString &builtFor,
                  const QStringList &fieldLists, const QString &statement, QWidget *page);
    void buildFormGrid(EditableSqlQueryModel *formModel, QDataWidgetMapper *mapper,
                       QGridLayout *grid);
    bool chooseFieldList(QTableView *view, QAction *customise, QString &fields,
                         const QStringList &fieldLists);
    bool customiseFields(const QString &table, QAction *action, QString &fields,
                         QStringList &fieldLists, const QStringList &mandatory);

    void refreshFRHersteller();
    void refreshFeuerraeume();
    void refreshBaustoffe();
    void refreshQuarnelHersteller();
    void runUpdateExport(int manufacturerId, const QString &name, const QString &file);

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
    QString m_applianceFormFields;
    QString m_valueFormFields;
    QShortcut *m_autoErfassdatumShortcut = nullptr;
    QShortcut *m_oldAppliancesShortcut = nullptr;
    QMenu *m_updateMenu = nullptr;
    DatabasePathLabel *m_pathLabel = nullptr;
    ReadOnlyGuard *m_readOnlyGuard = nullptr;
    int m_editModeBeforeReadOnly = 1;
    QString m_currentGroup;
    int m_editMode = 1;
    int m_page = 0;

    QPointer<HerstellerModel> m_herstellerModel;
    QPointer<GeraeteModel> m_geraeteModel;
    QPointer<WerteModel> m_werteModel;
    QPointer<GruppenModel> m_gruppenModel;
    QPointer<GruppenModel> m_gruppenModel2;
    QPointer<GeraeteModel> m_geraeteFormModel;
    QPointer<WerteModel> m_werteFormModel;
    QPointer<QSqlQueryModel> m_quarnelHerstellerModel;
    QPointer<QSqlQueryModel> m_quarnelGeraeteModel;
    QPointer<HerstellerModel> m_frHerstellerModel;
    QPointer<FeuerraumModel> m_feuerraumModel;
    QPointer<BaustoffeModel> m_baustoffeModel;
};

#endif // MAINWINDOW_H
