#include "updatemenu.h"

#include "appsettings.h"
#include "busycursor.h"
#include "dbconnections.h"
#include "manufacturerupdateexport.h"
#include "shortname.h"
#include "takeovercommand.h"
#include "updatemanufacturernames.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>

UpdateMenu::UpdateMenu(QMenu *settingsMenu, QWidget *dialogParent, QObject *parent,
                       QAction *before)
    : QObject(parent)
    , m_settingsMenu(settingsMenu)
    , m_dialogParent(dialogParent)
    , m_before(before)
{
}

void UpdateMenu::rebuild(const QString &file)
{
    // Reopening replaces the entries of the previous database.
    if (m_menu) {
        m_settingsMenu->removeAction(m_menu->menuAction());
        delete m_menu;
        delete m_separator;
    }
    m_menu = new QMenu(tr("Hersteller Updates"), m_settingsMenu);
    m_settingsMenu->insertMenu(m_before, m_menu);
    m_separator = m_settingsMenu->insertSeparator(m_before);
    m_menu->setObjectName(QStringLiteral("menuHerstellerUpdates"));
    const QList<qint64> manufacturers = AppSettings::instance()->idRangeLow.keys();
    for (const qint64 id : manufacturers) {
        for (const QString &name : UpdateManufacturerNames::of(kolvexDb(), id)) {
            const QString shown = shortName(name, m_menu->fontMetrics());
            QAction *action = m_menu->addAction(tr("Update vom %1 einlesen").arg(shown));
            connect(action, &QAction::triggered, this,
                    [this, id, name, file] { runUpdateExport(id, name, file); });
            QAction *takeOver = m_menu->addAction(tr("Update vom %1 übernehmen…").arg(shown));
            connect(takeOver, &QAction::triggered, this, [this, id, name, file] {
                if (TakeOverCommand(id, name, file, m_dialogParent).takeOver())
                    emit mainFileChanged();
            });
            QAction *send = m_menu->addAction(tr("Datei für %1 erstellen…").arg(shown));
            connect(send, &QAction::triggered, this, [this, id, name, file] {
                TakeOverCommand(id, name, file, m_dialogParent).createFileToSend();
            });
        }
    }
}

void UpdateMenu::setEnabled(bool enabled)
{
    if (m_menu)
        m_menu->menuAction()->setEnabled(enabled);
}

void UpdateMenu::runUpdateExport(qint64 manufacturerId, const QString &name, const QString &file)
{
    const QString updateFile =
        QFileDialog::getOpenFileName(m_dialogParent, tr("Wähle die Datenbank-Datei aus"),
                                     QFileInfo(file).absoluteDir().absolutePath());
    if (updateFile.isEmpty())
        return;
    ManufacturerUpdateExport update(manufacturerId, name, file);
    ManufacturerUpdateExport::Result result;
    {
        BusyCursor busy;
        result = update.run(updateFile);
    }
    if (result == ManufacturerUpdateExport::CannotOpen)
        QMessageBox::warning(m_dialogParent, tr("Fehler"),
                             tr("Datenbankdatei kann nicht geöffnet werden") + QStringLiteral("\n")
                                 + update.errorText(),
                             QMessageBox::Ok);
    else if (result == ManufacturerUpdateExport::Exported && update.caveats().isEmpty())
        emit statusMessage(tr("Update geschrieben: %1").arg(update.scriptPath()), 10000);
    else if (result == ManufacturerUpdateExport::Exported)
        QMessageBox::warning(m_dialogParent, tr("Update unvollständig"),
                             tr("Das Skript %1 wurde geschrieben, trägt aber nicht alles:")
                                     .arg(update.scriptPath())
                                 + QStringLiteral("\n") + update.caveats().join(QStringLiteral("\n")),
                             QMessageBox::Ok);
    else
        QMessageBox::warning(m_dialogParent, tr("Fehler"), update.errorText(), QMessageBox::Ok);
}
