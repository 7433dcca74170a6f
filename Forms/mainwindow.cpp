#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "appsettings.h"
#include "baustoffemodel.h"
#include "busycursor.h"
#include "changereport.h"
#include "databasebackup.h"
#include "databasefilecheck.h"
#include "databasepathlabel.h"
#include "dbconnections.h"
#include "dragtableview.h"
#include "editablesqlquerymodeldelegate.h"
#include "editablesqlquerymodelformdelegate.h"
#include "feuerraummodel.h"
#include "geraetemodel.h"
#include "gruppenmodel.h"
#include "herstellermodel.h"
#include "idtable.h"
#include "queryfailurekeeper.h"
#include "readonlyguard.h"
#include "resources.h"
#include "sqltext.h"
#include "wertemodel.h"
#include "writeaction.h"

#if __has_include("dlgImport.h")
#include "dlgImport.h"
#define KOLVEX_HAVE_IMPORT
#endif
#if __has_include("manufacturerupdateexport.h")
#include "manufacturerupdateexport.h"
#define KOLVEX_HAVE_UPDATE_EXPORT
#endif
#if __has_include("dlgviewcustomise.h")
#include "dlgviewcustomise.h"
#define KOLVEX_HAVE_VIEWCUSTOMISE
#endif

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QDataWidgetMapper>
#include <QDate>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSettings>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QStatusBar>
#include <QStringListModel>
#include <QTimer>

namespace {

const char *const kAllHerstellerStatement =
    "Select Id, Name from Hersteller where Tirma<>0 order by lower(Name)";
const char *const kFilteredHerstellerStatement =
    "SELECT Id, Name from Hersteller WHERE Tirma<>0 AND Id IN (SELECT DISTINCT HRSTID FROM Geraete "
    "INNER JOIN Werte ON Geraete.TirmaId=Werte.Geraet WHERE %1) ORDER BY lower(Name)";
const char *const kGroupListStatement =
    "SELECT gruppen.bezeichnung, gruppen.werteid  FROM hersteller INNER JOIN geraete ON "
    "hersteller.id=geraete.hrstid  INNER JOIN werte ON geraete.tirmaid=werte.geraet  INNER JOIN "
    "gruppen ON werte.werteid=gruppen.werteid  WHERE hersteller.id=%1";

// Table views whose edit triggers follow the edit mode fully, and those that
// only ever get the gentle triggers.
const QAbstractItemView::EditTriggers kGentleTriggers = QAbstractItemView::DoubleClicked
                                                        | QAbstractItemView::SelectedClicked
                                                        | QAbstractItemView::AnyKeyPressed;

void fillAufsatzCache(QSqlDatabase db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("Select * from Aufsatz")))
        return;
    AppSettings *settings = AppSettings::instance();
    settings->aufsatzCache.clear();
    while (query.next()) {
        const QSqlRecord record = query.record();
        QMap<QString, QVariant> &row = settings->aufsatzCache[record.value(0).toInt()];
        for (int c = 0; c < record.count(); ++c)
            row.insert(record.fieldName(c), record.value(c));
    }
}

QVariantList columnWidths(const QTableView *view)
{
    QVariantList widths;
    const QHeaderView *header = view->horizontalHeader();
    for (int i = 0; i < header->count(); ++i)
        widths << view->columnWidth(i);
    return widths;
}

void applyColumnWidths(QTableView *view, const QVariantList &widths)
{
    const int sections = view->horizontalHeader()->count();
    for (int j = 0; j < widths.size() && j < sections; ++j)
        view->horizontalHeader()->resizeSection(j, widths.at(j).toInt());
}

// The column part of the named field list "Form", or "*" without one.
QString formFields(const QStringList &fieldLists)
{
    for (const QString &entry : fieldLists) {
        if (entry.section('#', 0, 0).compare(QLatin1String("Form"), Qt::CaseInsensitive) == 0)
            return entry.section('#', 1, 1);
    }
    return QStringLiteral("*");
}

void clearGrid(QGridLayout *grid)
{
    while (QLayoutItem *item = grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

int rowId(const QAbstractItemModel *model, int row)
{
    return model->data(model->index(row, 0)).toInt();
}

// The companion Quarnel file beside the main file. Beside a main file that
// is only read nothing is created: a missing companion stays unopened.
QSqlError openCompanionDatabase(const QString &mainFile, bool mainReadOnly)
{
    const QString file =
        QFileInfo(mainFile).absoluteDir().absolutePath() + QStringLiteral("/kolvex3.glo");
    const bool exists = QFileInfo(file).isFile();
    const bool readOnly = mainReadOnly || (exists && !isWritableDatabaseFile(file));
    if (readOnly && !exists)
        return QSqlError();
    return openSqliteConnection(QLatin1String(kQuarnelConnection), file,
                                /*mustExist=*/readOnly, readOnly);
}

// Makes (row, column) current and selects it so that the row-change slots
// run even when a refresh left that row current (a failed statement keeps
// the list, and with it the current row): the old current index is dropped
// silently first.
void makeRowCurrent(QAbstractItemView *view, int row, int column)
{
    QItemSelectionModel *selection = view->selectionModel();
    {
        const QSignalBlocker blocker(selection);
        selection->clearCurrentIndex();
        selection->clearSelection();
    }
    selection->setCurrentIndex(view->model()->index(row, column),
                               QItemSelectionModel::ClearAndSelect);
}

// Hides the leading technical columns of a side list, but never the column
// the list is sorted by, which is what the user looks for.
void hideLeadingColumns(QTableView *view, const EditableSqlQueryModel *model, int count,
                        const QString &sortColumn)
{
    const int keep = model->fieldIndex(sortColumn);
    for (int c = 0; c < count; ++c)
        view->setColumnHidden(c, c != keep);
}

// Width a manufacturer list keeps even when it is empty or its statement
// failed, so that the list stays recognisable and readable.
int minimumManufacturerListWidth(const QWidget *view)
{
    return view->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 14;
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

    ui->gruppenView->hide();
    m_editMode = 1;
    // Changes that did not reach the file or the journal.
    connect(ChangeReport::instance(), &ChangeReport::failed, statusBar(),
            [this](const QString &message) { statusBar()->showMessage(message, 10000); });

    connect(ui->tableGeraete->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &MainWindow::headerGeraeteClicked);
    connect(ui->tableGeraete->verticalHeader(), &QHeaderView::sectionClicked, this,
            &MainWindow::rowHeaderGeraeteClicked);
    connect(ui->tableAGWerte->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &MainWindow::headerAGWerteClicked);
    connect(ui->tableAGWerte->verticalHeader(), &QHeaderView::sectionClicked, this,
            &MainWindow::rowHeaderAGWerteClicked);
    ui->tableGeraete->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    ui->tableAGWerte->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->tableGeraete->horizontalHeader(), &QWidget::customContextMenuRequested, this,
            &MainWindow::geraetemaskeContextMenuRequested);
    connect(ui->tableAGWerte->horizontalHeader(), &QWidget::customContextMenuRequested, this,
            &MainWindow::wertemaskeContextMenuRequested);

    restoreGeometryAndFont();

    m_pageActions = new QActionGroup(this);
    m_pageActions->setExclusive(true);
    m_pageActions->addAction(ui->actionKolvex_Datenbank);
    m_pageActions->addAction(ui->actionQuarnel_Datenbank);
    m_pageActions->addAction(ui->actionFeuerraume_Datenbank);
    m_pageActions->addAction(ui->actionBaustoffe_Datenbank);
    ui->toolButtonFilterGeraete->setEnabled(false);
    ui->toolButtonFilterWerte->setEnabled(false);
    ui->toolButtonFilterAll->setEnabled(false);
    ui->stackedWidget->setCurrentWidget(ui->pageKolvex);
    m_page = 0;
    ui->actionKolvex_Datenbank->setChecked(true);
    ui->suchleiste->hide();
    ui->lineEditFilterAll->setContextMenuPolicy(Qt::CustomContextMenu);
    ui->lineEditFilterGeraete->setContextMenuPolicy(Qt::CustomContextMenu);
    ui->lineEditFilterWerte->setContextMenuPolicy(Qt::CustomContextMenu);

    createSearchHistories();

    ui->actionUpdate_vorbereiten->setVisible(false);
    ui->actionAltGeraeteAnzeigen->setText(AppSettings::instance()->showOldAppliances
                                              ? tr("Alte Feuerst. verstecken")
                                              : tr("Alte Feuerst. anzeigen"));

    m_applianceMapper = new QDataWidgetMapper(this);
    m_valueMapper = new QDataWidgetMapper(this);

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

    m_autoErfassdatumShortcut = new QShortcut(QKeySequence(Qt::Key_F12), this);
    m_autoErfassdatumShortcut->setContext(Qt::WindowShortcut);
    connect(m_autoErfassdatumShortcut, &QShortcut::activated, this,
            &MainWindow::toggleAutoErfassdatum);
    setEditierModus(1);
    keepShortcutsReachable();
}

MainWindow::~MainWindow()
{
    saveState();
    delete ui;
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

void MainWindow::applyApplicationFont(const QFont &font)
{
    QApplication::setFont(font);
    // Under an application style sheet the widgets keep the font they were
    // polished with; setting the sheet again polishes them with the new font.
    if (!qApp->styleSheet().isEmpty())
        qApp->setStyleSheet(qApp->styleSheet());
}

void MainWindow::restoreGeometryAndFont()
{
    QSettings user;
    restoreGeometry(user.value("geometry").toByteArray());
    const QString description = user.value("Font", QString()).toString();
    QFont font;
    if (!description.isEmpty() && font.fromString(description))
        applyApplicationFont(font);
}

void MainWindow::createSearchHistories()
{
    AppSettings *settings = AppSettings::instance();
    const auto attach = [this](const QStringList &terms, QLineEdit *edit, QStringListModel *&model,
                               QCompleter *&completer, void (MainWindow::*returnPressed)()) {
        model = new QStringListModel(terms, this);
        completer = new QCompleter(model, this);
        completer->setCompletionMode(QCompleter::PopupCompletion);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        edit->setCompleter(completer);
        // Choosing a remembered term acts as Return in that field.
        connect(completer, QOverload<const QString &>::of(&QCompleter::activated), this,
                [this, edit, returnPressed](const QString &text) {
                    edit->setText(text);
                    (this->*returnPressed)();
                });
    };
    attach(settings->searchTermsAppliances, ui->lineEditFilterGeraete, m_appliancesHistory,
           m_appliancesCompleter, &MainWindow::on_lineEditFilterGeraete_returnPressed);
    attach(settings->searchTermsValues, ui->lineEditFilterWerte, m_valuesHistory,
           m_valuesCompleter, &MainWindow::on_lineEditFilterWerte_returnPressed);
    attach(settings->searchTermsAll, ui->lineEditFilterAll, m_allHistory, m_allCompleter,
           &MainWindow::on_lineEditFilterAll_returnPressed);
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

void MainWindow::saveState()
{
    AppSettings *settings = AppSettings::instance();
    QSettings user;
    user.setValue("tableGeraeteSS", columnWidths(ui->tableGeraete));
    user.setValue("tableAGWerteSS", columnWidths(ui->tableAGWerte));
    user.setValue("geometry", saveGeometry());
    user.setValue("suchBegriffeGeraete", settings->searchTermsAppliances);
    user.setValue("suchBegriffeWerte", settings->searchTermsValues);
    user.setValue("suchBegriffeAll", settings->searchTermsAll);
}

void MainWindow::on_actionSchrift_triggered()
{
    bool accepted = false;
    const QFont font = QFontDialog::getFont(&accepted, QApplication::font(), this);
    if (!accepted)
        return;
    applyApplicationFont(font);
    QSettings().setValue("Font", font.toString());
    ui->tableHersteller->resizeColumnsToContents();
    fixManufacturerListWidth(ui->tableHersteller);
    // The value columns were fitted to the old font.
    ui->tableAGWerte->resizeColumnsToContents();
}

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
        const QString file =
            QFileDialog::getOpenFileName(this, tr("Auswahl KOLVEX Datenbank"), startDirectory);
        if (file.isEmpty()) {
            if (pending.isValid())
                showOpenError(pending);
            return false;
        }
        const QSqlError error = openDataBase(file);
        const bool opened = QSqlDatabase::contains(QLatin1String(kKolvexConnection))
                            && AppSettings::instance()->dbFile == file;
        if (opened)
            QSettings().setValue("DBFile", file);
        if (error.isValid())
            showOpenError(error);
        if (opened)
            return true;
        pending = QSqlError();
        startDirectory = QFileInfo(file).absolutePath();
    }
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
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // What cannot be the main database is refused before the open one is
    // given up.
    QSqlError error = checkKolvexDatabaseFile(file, readOnly);
    if (error.isValid()) {
        QApplication::restoreOverrideCursor();
        return error;
    }

    removeAllConnections();
    error = openSqliteConnection(QLatin1String(kKolvexConnection), file, /*mustExist=*/true,
                                 readOnly);
    if (!error.isValid()) {
        // Without its id table no record could be added: a database that
        // does not get one (the file was locked meanwhile) is not kept open.
        QSqlError idTableError;
        if (!createIdTable(kolvexDb(), &idTableError)) {
            error = databaseFileError(describeDatabaseError(idTableError, file));
            removeAllConnections();
        }
    } else {
        error = databaseFileError(describeDatabaseError(error, file));
    }
    const bool opened = !error.isValid();

    AppSettings *settings = AppSettings::instance();
    if (opened) {
        settings->dbFile = file;
        fillAufsatzCache(kolvexDb());
        const QSqlError companionError = openCompanionDatabase(file, readOnly);
        if (companionError.isValid())
            error = companionError;
    }

    createMainModels();
    settings->currentApplianceId = -1;
    adaptToManufacturerMode(file);
    restoreColumnWidths();
    createFormModels();
    applyReadOnly(opened && readOnly);
    showDatabaseOfPage(m_page == 1 ? QLatin1String(kQuarnelConnection)
                                   : QLatin1String(kKolvexConnection));
    QApplication::restoreOverrideCursor();
    return error;
}

void MainWindow::applyReadOnly(bool readOnly)
{
    const bool wasReadOnly = m_readOnlyGuard->isReadOnly();
    if (readOnly && !wasReadOnly)
        m_editModeBeforeReadOnly = m_editMode;
    m_readOnlyGuard->setReadOnly(readOnly);
    if (readOnly)
        setEditierModus(0);
    else if (wasReadOnly)
        setEditierModus(m_editModeBeforeReadOnly);
    if (m_updateMenu)
        m_updateMenu->menuAction()->setEnabled(!readOnly);
}

void MainWindow::showDatabaseOfPage(const QString &connectionName)
{
    const QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    m_pathLabel->showDatabase(db.databaseName(), isReadOnlyConnection(db));
}

void MainWindow::createMainModels()
{
    // Models of an earlier database go; the views only know the new ones.
    for (QObject *old : std::initializer_list<QObject *>{
             m_herstellerModel, m_geraeteModel, m_werteModel, m_gruppenModel, m_gruppenModel2})
        if (old)
            old->deleteLater();

    m_herstellerModel = new HerstellerModel(ui->tableHersteller);
    connect(m_herstellerModel, &HerstellerModel::geraeteHinzuaddiert, this,
            &MainWindow::showGeraete);
    ui->tableHersteller->setModel(m_herstellerModel);
    ui->tableHersteller->setItemDelegate(new EditableSqlQueryModelDelegate(m_herstellerModel));
    connect(ui->tableHersteller->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MainWindow::slotHerstellerActivated);

    m_geraeteModel = new GeraeteModel(ui->tableGeraete);
    connect(m_geraeteModel, &EditableSqlQueryModel::currentGroupChangedTo, this,
            &MainWindow::currentGroupChangedTo);
    connect(m_geraeteModel, &GeraeteModel::werteAktualisieren, this, &MainWindow::showWerte);
    ui->tableGeraete->setModel(m_geraeteModel);
    ui->tableGeraete->setItemDelegate(new EditableSqlQueryModelDelegate(m_geraeteModel));
    connect(ui->tableGeraete->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MainWindow::slotGeraetActivated);
    // Inserting, duplicating or deleting rows re-reads a list and drops its
    // current row; once the model is done the selection follows the ids again.
    connect(m_herstellerModel, &QAbstractItemModel::modelReset, this, [this] {
        QTimer::singleShot(0, this, &MainWindow::restoreManufacturerSelection);
    });
    connect(m_geraeteModel, &QAbstractItemModel::modelReset, this, [this] {
        QTimer::singleShot(0, this, &MainWindow::restoreApplianceSelection);
    });

    m_werteModel = new WerteModel(ui->tableAGWerte);
    connect(m_werteModel, &EditableSqlQueryModel::currentGroupChangedTo, this,
            &MainWindow::currentGroupChangedTo);
    ui->tableAGWerte->setModel(m_werteModel);
    ui->tableAGWerte->setItemDelegate(new EditableSqlQueryModelDelegate(m_werteModel));

    m_gruppenModel = new GruppenModel(this);
    ui->gruppenView->setModel(m_gruppenModel);
    connect(ui->gruppenView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MainWindow::slotGruppeActivated);
    m_gruppenModel2 = new GruppenModel(this);
    ui->gruppenView2->setModel(m_gruppenModel2);
    connect(ui->gruppenView2->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MainWindow::slotGruppeActivated);
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(ui->gruppenView),
                                    static_cast<QAbstractItemView *>(ui->gruppenView2)})
        connect(view->model(), &QAbstractItemModel::dataChanged, this,
                [this, view](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                    followCurrentGroupMembers(view, topLeft, bottomRight);
                });
}

void MainWindow::followCurrentGroupMembers(QAbstractItemView *view, const QModelIndex &topLeft,
                                           const QModelIndex &bottomRight)
{
    // Value sets dropped onto the current group change its members without
    // a change of the current row: the lists mark the new members as well.
    const QModelIndex current = view->currentIndex();
    if (!current.isValid() || current.row() < topLeft.row() || current.row() > bottomRight.row())
        return;
    if (current.data(Qt::UserRole).toString() != m_currentGroup)
        slotGruppeActivated(current);
}

void MainWindow::createFormModels()
{
    if (m_geraeteFormModel)
        m_geraeteFormModel->deleteLater();
    if (m_werteFormModel)
        m_werteFormModel->deleteLater();
    m_geraeteFormModel = new GeraeteModel(this);
    m_applianceMapper->clearMapping();
    m_applianceMapper->setModel(m_geraeteFormModel);
    m_applianceMapper->setItemDelegate(new EditableSqlQueryModelFormDelegate(m_geraeteFormModel));
    m_werteFormModel = new WerteModel(this);
    m_valueMapper->clearMapping();
    m_valueMapper->setModel(m_werteFormModel);
    m_valueMapper->setItemDelegate(new EditableSqlQueryModelFormDelegate(m_werteFormModel));
    // The old widgets were mapped to the old models: build the forms anew.
    clearGrid(ui->gridLayoutGeraeteForm);
    clearGrid(ui->gridLayoutWerteForm);
    m_applianceFormBuilt = false;
    m_valueFormBuilt = false;
}

void MainWindow::adaptToManufacturerMode(const QString &file)
{
    AppSettings *settings = AppSettings::instance();
    if (settings->manufacturerMode) {
        showGeraete();
        ui->toolButtonShowGruppen->hide();
        ui->tableHersteller->hide();
        ui->gruppenView2->hide();
        ui->toolBar->hide();
        ui->menubar->hide();
        if (!m_oldAppliancesShortcut) {
            m_oldAppliancesShortcut = new QShortcut(QKeySequence(Qt::Key_F6), this);
            m_oldAppliancesShortcut->setContext(Qt::WindowShortcut);
            connect(m_oldAppliancesShortcut, &QShortcut::activated, this,
                    &MainWindow::on_actionAltGeraeteAnzeigen_triggered);
        }
    } else {
        buildUpdateMenu(file);
        settings->currentManufacturerId = -1;
        refreshHersteller();
        // The maintenance edition works with groups: the button opens them.
        ui->toolButtonShowGruppen->show();
        ui->gruppenView2->hide();
    }
}

void MainWindow::buildUpdateMenu(const QString &file)
{
    // Reopening replaces the entries of the previous database.
    if (m_updateMenu) {
        ui->menuEinstellungen->removeAction(m_updateMenu->menuAction());
        delete m_updateMenu;
    }
    ui->menuEinstellungen->addSeparator();
    m_updateMenu = ui->menuEinstellungen->addMenu(tr("Hersteller Updates"));
    m_updateMenu->setObjectName(QStringLiteral("menuHerstellerUpdates"));
    static const QRegularExpression nonWord(QStringLiteral("\\W+"),
                                             QRegularExpression::UseUnicodePropertiesOption);
    const QList<int> manufacturers = AppSettings::instance()->idRangeLow.keys();
    for (int id : manufacturers) {
        QSqlQuery query(kolvexDb());
        if (!query.exec(QStringLiteral("Select Name From Hersteller Where ID=%1").arg(id)))
            continue;
        while (query.next()) {
            const QString name = query.value(0).toString().replace(nonWord, QStringLiteral("_"));
            QAction *action = m_updateMenu->addAction(tr("Update vom %1 einlesen").arg(name));
            connect(action, &QAction::triggered, this,
                    [this, id, name, file] { runUpdateExport(id, name, file); });
        }
    }
}

void MainWindow::restoreColumnWidths()
{
    QSettings user;
    applyColumnWidths(ui->tableGeraete, user.value("tableGeraeteSS").toList());
    applyColumnWidths(ui->tableAGWerte, user.value("tableAGWerteSS").toList());
}

void MainWindow::runUpdateExport(int manufacturerId, const QString &name, const QString &file)
{
    const QString updateFile = QFileDialog::getOpenFileName(
        this, tr("Wähle die Datenbank-Datei aus"), QFileInfo(file).absoluteDir().absolutePath());
    if (updateFile.isEmpty())
        return;
#ifdef KOLVEX_HAVE_UPDATE_EXPORT
    ManufacturerUpdateExport update(manufacturerId, name, file);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ManufacturerUpdateExport::Result result = update.run(updateFile);
    QApplication::restoreOverrideCursor();
    if (result == ManufacturerUpdateExport::CannotOpen)
        QMessageBox::warning(this, tr("Fehler"),
                             tr("Datenbankdatei kann nicht geöffnet werden") + QStringLiteral("\n")
                                 + update.errorText(),
                             QMessageBox::Ok);
    else if (result == ManufacturerUpdateExport::Exported)
        statusBar()->showMessage(tr("Update geschrieben: %1").arg(update.scriptPath()), 10000);
    else
        QMessageBox::warning(this, tr("Fehler"), update.errorText(), QMessageBox::Ok);
#else
    Q_UNUSED(manufacturerId)
    Q_UNUSED(name)
#endif
}

// ------------------------------------------------------------ browsing

void MainWindow::fixManufacturerListWidth(QTableView *view)
{
    view->setFixedWidth(qMax(view->columnWidth(1) + view->verticalHeader()->width() + 25,
                             minimumManufacturerListWidth(view)));
}

void MainWindow::refreshHersteller()
{
    if (!m_herstellerModel)
        return;
    AppSettings *settings = AppSettings::instance();
    const QString sql = settings->allFilter.isEmpty()
                            ? QString::fromLatin1(kAllHerstellerStatement)
                            : tr(kFilteredHerstellerStatement).arg(settings->allFilter);
    QueryFailureKeeper failure;
    m_herstellerModel->setQuery(sql, kolvexDb());
    failure.capture();
    ui->tableHersteller->hideColumn(0);
    ui->tableHersteller->resizeColumnsToContents();
    fixManufacturerListWidth(ui->tableHersteller);
    settings->currentManufacturerId = -1;
    if (m_herstellerModel->recordCount() == 0)
        showGeraete();
    else
        makeRowCurrent(ui->tableHersteller, 0, 1);
}

bool MainWindow::restoreCurrentRow(QTableView *view, int &currentId, int column)
{
    // Another refresh has chosen a row meanwhile.
    if (!view->model() || view->currentIndex().isValid())
        return false;
    const auto *model = qobject_cast<const EditableSqlQueryModel *>(view->model());
    const int row = model && currentId > 0 ? model->rowOfRecord(currentId) : -1;
    if (row >= 0) {
        // The record is still listed: only the view lost its place.
        QItemSelectionModel *selection = view->selectionModel();
        const QSignalBlocker blocker(selection);
        selection->setCurrentIndex(view->model()->index(row, column),
                                   QItemSelectionModel::ClearAndSelect);
        view->viewport()->update();
        return false;
    }
    if (currentId <= 0)
        return false;
    // The current record is gone: the first row takes its place, or none.
    currentId = -1;
    if (model && model->recordCount() > 0) {
        makeRowCurrent(view, 0, column);
        return false;
    }
    return true;
}

void MainWindow::restoreManufacturerSelection()
{
    AppSettings *settings = AppSettings::instance();
    if (settings->manufacturerMode)
        return;
    if (restoreCurrentRow(ui->tableHersteller, settings->currentManufacturerId, 1))
        showGeraete();
}

void MainWindow::restoreApplianceSelection()
{
    AppSettings *settings = AppSettings::instance();
    if (restoreCurrentRow(ui->tableGeraete, settings->currentApplianceId, 2))
        showWerte();
}

void MainWindow::slotHerstellerActivated(const QModelIndex &current, const QModelIndex &previous)
{
    if (current.row() == previous.row())
        return;
    AppSettings::instance()->currentManufacturerId =
        current.isValid() ? rowId(current.model(), current.row()) : 0;
    showGeraete();
    m_currentGroup.clear();
    if (m_geraeteModel)
        m_geraeteModel->setCurrentGroup(QString());
    if (m_werteModel)
        m_werteModel->setCurrentGroup(QString());
    rebuildGroupList();
}

void MainWindow::showGeraete()
{
    if (!m_geraeteModel)
        return;
    AppSettings *settings = AppSettings::instance();
    QueryFailureKeeper failure;
    m_geraeteModel->selectAppliances();
    failure.capture();
    ui->tableGeraete->hideColumn(0);
    ui->tableGeraete->hideColumn(1);
    settings->currentApplianceId = -1;
    settings->currentValueId = -1;
    if (m_geraeteModel->recordCount() == 0)
        showWerte();
    else
        makeRowCurrent(ui->tableGeraete, 0, 2);
}

void MainWindow::slotGeraetActivated(const QModelIndex &current)
{
    AppSettings::instance()->currentApplianceId =
        current.isValid() ? rowId(current.model(), current.row()) : 0;
    showWerte();
}

void MainWindow::showWerte()
{
    if (!m_werteModel)
        return;
    m_werteModel->reloadWerte();
    ui->tableAGWerte->hideColumn(0);
    ui->tableAGWerte->hideColumn(1);
    ui->tableAGWerte->resizeColumnsToContents();
}

void MainWindow::rebuildGroupList()
{
    if (!m_gruppenModel)
        return;
    m_gruppenModel->clear();
    m_gruppenModel->setHorizontalHeaderLabels({tr("Gruppe")});
    QSqlQuery query(kolvexDb());
    if (!query.exec(QString::fromLatin1(kGroupListStatement)
                        .arg(AppSettings::instance()->currentManufacturerId)))
        return;
    QMap<QString, QStringList> members; // ascending, case-sensitive name order
    while (query.next())
        members[query.value(0).toString()] << query.value(1).toString();
    for (auto it = members.cbegin(); it != members.cend(); ++it)
        m_gruppenModel->addGruppe(it.key(), it.value().join('#'), false);
}

void MainWindow::slotGruppeActivated(const QModelIndex &index)
{
    m_currentGroup = index.isValid() ? index.data(Qt::UserRole).toString() : QString();
    if (m_geraeteModel)
        m_geraeteModel->setCurrentGroup(m_currentGroup);
    if (m_werteModel)
        m_werteModel->setCurrentGroup(m_currentGroup);
}

void MainWindow::currentGroupChangedTo(const QString &members)
{
    EditableSqlQueryModel *other = nullptr;
    if (sender() == m_geraeteModel)
        other = m_werteModel;
    else if (sender() == m_werteModel)
        other = m_geraeteModel;
    const auto apply = [&](QAbstractItemView *view, GruppenModel *model) {
        if (!model || !view->isVisible() || !view->currentIndex().isValid())
            return false;
        m_currentGroup = members;
        if (other)
            other->setCurrentGroup(members);
        model->setGruppenMembers(view->currentIndex(), members);
        // The lists mark what the group holds now, also when it could not be stored.
        slotGruppeActivated(view->currentIndex());
        return true;
    };
    if (!apply(ui->gruppenView, m_gruppenModel))
        apply(ui->gruppenView2, m_gruppenModel2);
}

// ------------------------------------------------------------ search fields

void MainWindow::rememberSearchTerm(const QString &term, QStringList &history,
                                    QStringListModel *model)
{
    if (term.isEmpty())
        return;
    history.removeAll(term);
    history.prepend(term);
    model->setStringList(history);
}

void MainWindow::on_lineEditFilterGeraete_textChanged(const QString &text)
{
    AppSettings::instance()->applianceFilter = text.trimmed();
    ui->toolButtonFilterGeraete->setEnabled(!AppSettings::instance()->applianceFilter.isEmpty());
}

void MainWindow::on_lineEditFilterWerte_textChanged(const QString &text)
{
    AppSettings::instance()->valueFilter = text.trimmed();
    ui->toolButtonFilterWerte->setEnabled(!AppSettings::instance()->valueFilter.isEmpty());
}

void MainWindow::on_lineEditFilterAll_textChanged(const QString &text)
{
    AppSettings::instance()->allFilter = text.trimmed();
    ui->toolButtonFilterAll->setEnabled(!AppSettings::instance()->allFilter.isEmpty());
}

void MainWindow::on_lineEditFilterGeraete_returnPressed()
{
    AppSettings *settings = AppSettings::instance();
    rememberSearchTerm(settings->applianceFilter, settings->searchTermsAppliances,
                       m_appliancesHistory);
    showGeraete();
}

void MainWindow::on_lineEditFilterWerte_returnPressed()
{
    AppSettings *settings = AppSettings::instance();
    rememberSearchTerm(settings->valueFilter, settings->searchTermsValues,
                       m_valuesHistory);
    // Only appliances with a matching value set are listed.
    showGeraete();
}

void MainWindow::on_lineEditFilterAll_returnPressed()
{
    AppSettings *settings = AppSettings::instance();
    if (!settings->allFilter.isEmpty()) {
        if (m_page == 0) {
            ui->lineEditFilterGeraete->clear();
            ui->lineEditFilterWerte->clear();
        }
        rememberSearchTerm(settings->allFilter, settings->searchTermsAll, m_allHistory);
    }
    // Only a failure of the statements tried now is reported.
    settings->queryFailed = false;
    applyGeneralFilter();
    reportFailedQuery();
}

void MainWindow::applyGeneralFilter()
{
    switch (m_page) {
    case 0:
        // In manufacturer mode there is no manufacturer list to re-read.
        if (AppSettings::instance()->manufacturerMode)
            showGeraete();
        else
            refreshHersteller();
        break;
    case 1:
        refreshQuarnelHersteller();
        break;
    case 2:
        refreshFRHersteller();
        break;
    default:
        break;
    }
}

void MainWindow::reportFailedQuery()
{
    AppSettings *settings = AppSettings::instance();
    if (settings->queryFailed)
        QMessageBox::information(this, tr("Fehler"),
                                 tr("Abfrage '%1' ist fehlerhaft!").arg(settings->failedQuery),
                                 QMessageBox::Ok);
}

void MainWindow::on_toolButtonFilterGeraete_clicked()
{
    ui->lineEditFilterGeraete->clear();
    on_lineEditFilterGeraete_returnPressed();
}

void MainWindow::on_toolButtonFilterWerte_clicked()
{
    ui->lineEditFilterWerte->clear();
    showGeraete();
}

void MainWindow::on_toolButtonFilterAll_clicked()
{
    ui->lineEditFilterAll->clear();
    on_lineEditFilterAll_returnPressed();
}

void MainWindow::searchFieldMenu(QLineEdit *edit, QStringList &history, QStringListModel *model,
                                 const QPoint &pos, void (MainWindow::*returnPressed)())
{
    const QString before = edit->text();
    QMenu *menu = edit->createStandardContextMenu();
    QAction *first = menu->actions().value(0);
    QAction *separator = nullptr;
    if (first)
        separator = menu->insertSeparator(first);
    QMenu *terms = new QMenu(tr("Suchbegriffliste"), menu);
    for (const QString &term : qAsConst(history)) {
        // A menu takes "&" as the mark of a shortcut letter: "&&" shows
        // the text as typed. The text itself travels as the entry's data.
        QString label = term;
        label.replace(QLatin1Char('&'), QLatin1String("&&"));
        terms->addAction(label)->setData(term);
    }
    menu->insertMenu(separator, terms);
    QAction *remove = nullptr;
    if (history.contains(edit->text()))
        remove = new QAction(tr("Von der Suchbegriffliste löschen"), menu);
    if (remove)
        menu->insertAction(separator, remove);
    QAction *chosen = menu->exec(edit->mapToGlobal(pos));
    if (chosen && chosen != remove && chosen->parent() == terms
        && history.contains(chosen->data().toString())) {
        edit->setText(chosen->data().toString());
    } else if (chosen && chosen == remove) {
        history.removeAll(edit->text());
        model->setStringList(history);
        edit->clear();
    }
    delete menu;
    if (edit->text() != before)
        (this->*returnPressed)();
}

void MainWindow::on_lineEditFilterGeraete_customContextMenuRequested(const QPoint &pos)
{
    searchFieldMenu(ui->lineEditFilterGeraete, AppSettings::instance()->searchTermsAppliances,
                    m_appliancesHistory, pos, &MainWindow::on_lineEditFilterGeraete_returnPressed);
}

void MainWindow::on_lineEditFilterWerte_customContextMenuRequested(const QPoint &pos)
{
    searchFieldMenu(ui->lineEditFilterWerte, AppSettings::instance()->searchTermsValues,
                    m_valuesHistory, pos, &MainWindow::on_lineEditFilterWerte_returnPressed);
}

void MainWindow::on_lineEditFilterAll_customContextMenuRequested(const QPoint &pos)
{
    searchFieldMenu(ui->lineEditFilterAll, AppSettings::instance()->searchTermsAll, m_allHistory,
                    pos, &MainWindow::on_lineEditFilterAll_returnPressed);
}

void MainWindow::on_actionSuchleisteAnzeigen_toggled(bool on)
{
    ui->actionSuchleisteAnzeigen->setText(on ? tr("Suchleiste verstecken")
                                             : tr("Suchleiste anzeigen"));
    if (on) {
        ui->suchleiste->show();
        ui->suchleisteGeraete->hide();
        ui->suchleisteWerte->hide();
        if (AppSettings::instance()->allFilter.isEmpty())
            return;
        on_lineEditFilterAll_returnPressed();
    } else {
        ui->suchleiste->hide();
        if (m_page == 0) {
            ui->suchleisteGeraete->show();
            ui->suchleisteWerte->show();
        }
        ui->lineEditFilterAll->clear();
        on_lineEditFilterAll_returnPressed();
    }
}

void MainWindow::on_actionAltGeraeteAnzeigen_triggered()
{
    AppSettings *settings = AppSettings::instance();
    settings->showOldAppliances = !settings->showOldAppliances;
    ui->actionAltGeraeteAnzeigen->setText(settings->showOldAppliances
                                              ? tr("Alte Feuerst. verstecken")
                                              : tr("Alte Feuerst. anzeigen"));
    showGeraete();
}

void MainWindow::on_toolButtonShowGruppen_clicked()
{
    if (ui->gruppenView->isVisible()) {
        ui->gruppenView->hide();
        // Without the current group too: a list would go on marking its
        // members and offer changes that the hidden group cannot take.
        if (QItemSelectionModel *selection = ui->gruppenView->selectionModel())
            selection->clear();
        ui->toolButtonShowGruppen->setText(QStringLiteral(">\n>\n>"));
    } else {
        ui->gruppenView->show();
        ui->toolButtonShowGruppen->setText(QStringLiteral("<\n<\n<"));
        if (m_editMode == 2)
            setEditierModus(0);
    }
}

// ------------------------------------------------------------ quality mark

void MainWindow::headerGeraeteClicked(int section)
{
    if (!m_geraeteModel || !m_werteModel || isReadOnly()
        || section != m_geraeteModel->fieldIndex(QStringLiteral("XXXDINPLUS")))
        return;
    const bool flag = !m_geraeteModel->isDinplusAll();
    QList<int> marksBefore;
    for (int row = 0; row < m_geraeteModel->rowCount(); ++row)
        marksBefore << m_geraeteModel->dinplusState(row);
    BusyCursor busy;
    WriteAction action;   // the whole switch is one change
    m_geraeteModel->setDinplusAll(flag);
    m_werteModel->setDinplusAll(flag);
    AppSettings *settings = AppSettings::instance();
    const int current = ui->tableGeraete->currentIndex().row();
    for (int row = 0; row < m_geraeteModel->recordCount(); ++row) {
        if (row == current)
            continue;
        action.run(QStringLiteral("UPDATE werte SET dinplus=%1 WHERE Geraet=%2 AND Bemerkung LIKE "
                                  "'%%3%'")
                       .arg(flag ? 1 : 0)
                       .arg(rowId(m_geraeteModel, row))
                       .arg(doubleApostrophes(settings->valueFilter)));
    }
    if (!action.finish()) {   // nothing was stored: show the marks as they are
        m_werteModel->refresh();
        for (int row = 0; row < marksBefore.size(); ++row)
            m_geraeteModel->setDinplusState(row, marksBefore.at(row));
    }
}

void MainWindow::headerAGWerteClicked(int section)
{
    if (!m_geraeteModel || !m_werteModel || isReadOnly()
        || section != m_werteModel->fieldIndex(QStringLiteral("XXXDINPLUS")))
        return;
    m_werteModel->setDinplusAll(!m_werteModel->isDinplusAll());
    const int state = m_werteModel->isDinplusAll() ? 2 : m_werteModel->isDinplusAny() ? 1 : 0;
    m_geraeteModel->setDinplusState(ui->tableGeraete->currentIndex().row(), state);
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
    const QAbstractItemView::EditTriggers full =
        mode == 0 ? QAbstractItemView::NoEditTriggers
                  : mode == 1 ? kGentleTriggers : QAbstractItemView::AllEditTriggers;
    const QAbstractItemView::EditTriggers lists =
        mode == 0 ? QAbstractItemView::NoEditTriggers : kGentleTriggers;
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(ui->tableGeraete),
                                    static_cast<QAbstractItemView *>(ui->tableAGWerte),
                                    static_cast<QAbstractItemView *>(ui->tableFRTypen),
                                    static_cast<QAbstractItemView *>(ui->tableBaustoffe)})
        view->setEditTriggers(full);
    ui->tableHersteller->setEditTriggers(lists);
    ui->tableFRHersteller->setEditTriggers(lists);
    const int dragMode = mode == 2 ? 0 : 3;
    ui->tableGeraete->setDragMode(dragMode, 500);
    ui->tableAGWerte->setDragMode(dragMode, 500);
}

// ------------------------------------------------------------ form pages

void MainWindow::rowHeaderGeraeteClicked(int row)
{
    showForm(m_geraeteModel, row, m_geraeteFormModel, m_applianceMapper,
             ui->gridLayoutGeraeteForm, m_applianceFormBuilt, m_applianceFormFields,
             AppSettings::instance()->applianceFieldLists,
             QStringLiteral("SELECT %1 from geraete WHERE tirmaid=%2"), ui->pageGeraeteForm);
}

void MainWindow::rowHeaderAGWerteClicked(int row)
{
    showForm(m_werteModel, row, m_werteFormModel, m_valueMapper, ui->gridLayoutWerteForm,
             m_valueFormBuilt, m_valueFormFields, AppSettings::instance()->valueFieldLists,
             QStringLiteral("SELECT %1 from werte WHERE werteid=%2"), ui->pageWerteForm);
}

void MainWindow::showForm(EditableSqlQueryModel *listModel, int row,
                          EditableSqlQueryModel *formModel, QDataWidgetMapper *mapper,
                          QGridLayout *grid, bool &built, QString &builtFor,
                          const QStringList &fieldLists, const QString &statement, QWidget *page)
{
    if (!listModel || !formModel || row + 1 >= listModel->rowCount())
        return;
    const QString fields = formFields(fieldLists);
    const int id = rowId(listModel, row);
    if (auto *geraete = qobject_cast<GeraeteModel *>(formModel))
        geraete->setQuery(statement.arg(fields).arg(id), kolvexDb());
    else if (auto *werte = qobject_cast<WerteModel *>(formModel))
        werte->setQuery(statement.arg(fields).arg(id), kolvexDb());
    else
        formModel->setQuery(statement.arg(fields).arg(id), kolvexDb());

    if (!built || fields != builtFor) {
        if (built) {
            mapper->clearMapping();
            clearGrid(grid);
        }
        built = true;
        builtFor = fields;
        buildFormGrid(formModel, mapper, grid);
    }
    for (int k = 0; k < grid->columnCount(); ++k)
        grid->setColumnStretch(k, k % 2 + 1);
    mapper->toFirst();
    ui->stackedWidget->setCurrentWidget(page);
}

void MainWindow::buildFormGrid(EditableSqlQueryModel *formModel, QDataWidgetMapper *mapper,
                               QGridLayout *grid)
{
    int i = 0;
    int r = 0;
    const int lastColumn = formModel->columnCount() - 1;
    for (int c = 2; c <= lastColumn; ++c) {
        const QModelIndex index = formModel->index(0, c);
        const QString name = formModel->columnName(index);
        QWidget *editor =
            mapper->itemDelegate()->createEditor(nullptr, QStyleOptionViewItem(), index);
        if (!editor)
            continue;
        if (auto *box = qobject_cast<QCheckBox *>(editor)) {
            box->setText(name);
        } else {
            auto *label = new QLabel(name);
            if (i > 4) {
                ++r;
                grid->addWidget(label, r, 0);
                i = 1;
            } else {
                grid->addWidget(label, r, i);
                ++i;
            }
            label->setBuddy(editor);
        }
        grid->addWidget(editor, r, i);
        ++i;
        mapper->addMapping(editor, c);
        if (i > 5) {
            ++r;
            i = 0;
        }
    }
}

void MainWindow::on_pbGeraeteShowTable_clicked()
{
    ui->stackedWidget->setCurrentWidget(ui->pageKolvex);
    reloadAppliancesKeepingCurrent();
}

void MainWindow::reloadAppliancesKeepingCurrent()
{
    // The form wrote its changes to the file; the list re-reads them and
    // keeps the appliance the form showed current.
    if (!m_geraeteModel)
        return;
    const int id = AppSettings::instance()->currentApplianceId;
    m_geraeteModel->refresh();
    AppSettings::instance()->currentApplianceId = -1;
    if (m_geraeteModel->recordCount() == 0) {
        showWerte();
        return;
    }
    const int row = m_geraeteModel->rowOfRecord(id);
    makeRowCurrent(ui->tableGeraete, qMax(row, 0), 2);
}

void MainWindow::on_pbWerteShowTable_clicked()
{
    ui->stackedWidget->setCurrentWidget(ui->pageKolvex);
    showWerte();
}

// ------------------------------------------------------------ field lists

bool MainWindow::chooseFieldList(QTableView *view, QAction *customise, QString &fields,
                                 const QStringList &fieldLists)
{
    QMenu menu(view);
    menu.addAction(customise);
    if (!fieldLists.isEmpty())
        menu.addSeparator();
    for (const QString &entry : fieldLists) {
        QAction *action = menu.addAction(entry.section('#', 0, 0));
        action->setData(entry.section('#', 1, 1));
        action->setToolTip(entry.section('#', 1, 1));
        if (action->data().toString() == fields)
            action->setIcon(QIcon(QStringLiteral(":/images/endturn.png")));
    }
    QAction *chosen = menu.exec(QCursor::pos());
    if (!chosen || chosen == customise || chosen->data().toString() == fields)
        return false;
    fields = chosen->data().toString();
    return true;
}

void MainWindow::geraetemaskeContextMenuRequested()
{
    AppSettings *settings = AppSettings::instance();
    if (chooseFieldList(ui->tableGeraete, ui->actionGeraetemaske_anpassen,
                        settings->applianceFields, settings->applianceFieldLists)) {
        QSettings().setValue("geraeteFelder", settings->applianceFields);
        showGeraete();
    }
}

void MainWindow::wertemaskeContextMenuRequested()
{
    AppSettings *settings = AppSettings::instance();
    if (chooseFieldList(ui->tableAGWerte, ui->actionWertemaske_anpassen, settings->valueFields,
                        settings->valueFieldLists)) {
        QSettings().setValue("werteFelder", settings->valueFields);
        showWerte();
    }
}

bool MainWindow::customiseFields(const QString &table, QAction *action, QString &fields,
                                 QStringList &fieldLists, const QStringList &mandatory)
{
#ifdef KOLVEX_HAVE_VIEWCUSTOMISE
    dlgViewCustomise dialog(table, fields, fieldLists, mandatory, this);
    dialog.setWindowTitle(action->iconText());
    return dialog.exec() == QDialog::Accepted;
#else
    Q_UNUSED(table)
    Q_UNUSED(action)
    Q_UNUSED(fields)
    Q_UNUSED(fieldLists)
    Q_UNUSED(mandatory)
    return false;
#endif
}

void MainWindow::on_actionGeraetemaske_anpassen_triggered()
{
    AppSettings *settings = AppSettings::instance();
    if (!customiseFields(QStringLiteral("Geraete"), ui->actionGeraetemaske_anpassen,
                         settings->applianceFields, settings->applianceFieldLists,
                         {QStringLiteral("TIRMAID"), QStringLiteral("HRSTID")}))
        return;
    QSettings user;
    user.setValue("geraeteFelder", settings->applianceFields);
    user.setValue("geraeteFelderList", settings->applianceFieldLists);
    showGeraete();
}

void MainWindow::on_actionWertemaske_anpassen_triggered()
{
    AppSettings *settings = AppSettings::instance();
    if (!customiseFields(QStringLiteral("Werte"), ui->actionWertemaske_anpassen,
                         settings->valueFields, settings->valueFieldLists,
                         {QStringLiteral("WERTEID"), QStringLiteral("GERAET")}))
        return;
    QSettings user;
    user.setValue("werteFelder", settings->valueFields);
    user.setValue("werteFelderList", settings->valueFieldLists);
    showWerte();
}

// ------------------------------------------------------------ pages

void MainWindow::showPage(int page, QWidget *widget, const QString &connectionName)
{
    ui->stackedWidget->setCurrentWidget(widget);
    showDatabaseOfPage(connectionName);
    // The search bar closes on the page it was opened on, and a failure
    // reported there is not reported again here.
    ui->lineEditFilterAll->clear();
    ui->actionSuchleisteAnzeigen->setChecked(false);
    AppSettings::instance()->queryFailed = false;
    m_page = page;
    if (page == 0) {
        // The bar is closed now, wherever it was opened.
        ui->suchleisteGeraete->show();
        ui->suchleisteWerte->show();
    }
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
    if (!m_quarnelHerstellerModel) {
        m_quarnelHerstellerModel = new QSqlQueryModel(this);
        m_quarnelGeraeteModel = new QSqlQueryModel(this);
        ui->tableViewQuarnelHersteller->setModel(m_quarnelHerstellerModel);
        ui->tableViewQuarnelGeraete->setModel(m_quarnelGeraeteModel);
        connect(ui->tableViewQuarnelHersteller->selectionModel(),
                &QItemSelectionModel::currentRowChanged, this,
                &MainWindow::slotQuarnelHerstellerActivated);
    }
    refreshQuarnelHersteller();
}

void MainWindow::on_actionFeuerraume_Datenbank_triggered()
{
    showPage(2, ui->pageFeuerraume, QLatin1String(kKolvexConnection));
    if (!m_frHerstellerModel) {
        m_frHerstellerModel = new HerstellerModel(ui->tableFRHersteller);
        ui->tableFRHersteller->setModel(m_frHerstellerModel);
        ui->tableFRHersteller->setItemDelegate(
            new EditableSqlQueryModelDelegate(m_frHerstellerModel));
        connect(ui->tableFRHersteller->selectionModel(), &QItemSelectionModel::currentRowChanged,
                this, &MainWindow::slotFRHerstellerActivated);
        connect(m_frHerstellerModel, &QAbstractItemModel::modelReset, this, [this] {
            QTimer::singleShot(0, this, [this] {
                if (restoreCurrentRow(ui->tableFRHersteller,
                                      AppSettings::instance()->currentFireChamberManufacturerId, 1))
                    refreshFeuerraeume();
            });
        });
        m_feuerraumModel = new FeuerraumModel(ui->tableFRTypen);
        ui->tableFRTypen->setModel(m_feuerraumModel);
        ui->tableFRTypen->setItemDelegate(new EditableSqlQueryModelDelegate(m_feuerraumModel));
    }
    refreshFRHersteller();
}

void MainWindow::on_actionBaustoffe_Datenbank_triggered()
{
    showPage(3, ui->pageBaustoffe, QLatin1String(kKolvexConnection));
    if (!m_baustoffeModel) {
        m_baustoffeModel = new BaustoffeModel(ui->tableBaustoffe);
        ui->tableBaustoffe->setModel(m_baustoffeModel);
        ui->tableBaustoffe->setItemDelegate(new EditableSqlQueryModelDelegate(m_baustoffeModel));
    }
    refreshBaustoffe();
}

void MainWindow::refreshFRHersteller()
{
    if (!m_frHerstellerModel)
        return;
    AppSettings *settings = AppSettings::instance();
    const QString sql =
        settings->allFilter.isEmpty()
            ? QStringLiteral("SELECT Id, Name FROM Hersteller WHERE Tirma<>0 AND Id IN (SELECT "
                             "HrstId FROM Gkostand) ORDER BY lower(Name)")
            : QStringLiteral("SELECT Id, Name FROM Hersteller WHERE Tirma<>0 AND Id IN (SELECT "
                             "HrstId FROM Gkostand WHERE %1) ORDER BY lower(Name)")
                  .arg(settings->allFilter);
    QueryFailureKeeper failure;
    m_frHerstellerModel->setQuery(sql, kolvexDb());
    failure.capture();
    ui->tableFRHersteller->hideColumn(0);
    ui->tableFRHersteller->resizeColumnsToContents();
    fixManufacturerListWidth(ui->tableFRHersteller);
    settings->currentFireChamberManufacturerId = -1;
    if (m_frHerstellerModel->recordCount() == 0)
        refreshFeuerraeume();
    else
        makeRowCurrent(ui->tableFRHersteller, 0, 1);
}

void MainWindow::slotFRHerstellerActivated(const QModelIndex &current, const QModelIndex &previous)
{
    if (current.row() == previous.row())
        return;
    AppSettings::instance()->currentFireChamberManufacturerId =
        current.isValid() ? rowId(current.model(), current.row()) : 0;
    refreshFeuerraeume();
}

void MainWindow::refreshFeuerraeume()
{
    if (!m_feuerraumModel)
        return;
    AppSettings *settings = AppSettings::instance();
    const QString sql =
        settings->allFilter.isEmpty()
            ? QStringLiteral("Select * from Gkostand where HrstId=%1 order by Typ")
                  .arg(settings->currentFireChamberManufacturerId)
            : QStringLiteral("Select * from Gkostand where HrstId=%1 and %2 order by Typ")
                  .arg(settings->currentFireChamberManufacturerId)
                  .arg(settings->allFilter);
    m_feuerraumModel->setQuery(sql, kolvexDb());
    hideLeadingColumns(ui->tableFRTypen, m_feuerraumModel, 3, QStringLiteral("Typ"));
    ui->tableFRTypen->resizeColumnsToContents();
}

void MainWindow::refreshBaustoffe()
{
    m_baustoffeModel->setQuery(QStringLiteral("Select * from Baustoffe order by Bezeichnung"),
                               kolvexDb());
    hideLeadingColumns(ui->tableBaustoffe, m_baustoffeModel, 2, QStringLiteral("Bezeichnung"));
    ui->tableBaustoffe->resizeColumnsToContents();
}

void MainWindow::refreshQuarnelHersteller()
{
    if (!m_quarnelHerstellerModel)
        return;
    AppSettings *settings = AppSettings::instance();
    settings->queryFailed = false;
    QString sql;
    if (settings->allFilter.isEmpty()) {
        sql = QStringLiteral("SELECT hnr, hersteller FROM hersteller WHERE vonwas=1 ORDER BY "
                             "lower(hersteller) ASC;");
    } else {
        sql = QStringLiteral("SELECT hnr, hersteller FROM hersteller WHERE vonwas=1  AND "
                             "hersteller IN (SELECT DISTINCT Hersteller FROM Waermedb WHERE %1) "
                             "ORDER BY lower(hersteller) ASC;")
                  .arg(settings->allFilter);
        QSqlQuery trial(quarnelDb());
        if (!trial.exec(sql)) {
            settings->queryFailed = true;
            settings->failedQuery = sql;
        }
    }
    QueryFailureKeeper failure;
    failure.capture();
    m_quarnelHerstellerModel->setQuery(sql, quarnelDb());
    while (m_quarnelHerstellerModel->canFetchMore())
        m_quarnelHerstellerModel->fetchMore();
    ui->tableViewQuarnelHersteller->hideColumn(0);
    ui->tableViewQuarnelHersteller->resizeColumnsToContents();
    fixManufacturerListWidth(ui->tableViewQuarnelHersteller);
    if (m_quarnelHerstellerModel->rowCount() == 0) {
        m_quarnelGeraeteModel->setQuery(
            QStringLiteral("Select * from Waermedb where Hersteller='' order by Typ"), quarnelDb());
        ui->tableViewQuarnelGeraete->resizeColumnsToContents();
    } else {
        makeRowCurrent(ui->tableViewQuarnelHersteller, 0, 1);
    }
}

void MainWindow::slotQuarnelHerstellerActivated(const QModelIndex &current,
                                                const QModelIndex &previous)
{
    AppSettings *settings = AppSettings::instance();
    settings->queryFailed = false;
    if (current.row() == previous.row() || !m_quarnelGeraeteModel)
        return;
    const QString name =
        doubleApostrophes(current.model()->index(current.row(), 1).data().toString());
    if (settings->allFilter.isEmpty()) {
        m_quarnelGeraeteModel->setQuery(
            QStringLiteral("Select * from Waermedb where Hersteller='%1' order by Typ").arg(name),
            quarnelDb());
        ui->tableViewQuarnelGeraete->resizeColumnsToContents();
        return;
    }
    const QString sql = QStringLiteral("Select * from Waermedb where Hersteller='%1' and %2 order "
                                       "by Typ")
                            .arg(name, settings->allFilter);
    QSqlQuery trial(quarnelDb());
    if (!trial.exec(sql)) {
        settings->queryFailed = true;
        settings->failedQuery = sql;
        return;
    }
    m_quarnelGeraeteModel->setQuery(sql, quarnelDb());
    ui->tableViewQuarnelGeraete->resizeColumnsToContents();
}

void MainWindow::on_actionQuarnel_Datenbanken_importieren_triggered()
{
    // The lists must not hold the tables the import drops and recreates.
    ui->tableViewQuarnelHersteller->setModel(nullptr);
    ui->tableViewQuarnelGeraete->setModel(nullptr);
    delete m_quarnelHerstellerModel;
    delete m_quarnelGeraeteModel;
#ifdef KOLVEX_HAVE_IMPORT
    dlgImport dialog(this);
    dialog.exec();
#endif
    on_actionQuarnel_Datenbank_triggered();
    ui->actionQuarnel_Datenbank->setChecked(true);
}

void MainWindow::on_actionUpdate_vorbereiten_triggered()
{
    QString error;
    if (!AppSettings::instance()->packJournal(&error))
        QMessageBox::warning(this, tr("Fehler"),
                             tr("Das Journal konnte nicht gepackt werden:\n%1").arg(error));
}

// ------------------------------------------------------------ backup

void MainWindow::on_actionSicherungErstellen_triggered()
{
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kKolvexConnection), false);
    const QFileInfo info(db.databaseName());
    QString proposal = info.absoluteDir().absolutePath() + "/"
                       + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + info.fileName();
    for (;;) {
        const QString target = QFileDialog::getSaveFileName(this, tr("Sichern unter..."), proposal);
        if (target.isEmpty())
            return;
        DatabaseBackup backup;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const DatabaseBackup::Result result = backup.copyTo(db, target);
        QApplication::restoreOverrideCursor();
        switch (result) {
        case DatabaseBackup::Written:
            statusBar()->showMessage(tr("Sicherung geschrieben: %1").arg(target), 10000);
            return;
        case DatabaseBackup::Failed:
            QMessageBox::warning(this, tr("Fehler"),
                                 tr("Sicherung fehlgeschlagen: ") + backup.errorText(),
                                 QMessageBox::Ok);
            return;
        case DatabaseBackup::TargetNotRemovable:
            QMessageBox::information(
                this, tr("Löschen"), tr("Datei <b>%1</b> konnte nicht gelöscht werden!").arg(target),
                QMessageBox::Ok);
            proposal = target;
            break;
        }
    }
}
