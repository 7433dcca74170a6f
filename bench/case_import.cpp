// The Quarnel import of the generated exports through the import dialog:
// every table the dialog ticks (WAERMEDB with 100,000 lines, QUERSCHN with
// 10,000 cross-sections, the merged manufacturers and the small tables; ten
// times as many with --scale 10),
// with the follow-up steps and the derivation of the cross-sections, timed
// from the click on "Importieren" until the dialog is done. Against the
// sqlite3 shell's .import of the same files into the same companion file.
// A second line imports WAERMEDB alone.
#include "benchcase.h"
#include "dbconnections.h"
#include "dlgImport.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

namespace {

struct ImportFile
{
    QString table;
    QString path;
};

// Copies the generated exports into dir (the dialog writes the merged
// manufacturer file beside them).
bool copyExports(const QString &from, const QString &dir)
{
    QDir().mkpath(dir);
    const QStringList names = QDir(from).entryList({"*.txt"}, QDir::Files);
    for (const QString &name : names) {
        QFile::remove(dir + "/" + name);
        if (!QFile::copy(from + "/" + name, dir + "/" + name))
            return false;
    }
    QFile::remove(dir + "/Hersteller.txt");
    return !names.isEmpty();
}

// A fresh companion file from the generated one; returns its path.
QString freshCompanion(BenchContext &context, const QString &name)
{
    const QString dir = context.scratchDir() + "/" + name;
    QDir().mkpath(dir);
    const QString target = dir + "/kolvex3.glo";
    QFile::remove(target);
    QFile::copy(context.largeQuarnelDatabase(), target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

// Closes message boxes that would stop the run, and remembers their texts.
class MessageBoxCloser : public QObject
{
public:
    MessageBoxCloser()
    {
        m_timer.setInterval(100);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->accept();
            }
        });
        m_timer.start();
    }
    QStringList texts;

private:
    QTimer m_timer;
};

// The dialog as the user sees it, with only the given tables ticked (all
// the ticked ones when empty).
struct ImportDialog
{
    explicit ImportDialog(const QString &exportDir, const QStringList &onlyTables = {})
    {
        // The dialog lists the directory it remembers when it opens.
        QSettings().setValue(QStringLiteral("lastImportDatei"), exportDir);
        dialog.reset(new dlgImport);
        dialog->show();
        tree = dialog->findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
        button = dialog->findChild<QPushButton *>(QStringLiteral("pbImportieren"));
        if (!tree)
            return;
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = tree->topLevelItem(i);
            if (!onlyTables.isEmpty())
                item->setCheckState(2, onlyTables.contains(item->text(0)) ? Qt::Checked
                                                                           : Qt::Unchecked);
        }
    }

    // The ticked files and the tables they fill, as the dialog imports them.
    QList<ImportFile> tickedFiles() const
    {
        QList<ImportFile> files;
        for (int i = 0; tree && i < tree->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = tree->topLevelItem(i);
            if (item->checkState(2) != Qt::Checked || item->childCount() == 0)
                continue;
            const QString table = item->text(0) == QLatin1String("HERSTELL")
                                      ? QStringLiteral("HERSTELLER")
                                      : item->text(0);
            files << ImportFile{table, item->text(3)};
        }
        return files;
    }

    double clickImport()
    {
        QElapsedTimer timer;
        timer.start();
        if (button)
            button->click();
        return timer.nsecsElapsed() / 1e9;
    }

    // Lines of the dialog's error list after the import.
    int errorLines() const
    {
        auto *list = dialog->findChild<QTextBrowser *>(QStringLiteral("textBrowserFehler"));
        return list && !list->document()->isEmpty() ? list->document()->blockCount() : 0;
    }

    std::unique_ptr<dlgImport> dialog;
    QTreeWidget *tree = nullptr;
    QPushButton *button = nullptr;
};

QString dotImportScript(const QList<ImportFile> &files)
{
    QString script = QStringLiteral(".mode csv\n.separator \"|\" \"\\n\"\n");
    for (const ImportFile &file : files)
        script += QStringLiteral("DROP TABLE IF EXISTS %1;\n.import '%2' %1\n")
                      .arg(file.table, file.path);
    return script;
}

qint64 rowsIn(QSqlDatabase db, const QList<ImportFile> &files)
{
    qint64 rows = 0;
    for (const ImportFile &file : files)
        rows += TestSupport::scalar(db, "SELECT count(*) FROM " + file.table).toLongLong();
    return rows;
}

void measureImport(BenchContext &context, const QString &exportDir, const QStringList &onlyTables,
                   const QString &line, bool isFullImport)
{
    MessageBoxCloser closer;
    QList<ImportFile> files;
    qint64 rows = 0;
    int errorLines = 0;
    QString derivedNote;
    const PairedTimes times = context.paired(
        context.rounds(3),
        [&] {
            removeAllConnections();
            const QString companion = freshCompanion(context, "import-ours");
            openSqliteConnection(QLatin1String(kQuarnelConnection), companion, true);
            ImportDialog dialog(exportDir, onlyTables);
            files = dialog.tickedFiles();
            const double seconds = dialog.clickImport();
            errorLines = dialog.errorLines();
            rows = rowsIn(quarnelDb(), files);
            if (isFullImport)
                derivedNote = QStringLiteral(", %1 cross-sections derived")
                                  .arg(TestSupport::scalar(
                                      quarnelDb(),
                                      "SELECT count(*) FROM QUERSCHN WHERE WdwInnen IS NOT NULL"));
            removeAllConnections();
            return seconds;
        },
        [&] {
            const QString companion = freshCompanion(context, "import-shell");
            return context.shellSeconds(companion, QString(), dotImportScript(files));
        });
    QStringList tables;
    for (const ImportFile &file : files)
        tables << file.table;
    QString note = QStringLiteral("%1 rows in %2 tables (%3)%4; baseline: .import only")
                       .arg(rows)
                       .arg(files.size())
                       .arg(tables.join(", "), derivedNote);
    if (!closer.texts.isEmpty())
        note += "; MESSAGES: " + closer.texts.join(" / ");
    if (errorLines > 0)
        note += QStringLiteral("; ERROR LIST: %1 lines").arg(errorLines);
    const PairedSummary summary =
        context.reportShare(line, times, double(rows), "rows", "sqlite3 .import", note);
    context.targetShareAtLeast(isFullImport ? "full import vs .import (rows/s)"
                                            : "WAERMEDB import vs .import (rows/s)",
                               summary, isFullImport ? 0.5 : 0.7);
}

} // namespace

KOLVEX_BENCH_CASE(quarnelImport)
{
    const QString exportDir = context.scratchDir() + "/quarnel-exports";
    if (!copyExports(context.quarnelExportDir(), exportDir)) {
        context.reportValue("Quarnel import", "NOT MEASURED: exports missing");
        context.targetNotMeasured("full import vs .import (rows/s)", ">= 50 %", "exports missing");
        return;
    }
    measureImport(context, exportDir, {},
                  "full Quarnel import through the dialog (ticked tables, derivations included)",
                  true);
    measureImport(context, exportDir, {QStringLiteral("WAERMEDB")},
                  QStringLiteral("WAERMEDB import through the dialog (%1 lines)")
                      .arg(context.scaled(100000)),
                  false);
}
