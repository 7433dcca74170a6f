#include "dlgImport.h"
#include "ui_dlgImport.h"

#include "busycursor.h"
#include "dbconnections.h"
#include "quarnelexportdirectory.h"
#include "quarnelexportfile.h"
#include "quarnelfilechoice.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidgetItem>

namespace {

const char *const kLastDirectoryKey = "lastImportDatei";

enum Column { ColumnTable = 0, ColumnUsed = 1, ColumnImport = 2, ColumnPath = 3, ColumnFile = 4 };

} // namespace

dlgImport::dlgImport(QWidget *parent)
    : QDialog(parent), ui(new Ui::dlgImport)
{
    ui->setupUi(this);
    ui->tlDatei->clear();
    ui->treeWidget->hideColumn(ColumnPath);
    m_usedTables << QStringLiteral("WAERMEDB") << QStringLiteral("BAUART")
                 << QStringLiteral("HERSTELLER") << QStringLiteral("SAUGER")
                 << QStringLiteral("MATERIAL") << QStringLiteral("MATKENNW")
                 << QStringLiteral("QUERSCHN");
    m_renames.insert(QStringLiteral("HERSTELL"), QStringLiteral("HERSTELLER"));
    ui->widgetProgress->hide();
    ui->textBrowserFehler->hide();
    // A read-only list needs no undo history of what was appended.
    ui->textBrowserFehler->document()->setUndoRedoEnabled(false);

    const QString lastDirectory =
        QSettings().value(QLatin1String(kLastDirectoryKey), QString()).toString();
    if (!lastDirectory.isEmpty()) {
        ui->tlDatei->setText(lastDirectory);
        scanDirectory();
    }
}

dlgImport::~dlgImport()
{
    QSettings().setValue(QLatin1String(kLastDirectoryKey), ui->tlDatei->text());
    delete ui;
}

void dlgImport::reject()
{
    if (!m_importing)
        QDialog::reject();
}

void dlgImport::on_pbImportDatei_clicked()
{
    const QString directory = QFileDialog::getExistingDirectory(
        this, tr("Auswahl des Verzeichnisses mit den zu importierenden Dateien"), QString(),
        QFileDialog::ShowDirsOnly);
    if (directory.isEmpty())
        return;
    ui->tlDatei->setText(directory);
    scanDirectory();
}

void dlgImport::scanDirectory()
{
    ui->treeWidget->clear();
    const QuarnelExportDirectory directory(ui->tlDatei->text());
    QString failedFile;
    if (!directory.prepareManufacturerFile(&failedFile)) {
        warn(tr("Tabelle importieren"), tr("Datei %1 konnte nicht geöffnet werden!").arg(failedFile));
        return;
    }
    const QList<QuarnelExportFile> files = directory.exportFiles();
    QStringList tableNames;
    QStringList paths;
    for (const QuarnelExportFile &file : files) {
        tableNames << file.tableName();
        paths << file.path();
    }
    const QVector<int> chosen = QuarnelFileChoice::chosen(tableNames, paths);
    for (int i = 0; i < files.size(); ++i)
        addFileItem(files.at(i), chosen.at(i) == i ? QString() : paths.at(chosen.at(i)));
    for (int column : {ColumnTable, ColumnUsed, ColumnImport})
        ui->treeWidget->resizeColumnToContents(column);
}

void dlgImport::addFileItem(const QuarnelExportFile &file, const QString &preferredPath)
{
    QStringList fieldNames;
    if (!file.readFieldNames(&fieldNames))
        return;
    const QString table = file.tableName();
    const bool used = m_usedTables.contains(table);
    auto *item = new QTreeWidgetItem;
    item->setText(ColumnTable, table);
    item->setText(ColumnUsed, used ? tr("Ja") : tr("Nein"));
    item->setTextAlignment(ColumnUsed, Qt::AlignHCenter | Qt::AlignVCenter);
    if (preferredPath.isEmpty()) {
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(ColumnImport, used ? Qt::Checked : Qt::Unchecked);
    } else {
        // Another file of the same table is imported; this one can't be
        // ticked.
        item->setFlags(Qt::ItemIsEnabled);
        item->setText(ColumnImport, tr("ausgelassen"));
        const QString why = tr("Ausgelassen: die Tabelle %1 wird aus %2 importiert")
                                .arg(table, QFileInfo(preferredPath).fileName());
        for (int column : {ColumnTable, ColumnImport, ColumnFile})
            item->setToolTip(column, why);
    }
    item->setText(ColumnPath, file.path());
    item->setText(ColumnFile, QFileInfo(file.path()).fileName());
    ui->treeWidget->addTopLevelItem(item);
    for (const QString &name : fieldNames) {
        auto *child = new QTreeWidgetItem(item);
        child->setText(ColumnTable, name);
        child->setFirstColumnSpanned(true);
    }
}

QList<QuarnelImport::Table> dlgImport::tickedTables() const
{
    QList<QuarnelImport::Table> tables;
    for (int i = 0; i < ui->treeWidget->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = ui->treeWidget->topLevelItem(i);
        if (item->checkState(ColumnImport) != Qt::Checked || item->childCount() == 0)
            continue;
        QuarnelImport::Table table;
        table.tableName = item->text(ColumnTable);
        table.tableName = m_renames.value(table.tableName, table.tableName);
        table.filePath = item->text(ColumnPath);
        for (int c = 0; c < item->childCount(); ++c)
            table.fieldNames.append(item->child(c)->text(ColumnTable));
        tables.append(table);
    }
    return tables;
}

void dlgImport::on_pbImportieren_clicked()
{
    if (m_importing)
        return;
    QSqlDatabase db = quarnelDb();
    if (!db.isValid() || !db.isOpen()) {
        warn(tr("Tabelle importieren"), tr("Keine Quarnel-Datenbank geladen!"));
        return;
    }
    // The tree stays as it is while the import runs: the tables are taken
    // from it first, and the controls are off until the end.
    const QList<QuarnelImport::Table> tables = tickedTables();
    setImporting(true);
    m_busyCursor = std::make_unique<BusyCursor>();
    QuarnelImport import(db);
    import.setTableHandler([this](const QString &table) { showTable(table); });
    import.setProgressHandler([this](int imported, int total) { showProgress(imported, total); });
    import.setBusyHandler([this] { keepAlive(); });
    import.setErrorHandler([this](const QStringList &lines) { appendErrors(lines); });
    import.setWarningHandler(
        [this](const QString &title, const QString &text) { warn(title, text); });
    import.run(tables);
    if (!ui->textBrowserFehler->document()->isEmpty())
        ui->textBrowserFehler->show();
    m_busyCursor.reset();
    setImporting(false);
    ui->pbImportieren->setFocus();
}

void dlgImport::showTable(const QString &tableName)
{
    ui->labelTableName->setText(tableName);
    ui->lcdAnzahl->display(0);
    ui->progBar->setValue(0);
    ui->widgetProgress->show();
    keepAlive();
}

void dlgImport::showProgress(int imported, int total)
{
    ui->lcdAnzahl->display(imported);
    // The total is a count made before; never let the bar run over.
    ui->progBar->setValue(total > 0 ? int(qMin<qint64>(qint64(imported) * 100 / total, 100)) : 0);
    keepAlive();
}

void dlgImport::keepAlive()
{
    // Repaints the counter and the bar; input waits until the import ends.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void dlgImport::appendErrors(const QStringList &lines)
{
    // Inserted as plain text in one piece at the end: the lines quote
    // record contents, and the cost stays with the text added.
    QTextDocument *document = ui->textBrowserFehler->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    if (!document->isEmpty())
        cursor.insertBlock();
    cursor.insertText(lines.join(QLatin1Char('\n')));
    cursor.endEditBlock();
}

void dlgImport::setImporting(bool importing)
{
    m_importing = importing;
    ui->pbImportDatei->setEnabled(!importing);
    ui->pbImportieren->setEnabled(!importing);
    ui->pushButton4->setEnabled(!importing);
}

void dlgImport::warn(const QString &title, const QString &text)
{
    // The wait cursor would hide that the message waits for the user.
    if (m_busyCursor)
        m_busyCursor->pause();
    QMessageBox::warning(this, title, text);
    if (m_busyCursor)
        m_busyCursor->resume();
}
