#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "aboutbox.h"
#include "appsettings.h"
#include "backupcommand.h"
#include "browserpage.h"
#include "busycursor.h"
#include "changereport.h"
#include "databasefilecheck.h"
#include "databasepathlabel.h"
#include "dbconnections.h"
#include "dlgImport.h"
#include "editmodeviews.h"
#include "fieldlistchooser.h"
#include "firechamberpage.h"
#include "formpage.h"
#include "geraetemodel.h"
#include "journalpacker.h"
#include "manufacturermodelabel.h"
#include "maindatabaseopening.h"
#include "materialpage.h"
#include "quarnelpage.h"
#include "readonlyguard.h"
#include "recentfilesmenu.h"
#include "resources.h"
#include "searchbar.h"
#include "undocommands.h"
#include "undohistory.h"
#include "updatemenu.h"
#include "wertemodel.h"
#include "windowstatekeeper.h"

#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>

namespace {

QString oldAppliancesText(bool shown)
{
    return shown ? MainWindow::tr("Alte Feuerst. verstecken")
                 : MainWindow::tr("Alte Feuerst. anzeigen");
}

} // namespace

// ------------------------------------------------------------ construction

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    initKolvexResources();
    ui->setupUi(this);
    ui->stackedWidget->setCurrentIndex(0);

    if (!hasSqliteDriver(QSqlDatabase::drivers())) {
        QMessageBox::information(this, tr("Initialisierung"),
                                 tr("Kein QSQLite-Treiber installiert!\nProgramm wird beendet"),
                                 QMessageBox::Ok);
        ::exit(2);
    }

    m_editMode = 1;
    // Changes that did not reach the file or the journal.
    connect(ChangeReport::instance(), &ChangeReport::failed, statusBar(),
            [this](const QString &message) { statusBar()->showMessage(message, 10000); });

    createPages();
    createFieldListChoosers();
    m_state = std::make_unique<WindowStateKeeper>(this, ui->tableGeraete, ui->tableAGWerte);
    m_state->restoreGeometryAndFont();

    m_pageActions = new QActionGroup(this);
    m_pageActions->setExclusive(true);
    m_pageActions->addAction(ui->actionKolvex_Datenbank);
    m_pageActions->addAction(ui->actionQuarnel_Datenbank);
    m_pageActions->addAction(ui->actionFeuerraume_Datenbank);
    m_pageActions->addAction(ui->actionBaustoffe_Datenbank);
    ui->stackedWidget->setCurrentWidget(ui->pageKolvex);
    m_page = 0;
    ui->actionKolvex_Datenbank->setChecked(true);
    createSearchBar();

    // Packing the journal belongs to the edition that keeps one.
    ui->actionUpdate_vorbereiten->setVisible(!AppSettings::instance()->manufacturerMode);
    // The manufacturer edition shows no menus and no tool bar, from the first paint on.
    ui->menubar->setVisible(!AppSettings::instance()->manufacturerMode);
    ui->toolBar->setVisible(!AppSettings::instance()->manufacturerMode);
    ui->actionAltGeraeteAnzeigen->setText(oldAppliancesText(AppSettings::instance()->showOldAppliances));
    createChrome();

    m_autoErfassdatumShortcut = new QShortcut(QKeySequence(Qt::Key_F12), this);
    m_autoErfassdatumShortcut->setContext(Qt::WindowShortcut);
    connect(m_autoErfassdatumShortcut, &QShortcut::activated, this,
            &MainWindow::toggleAutoErfassdatum);
    setEditierModus(1);
    keepShortcutsReachable();
}

MainWindow::~MainWindow()
{
    m_state.reset();
    delete ui;
}

void MainWindow::createPages()
{
    m_browser = new BrowserPage({ui->tableHersteller, ui->tableGeraete, ui->tableAGWerte,
                                 ui->gruppenView, ui->gruppenView2, ui->toolButtonShowGruppen},
                                this);
    connect(m_browser, &BrowserPage::groupsOpened, this, [this] {
        if (m_editMode == 2)
            setEditierModus(0);
    });
    m_applianceForm = new FormPage({ui->stackedWidget, ui->pageGeraeteForm, ui->pageKolvex,
                                    ui->gridLayoutGeraeteForm},
                                   FormRecordQuery(FormRecordQuery::Appliance), this);
    connect(m_applianceForm, &FormPage::returnedToList, m_browser,
            &BrowserPage::reloadAppliancesKeepingCurrent);
    m_valueForm = new FormPage({ui->stackedWidget, ui->pageWerteForm, ui->pageKolvex,
                                ui->gridLayoutWerteForm},
                               FormRecordQuery(FormRecordQuery::ValueSet), this);
    connect(m_valueForm, &FormPage::returnedToList, m_browser, &BrowserPage::showValues);
    connect(ui->tableGeraete->verticalHeader(), &QHeaderView::sectionClicked, this,
            &MainWindow::rowHeaderGeraeteClicked);
    connect(ui->tableAGWerte->verticalHeader(), &QHeaderView::sectionClicked, this,
            &MainWindow::rowHeaderAGWerteClicked);
    m_quarnel = new QuarnelPage(ui->tableViewQuarnelHersteller, ui->tableViewQuarnelGeraete, this);
    m_fireChambers = new FireChamberPage(ui->tableFRHersteller, ui->tableFRTypen, this);
    m_materials = new MaterialPage(ui->tableBaustoffe, this);
}

void MainWindow::createFieldListChoosers()
{
    AppSettings *settings = AppSettings::instance();
    m_applianceFields = new FieldListChooser(
        ui->tableGeraete, ui->actionGeraetemaske_anpassen,
        {QStringLiteral("Geraete"), {QStringLiteral("TIRMAID"), QStringLiteral("HRSTID")},
         &settings->applianceFields, &settings->applianceFieldLists,
         QStringLiteral("geraeteFelder"), QStringLiteral("geraeteFelderList")},
        this);
    connect(m_applianceFields, &FieldListChooser::fieldsChanged, m_browser,
            &BrowserPage::showAppliances);
    m_valueFields = new FieldListChooser(
        ui->tableAGWerte, ui->actionWertemaske_anpassen,
        {QStringLiteral("Werte"), {QStringLiteral("WERTEID"), QStringLiteral("GERAET")},
         &settings->valueFields, &settings->valueFieldLists, QStringLiteral("werteFelder"),
         QStringLiteral("werteFelderList")},
        this);
    connect(m_valueFields, &FieldListChooser::fieldsChanged, m_browser, &BrowserPage::showValues);
}

void MainWindow::createSearchBar()
{
    m_searchBar = new SearchBar({ui->suchleiste, ui->suchleisteGeraete, ui->suchleisteWerte,
                                 ui->lineEditFilterGeraete, ui->lineEditFilterWerte,
                                 ui->lineEditFilterAll, ui->toolButtonFilterGeraete,
                                 ui->toolButtonFilterWerte, ui->toolButtonFilterAll,
                                 ui->actionSuchleisteAnzeigen},
                                this);
    connect(m_searchBar, &SearchBar::applianceSearchApplied, m_browser,
            &BrowserPage::showAppliances);
    // Only appliances with a matching value set are listed.
    connect(m_searchBar, &SearchBar::valueSearchApplied, m_browser, &BrowserPage::showAppliances);
    connect(m_searchBar, &SearchBar::generalFilterApplied, this, [this] {
        // Only a failure of the statements tried now is reported.
        AppSettings::instance()->queryFailed = false;
        applyGeneralFilter();
        m_searchBar->reportFailedQuery(this);
    });
}

void MainWindow::createChrome()
{
    m_pathLabel = new DatabasePathLabel(this);
    statusBar()->addPermanentWidget(m_pathLabel);
    m_readOnlyGuard = new ReadOnlyGuard(this);
    for (QAbstractItemView *view : std::initializer_list<QAbstractItemView *>{
             ui->tableHersteller, ui->tableGeraete, ui->tableAGWerte, ui->gruppenView,
             ui->gruppenView2, ui->tableFRHersteller, ui->tableFRTypen, ui->tableBaustoffe})
        m_readOnlyGuard->guardView(view);
    m_readOnlyGuard->guardAction(ui->actionEditiermodus);
    m_readOnlyGuard->guardAction(ui->actionQuarnel_Datenbanken_importieren);
    m_readOnlyGuard->guardWidget(ui->formGeraete);
    m_readOnlyGuard->guardWidget(ui->formWerte);
    m_editModeViews = std::make_unique<EditModeViews>(
        QList<QAbstractItemView *>{ui->tableGeraete, ui->tableAGWerte, ui->tableFRTypen,
                                   ui->tableBaustoffe},
        QList<QAbstractItemView *>{ui->tableHersteller, ui->tableFRHersteller},
        QList<DragTableView *>{ui->tableGeraete, ui->tableAGWerte});
    m_updateMenu = new UpdateMenu(ui->menuEinstellungen, this, this, ui->actionBeenden);
    connect(m_updateMenu, &UpdateMenu::statusMessage, statusBar(), &QStatusBar::showMessage);
    connect(m_updateMenu, &UpdateMenu::mainFileChanged, this, &MainWindow::showGeraete);
    createCommands();
}

void MainWindow::createCommands()
{
    new AboutBox(ui->actionUeber, ui->actionUeberQt, this);
    m_journalPacker = new JournalPacker(this);
    connect(m_journalPacker, &JournalPacker::statusMessage, statusBar(), &QStatusBar::showMessage);
    m_backup = new BackupCommand(this);
    connect(m_backup, &BackupCommand::statusMessage, statusBar(), &QStatusBar::showMessage);
    m_recentFiles = new RecentFilesMenu(ui->menuZuletzt, this);
    connect(m_recentFiles, &RecentFilesMenu::fileChosen, this, &MainWindow::openAndRemember);
    auto *undo = new UndoCommands(this, ui->menubar, UndoHistory::instance(),
                                  {ui->tableHersteller, ui->tableGeraete, ui->tableAGWerte,
                                   ui->tableFRTypen, ui->tableBaustoffe});
    connect(undo, &UndoCommands::statusMessage, statusBar(), &QStatusBar::showMessage);
    connect(undo, &UndoCommands::recordRestored, m_browser, &BrowserPage::showRestoredRecord);
    connect(undo, &UndoCommands::recordRestored, this, [this] {
        if (m_page == 2 || m_page == 3)
            m_page == 2 ? m_fireChambers->show() : m_materials->show();
    });
}

bool MainWindow::hasSqliteDriver(const QStringList &drivers)
{
    return drivers.contains(QStringLiteral("QSQLITE"), Qt::CaseSensitive);
}

void MainWindow::keepShortcutsReachable()
{
    // Qt ignores the shortcut of an action whose widgets are all hidden, and
    // the manufacturer edition hides the tool bar and the menus. Held by the
    // window itself, every shortcut works in both editions.
    for (QAction *action : findChildren<QAction *>()) {
        if (!action->shortcut().isEmpty() && !actions().contains(action))
            addAction(action);
    }
}

void MainWindow::toggleAutoErfassdatum()
{
    AppSettings *settings = AppSettings::instance();
    settings->autoErfassdatum = !settings->autoErfassdatum;
    statusBar()->showMessage(settings->autoErfassdatum
                                 ? tr("Erfassdatum wird automatisch geändert")
                                 : tr("Erfassdatum wird nicht automatisch geändert"),
                             5000);
}

void MainWindow::on_actionSchrift_triggered()
{
    if (m_state->chooseFont(QApplication::font()))
        m_browser->fitToFont();
}

QString MainWindow::currentGroupText() const { return m_browser->currentGroupText(); }

// ------------------------------------------------------------ connections

void MainWindow::addConnection()
{
    QSqlError error;
    const QString remembered =
        QSettings().value("DBFile", AppSettings::instance()->dbFile).toString();
    if (!remembered.isEmpty()) {
        error = openDataBase(remembered);
        if (!error.isValid())
            return;
        // The main file is open; only its companion failed.
        if (QSqlDatabase::contains(QLatin1String(kKolvexConnection))) {
            showOpenError(error);
            return;
        }
    }
    chooseAndOpenDatabase(QStringLiteral("."), error);
}

void MainWindow::on_actionDatenbank_oeffnen_triggered()
{
    const QString current = AppSettings::instance()->dbFile;
    chooseAndOpenDatabase(current.isEmpty() ? QStringLiteral(".")
                                            : QFileInfo(current).absolutePath());
}

// Asks for a database file until one opens or the user cancels; a refused
// file is said so and the dialog comes again. Only a file that opened is
// remembered for the next start. pending: the failure that led here, shown
// when the user cancels at once.
bool MainWindow::chooseAndOpenDatabase(QString startDirectory, QSqlError pending)
{
    for (;;) {
        const QString file = QFileDialog::getOpenFileName(
            this, tr("Auswahl KOLVEX Datenbank"), startDirectory,
            tr("Kolvex-Datenbanken (*.glo)") + QStringLiteral(";;") + tr("Alle Dateien (*)"));
        if (file.isEmpty()) {
            if (pending.isValid())
                showOpenError(pending);
            return false;
        }
        if (openAndRemember(file))
            return true;
        pending = QSqlError();
        startDirectory = QFileInfo(file).absolutePath();
    }
}

bool MainWindow::openAndRemember(const QString &file)
{
    const QSqlError error = openDataBase(file);
    const bool opened = QSqlDatabase::contains(QLatin1String(kKolvexConnection))
                        && AppSettings::instance()->dbFile == file;
    if (opened)
        QSettings().setValue("DBFile", file);
    if (error.isValid())
        showOpenError(error);
    return opened;
}

void MainWindow::showOpenError(const QSqlError &error)
{
    QMessageBox::warning(this, tr("Datenbank Fehler"),
                         tr("Datenbank konnte nicht geöffnet werden: ") + error.text().trimmed(),
                         QMessageBox::Ok);
}

bool MainWindow::isReadOnly() const
{
    return m_readOnlyGuard->isReadOnly();
}

QSqlError MainWindow::openDataBase(const QString &file, DatabaseAccess access)
{
    const bool readOnly = access == ReadOnly || !isWritableDatabaseFile(file);
    BusyCursor busy;
    const MainDatabaseOpening opening = MainDatabaseOpening::open(file, readOnly);
    if (opening.refused)
        return opening.error;
    if (opening.opened)
        m_recentFiles->remember(file);
    m_browser->createModels();
    AppSettings::instance()->currentApplianceId = -1;
    adaptToManufacturerMode(file);
    m_state->restoreColumnWidths();
    createFormModels();
    applyReadOnly(opening.opened && readOnly);
    showDatabaseOfPage(m_page == 1 ? QLatin1String(kQuarnelConnection)
                                   : QLatin1String(kKolvexConnection));
    return opening.error;
}

void MainWindow::applyReadOnly(bool readOnly)
{
    const bool wasReadOnly = m_readOnlyGuard->isReadOnly();
    if (readOnly && !wasReadOnly)
        m_editModeBeforeReadOnly = m_editMode;
    m_readOnlyGuard->setReadOnly(readOnly);
    m_browser->setReadOnly(readOnly);
    if (readOnly)
        setEditierModus(0);
    else if (wasReadOnly)
        setEditierModus(m_editModeBeforeReadOnly);
    m_updateMenu->setEnabled(!readOnly);
}

void MainWindow::showDatabaseOfPage(const QString &connectionName)
{
    const QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    m_pathLabel->showDatabase(db.databaseName(), isReadOnlyConnection(db));
}

void MainWindow::createFormModels()
{
    m_applianceForm->setFormModel(new GeraeteModel);
    m_valueForm->setFormModel(new WerteModel);
}

void MainWindow::adaptToManufacturerMode(const QString &file)
{
    if (AppSettings::instance()->manufacturerMode) {
        m_browser->showForManufacturerEdition();
        if (!m_manufacturerLabel) {
            m_manufacturerLabel = new ManufacturerModeLabel(this);
            statusBar()->addPermanentWidget(m_manufacturerLabel);
        }
        m_manufacturerLabel->refresh();
        ui->toolBar->hide();
        ui->menubar->hide();
        if (!m_oldAppliancesShortcut) {
            m_oldAppliancesShortcut = new QShortcut(QKeySequence(Qt::Key_F6), this);
            m_oldAppliancesShortcut->setContext(Qt::WindowShortcut);
            connect(m_oldAppliancesShortcut, &QShortcut::activated, this,
                    &MainWindow::on_actionAltGeraeteAnzeigen_triggered);
        }
    } else {
        m_updateMenu->rebuild(file);
        m_browser->showForMaintenanceEdition();
    }
}

// ------------------------------------------------------------ main page

void MainWindow::slotHerstellerActivated(const QModelIndex &current, const QModelIndex &previous)
{
    m_browser->manufacturerActivated(current, previous);
}

void MainWindow::showGeraete() { m_browser->showAppliances(); }

void MainWindow::slotFRHerstellerActivated(const QModelIndex &current, const QModelIndex &previous)
{
    m_fireChambers->manufacturerActivated(current, previous);
}

void MainWindow::slotQuarnelHerstellerActivated(const QModelIndex &current,
                                                const QModelIndex &previous)
{
    m_quarnel->manufacturerActivated(current, previous);
}

void MainWindow::slotGeraetActivated(const QModelIndex &c) { m_browser->applianceActivated(c); }
void MainWindow::showWerte() { m_browser->showValues(); }
void MainWindow::slotGruppeActivated(const QModelIndex &index) { m_browser->groupActivated(index); }

void MainWindow::currentGroupChangedTo(const QString &members)
{
    m_browser->changeCurrentGroup(sender(), members);
}

void MainWindow::on_toolButtonShowGruppen_clicked() { m_browser->toggleGroups(); }
void MainWindow::headerGeraeteClicked(int section) { m_browser->applianceHeaderClicked(section); }
void MainWindow::headerAGWerteClicked(int section) { m_browser->valueHeaderClicked(section); }

void MainWindow::on_actionAltGeraeteAnzeigen_triggered()
{
    AppSettings *settings = AppSettings::instance();
    settings->showOldAppliances = !settings->showOldAppliances;
    ui->actionAltGeraeteAnzeigen->setText(oldAppliancesText(settings->showOldAppliances));
    m_browser->showAppliances();
}

// ------------------------------------------------------------ search fields

void MainWindow::on_lineEditFilterGeraete_textChanged(const QString &text)
{
    m_searchBar->applianceTextChanged(text);
}

void MainWindow::on_lineEditFilterWerte_textChanged(const QString &text)
{
    m_searchBar->valueTextChanged(text);
}

void MainWindow::on_lineEditFilterAll_textChanged(const QString &text)
{
    m_searchBar->allTextChanged(text);
}

void MainWindow::on_lineEditFilterGeraete_returnPressed() { m_searchBar->applyApplianceSearch(); }
void MainWindow::on_lineEditFilterWerte_returnPressed() { m_searchBar->applyValueSearch(); }
void MainWindow::on_lineEditFilterAll_returnPressed() { m_searchBar->applyGeneralFilter(); }
void MainWindow::on_toolButtonFilterGeraete_clicked() { m_searchBar->clearApplianceSearch(); }
void MainWindow::on_toolButtonFilterWerte_clicked() { m_searchBar->clearValueSearch(); }
void MainWindow::on_toolButtonFilterAll_clicked() { m_searchBar->clearGeneralFilter(); }

void MainWindow::on_lineEditFilterGeraete_customContextMenuRequested(const QPoint &pos)
{
    m_searchBar->applianceMenu(pos);
}

void MainWindow::on_lineEditFilterWerte_customContextMenuRequested(const QPoint &pos)
{
    m_searchBar->valueMenu(pos);
}

void MainWindow::on_lineEditFilterAll_customContextMenuRequested(const QPoint &pos)
{
    m_searchBar->allMenu(pos);
}

void MainWindow::on_actionSuchleisteAnzeigen_toggled(bool on) { m_searchBar->showBar(on); }

void MainWindow::applyGeneralFilter()
{
    // In manufacturer mode there is no manufacturer list to re-read.
    if (m_page == 0 && AppSettings::instance()->manufacturerMode)
        m_browser->showAppliances();
    else if (m_page == 0)
        m_browser->refreshManufacturers(m_searchBar->closesFilter());
    else if (m_page == 1)
        m_quarnel->refreshManufacturers();
    else if (m_page == 2)
        m_fireChambers->refreshManufacturers();
}

// ------------------------------------------------------------ edit mode

void MainWindow::on_actionEditiermodus_triggered()
{
    setEditierModus((m_editMode + 1) % 3);
}

void MainWindow::setEditierModus(int mode)
{
    // A database that is only read stays in the mode that edits nothing.
    if (isReadOnly())
        mode = 0;
    m_editMode = mode;
    static const char *const icons[] = {":/images/editclear0.png", ":/images/editclear1.png",
                                        ":/images/editclear2.png"};
    ui->actionEditiermodus->setIcon(QIcon(QLatin1String(icons[qBound(0, mode, 2)])));
    m_editModeViews->apply(mode);
}

// ------------------------------------------------------------ form pages and field lists

void MainWindow::rowHeaderGeraeteClicked(int row)
{
    m_applianceForm->show(m_browser->applianceModel(), row,
                          AppSettings::instance()->applianceFieldLists);
}

void MainWindow::rowHeaderAGWerteClicked(int row)
{
    m_valueForm->show(m_browser->valueModel(), row, AppSettings::instance()->valueFieldLists);
}

void MainWindow::on_pbGeraeteShowTable_clicked() { m_applianceForm->returnToList(); }
void MainWindow::on_pbWerteShowTable_clicked() { m_valueForm->returnToList(); }
void MainWindow::geraetemaskeContextMenuRequested() { m_applianceFields->chooseFromMenu(); }
void MainWindow::wertemaskeContextMenuRequested() { m_valueFields->chooseFromMenu(); }
void MainWindow::on_actionGeraetemaske_anpassen_triggered() { m_applianceFields->customise(); }
void MainWindow::on_actionWertemaske_anpassen_triggered() { m_valueFields->customise(); }

// ------------------------------------------------------------ pages

void MainWindow::showPage(int page, QWidget *widget, const QString &connectionName)
{
    ui->stackedWidget->setCurrentWidget(widget);
    showDatabaseOfPage(connectionName);
    // The search bar closes on the page it was opened on, and a failure
    // reported there is not reported again here.
    m_searchBar->closeForPageSwitch();
    AppSettings::instance()->queryFailed = false;
    m_page = page;
    m_searchBar->setMainPageShown(page == 0);
    // The bar is closed now, wherever it was opened.
    if (page == 0)
        m_searchBar->showListSearches();
}

void MainWindow::on_actionKolvex_Datenbank_triggered()
{
    showPage(0, ui->pageKolvex, QLatin1String(kKolvexConnection));
}

void MainWindow::on_actionKolvex_Datenbank_toggled(bool on)
{
    ui->actionGeraetemaske_anpassen->setVisible(on);
    ui->actionWertemaske_anpassen->setVisible(on);
}

void MainWindow::on_actionQuarnel_Datenbank_triggered()
{
    showPage(1, ui->pageQuarnel, QLatin1String(kQuarnelConnection));
    m_quarnel->show();
}

void MainWindow::on_actionFeuerraume_Datenbank_triggered()
{
    showPage(2, ui->pageFeuerraume, QLatin1String(kKolvexConnection));
    m_fireChambers->show();
}

void MainWindow::on_actionBaustoffe_Datenbank_triggered()
{
    showPage(3, ui->pageBaustoffe, QLatin1String(kKolvexConnection));
    m_materials->show();
}

void MainWindow::on_actionQuarnel_Datenbanken_importieren_triggered()
{
    // The lists must not hold the tables the import drops and recreates.
    m_quarnel->releaseModels();
    dlgImport dialog(this);
    dialog.exec();
    on_actionQuarnel_Datenbank_triggered();
    ui->actionQuarnel_Datenbank->setChecked(true);
}

void MainWindow::on_actionUpdate_vorbereiten_triggered() { m_journalPacker->pack(); }
void MainWindow::on_actionSicherungErstellen_triggered() { m_backup->run(); }
