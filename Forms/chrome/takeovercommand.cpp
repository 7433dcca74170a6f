#include "takeovercommand.h"

#include "busycursor.h"
#include "dbconnections.h"
#include "manufacturerbasecopy.h"
#include "manufacturertakeover.h"
#include "takeoverpreview.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TakeOverCommand", text);
}

} // namespace

TakeOverCommand::TakeOverCommand(qint64 manufacturerId, const QString &name,
                                 const QString &mainDbFile, QWidget *dialogParent)
    : m_manufacturerId(manufacturerId)
    , m_name(name)
    , m_mainDbFile(mainDbFile)
    , m_parent(dialogParent)
{
}

void TakeOverCommand::createFileToSend()
{
    const QString proposal = QFileInfo(m_mainDbFile).absoluteDir().filePath(
        QStringLiteral("%1_%2.glo").arg(m_name, QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
    const QString target =
        QFileDialog::getSaveFileName(m_parent, tr("Datei für %1 speichern unter").arg(m_name), proposal);
    if (target.isEmpty())
        return;
    ManufacturerBaseCopy copy(m_manufacturerId, m_mainDbFile);
    bool ok;
    {
        BusyCursor busy;
        ok = copy.create(kolvexDb(), target);
    }
    if (ok)
        QMessageBox::information(m_parent, tr("Datei erstellt"),
                                 tr("Die Datei für %1 steht unter %2.\nDie Basiskopie für den "
                                    "späteren Vergleich liegt unter %3.")
                                     .arg(m_name, target, copy.basePath()));
    else
        QMessageBox::warning(m_parent, tr("Fehler"),
                             tr("Die Datei für %1 wurde nicht erstellt:\n%2").arg(m_name, copy.errorText()));
}

bool TakeOverCommand::takeOver()
{
    const QString returned =
        QFileDialog::getOpenFileName(m_parent, tr("Wähle die Datenbank-Datei aus"),
                                     QFileInfo(m_mainDbFile).absoluteDir().absolutePath());
    if (returned.isEmpty())
        return false;
    const QString base = ManufacturerBaseCopy(m_manufacturerId, m_mainDbFile).existingBase();
    ManufacturerTakeOver takeOver(m_manufacturerId, returned, base);
    bool compared;
    {
        BusyCursor busy;
        compared = takeOver.compare();
    }
    if (!compared) {
        QMessageBox::warning(m_parent, tr("Fehler"),
                             tr("Das Update vom %1 kann nicht verglichen werden:\n%2")
                                 .arg(m_name, takeOver.errorText()));
        return false;
    }
    if (takeOver.changes().isEmpty()) {
        QMessageBox::information(m_parent, tr("Update übernehmen"),
                                 tr("Die Datei enthält keine Änderungen für %1.").arg(m_name)
                                     + (takeOver.notes().isEmpty()
                                            ? QString()
                                            : QStringLiteral("\n") + takeOver.notes().join('\n')));
        return false;
    }
    TakeOverPreview preview(m_name, takeOver.changes(), takeOver.notes(), takeOver.hasBase(), m_parent);
    if (preview.exec() != QDialog::Accepted)
        return false;
    for (int i = 0; i < takeOver.changes().size(); ++i)
        takeOver.setChosen(i, preview.chosen(i));

    QProgressDialog progress(tr("Update wird übernommen…"), QString(), 0, 100, m_parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    takeOver.setProgressHandler([&progress](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
    });
    bool applied;
    {
        BusyCursor busy;
        applied = takeOver.apply();
    }
    progress.reset();
    if (!applied) {
        QMessageBox::warning(m_parent, tr("Fehler"), takeOver.errorText());
        return false;
    }
    QMessageBox::information(m_parent, tr("Update übernommen"), takeOver.resultText());
    return true;
}
