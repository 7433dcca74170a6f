#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "appsettings.h"
#include "dbconnections.h"
#include "idtable.h"
#include "resources.h"

#include <QActionGroup>
#include <QApplication>
#include <QCompleter>
#include <QDataWidgetMapper>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QSettings>
#include <QShortcut>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStatusBar>
#include <QStringListModel>

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

    ui->tableGeraete->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    ui->tableAGWerte->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);

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

    m_autoErfassdatumShortcut = new QShortcut(QKeySequence(Qt::Key_F12), this);
    m_autoErfassdatumShortcut->setContext(Qt::WindowShortcut);
    connect(m_autoErfassdatumShortcut, &QShortcut::activated, this,
            &MainWindow::toggleAutoErfassdatum);
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

void MainWindow::restoreGeometryAndFont()
{
    QSettings user;
    restoreGeometry(user.value("geometry").toByteArray());
    const QString description = user.value("Font", QString()).toString();
    QFont font;
    if (!description.isEmpty() && font.fromString(description))
        QApplication::setFont(font);
}

void MainWindow::createSearchHistories()
{
    AppSettings *settings = AppSettings::instance();
    const auto attach = [this](const QStringList &terms, QLineEdit *edit, QStringListModel *&model,
                               QCompleter *&completer) {
        model = new QStringListModel(terms, this);
        completer = new QCompleter(model, this);
        completer->setCompletionMode(QCompleter::PopupCompletion);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        edit->setCompleter(completer);
    };
    attach(settings->searchTermsAppliances, ui->lineEditFilterGeraete, m_appliancesHistory,
           m_appliancesCompleter);
    attach(settings->searchTermsValues, ui->lineEditFilterWerte, m_valuesHistory,
           m_valuesCompleter);
    attach(settings->searchTermsAll, ui->lineEditFilterAll, m_allHistory, m_allCompleter);
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

static QVariantList columnWidths(const QTableView *view)
{
    QVariantList widths;
    const QHeaderView *header = view->horizontalHeader();
    for (int i = 0; i < header->count(); ++i)
        widths << view->columnWidth(i);
    return widths;
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
    QApplication::setFont(font);
    QSettings().setValue("Font", font.toString());
    ui->tableHersteller->resizeColumnsToContents();
    ui->tableHersteller->setFixedWidth(ui->tableHersteller->columnWidth(1)
                                       + ui->tableHersteller->verticalHeader()->width() + 25);
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
    }
    const QString file =
        QFileDialog::getOpenFileName(this, tr("Auswahl KOLVEX Datenbank"), QStringLiteral("."));
    if (!file.isEmpty()) {
        error = openDataBase(file);
        QSettings().setValue("DBFile", file);
    }
    if (error.isValid())
        QMessageBox::warning(this, tr("Datenbank Fehler"),
                             tr("Datenbank konnte nicht geöffnet werden: ") + error.text(),
                             QMessageBox::Ok);
}

static void removeAllConnections()
{
    for (const QString &name : QSqlDatabase::connectionNames()) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

// Opens a SQLite connection on an existing file. A path that does not exist
// is refused instead of letting the driver create an empty database there.
static QSqlError openConnection(const QString &name, const QString &file, bool mustExist)
{
    QSqlError error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT"));
        db.setDatabaseName(file);
        if (mustExist && !QFileInfo(file).isFile())
            error = QSqlError(QObject::tr("Datei nicht gefunden"),
                              QObject::tr("Die Datei '%1' existiert nicht.").arg(file),
                              QSqlError::ConnectionError);
        else if (!db.open())
            error = db.lastError();
    }
    if (error.isValid())
        QSqlDatabase::removeDatabase(name);
    return error;
}

static void fillAufsatzCache(QSqlDatabase db)
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

QSqlError MainWindow::openDataBase(const QString &file)
{
    QSqlError error;
    removeAllConnections();
    const QSqlError mainError =
        openConnection(QLatin1String(kKolvexConnection), file, /*mustExist=*/true);
    if (mainError.isValid())
        error = mainError;

    statusBar()->showMessage(file, 0);
    AppSettings *settings = AppSettings::instance();
    settings->dbFile = file;

    if (!mainError.isValid()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        createIdTable(kolvexDb());
        fillAufsatzCache(kolvexDb());
        QApplication::restoreOverrideCursor();
    }

    const QString quarnelFile =
        QFileInfo(file).absoluteDir().absolutePath() + QStringLiteral("/kolvex3.glo");
    const QSqlError quarnelError =
        openConnection(QLatin1String(kQuarnelConnection), quarnelFile, /*mustExist=*/false);
    if (quarnelError.isValid())
        error = quarnelError;

    settings->currentApplianceId = -1;
    adaptToManufacturerMode();
    return error;
}

void MainWindow::adaptToManufacturerMode()
{
    if (AppSettings::instance()->manufacturerMode) {
        ui->toolButtonShowGruppen->hide();
        ui->tableHersteller->hide();
        ui->gruppenView2->hide();
        ui->toolBar->hide();
        ui->menubar->hide();
        if (!m_oldAppliancesShortcut) {
            m_oldAppliancesShortcut = new QShortcut(QKeySequence(Qt::Key_F6), this);
            m_oldAppliancesShortcut->setContext(Qt::WindowShortcut);
        }
    } else {
        AppSettings::instance()->currentManufacturerId = -1;
        ui->toolButtonShowGruppen->hide();
        ui->gruppenView2->hide();
    }
}

// ------------------------------------------------------------------ pages

void MainWindow::showPage(int page, QWidget *widget, const QString &connectionName)
{
    ui->stackedWidget->setCurrentWidget(widget);
    m_page = page;
    statusBar()->showMessage(QSqlDatabase::database(connectionName, false).databaseName());
    ui->lineEditFilterAll->clear();
    ui->actionSuchleisteAnzeigen->setChecked(false);
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
}

void MainWindow::on_actionFeuerraume_Datenbank_triggered()
{
    showPage(2, ui->pageFeuerraume, QLatin1String(kKolvexConnection));
}

void MainWindow::on_actionBaustoffe_Datenbank_triggered()
{
    showPage(3, ui->pageBaustoffe, QLatin1String(kKolvexConnection));
}

void MainWindow::on_actionUpdate_vorbereiten_triggered()
{
    AppSettings::instance()->packJournal();
}

void MainWindow::on_actionSuchleisteAnzeigen_toggled(bool on)
{
    ui->actionSuchleisteAnzeigen->setText(on ? tr("Suchleiste verstecken")
                                             : tr("Suchleiste anzeigen"));
    ui->suchleiste->setVisible(on);
    if (on) {
        ui->suchleisteGeraete->hide();
        ui->suchleisteWerte->hide();
    } else {
        if (m_page == 0) {
            ui->suchleisteGeraete->show();
            ui->suchleisteWerte->show();
        }
        ui->lineEditFilterAll->clear();
    }
}

void MainWindow::on_toolButtonShowGruppen_clicked()
{
    if (ui->gruppenView->isVisible()) {
        ui->gruppenView->hide();
        ui->gruppenView->clearSelection();
        ui->toolButtonShowGruppen->setText(QStringLiteral(">\n>\n>"));
    } else {
        ui->gruppenView->show();
        ui->toolButtonShowGruppen->setText(QStringLiteral("<\n<\n<"));
    }
}
