#ifndef DLGIMPORT_H
#define DLGIMPORT_H

#include <QDialog>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

#include "quarnelimport.h"

class BusyCursor;
class QuarnelExportFile;

namespace Ui {
class dlgImport;
}

// Loads the text table exports of the Quarnel database from one directory
// into the companion database (connection "QuarnelDB"). The tree lists the
// export files with their file and field names, one file per table to be
// ticked; the ticked tables are dropped, recreated and filled, then the
// derived data is brought up to date. Rows and derivations that fail are
// listed below the progress display.
class dlgImport : public QDialog
{
    Q_OBJECT

public:
    explicit dlgImport(QWidget *parent = nullptr);
    ~dlgImport() override;

public slots:
    // Not while an import runs: the import would go on behind a closed dialog.
    void reject() override;

private slots:
    void on_pbImportDatei_clicked();
    void on_pbImportieren_clicked();

private:
    void scanDirectory();
    // preferredPath: the file imported instead when another file of the
    // same table comes first; empty when this one is imported.
    void addFileItem(const QuarnelExportFile &file, const QString &preferredPath);
    QList<QuarnelImport::Table> tickedTables() const;
    void showTable(const QString &tableName);
    void showProgress(int imported, int total);
    void keepAlive();
    void appendErrors(const QStringList &lines);
    void setImporting(bool importing);
    void warn(const QString &title, const QString &text);

    Ui::dlgImport *ui;
    // The tables the Kolvex program reads; they are ticked when listed.
    QStringList m_usedTables;
    // File base names imported under another table name.
    QMap<QString, QString> m_renames;
    bool m_importing = false;
    // The wait cursor while an import runs.
    std::unique_ptr<BusyCursor> m_busyCursor;
};

#endif // DLGIMPORT_H
