#include "backupcommand.h"

#include "busycursor.h"
#include "databasebackup.h"
#include "dbconnections.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

BackupCommand::BackupCommand(QWidget *dialogParent)
    : QObject(dialogParent)
    , m_dialogParent(dialogParent)
{
}

void BackupCommand::run()
{
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(kKolvexConnection), false);
    const QFileInfo info(db.databaseName());
    QString proposal = info.absoluteDir().absolutePath() + "/"
                       + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + info.fileName();
    for (;;) {
        const QString target =
            QFileDialog::getSaveFileName(m_dialogParent, tr("Sichern unter..."), proposal);
        if (target.isEmpty())
            return;
        DatabaseBackup backup;
        DatabaseBackup::Result result;
        {
            BusyCursor busy;
            result = backup.copyTo(db, target);
        }
        switch (result) {
        case DatabaseBackup::Written:
            emit statusMessage(tr("Sicherung geschrieben: %1").arg(target), 10000);
            return;
        case DatabaseBackup::Failed:
            QMessageBox::warning(m_dialogParent, tr("Fehler"),
                                 tr("Sicherung fehlgeschlagen: ") + backup.errorText(),
                                 QMessageBox::Ok);
            return;
        case DatabaseBackup::TargetNotRemovable:
            QMessageBox::information(
                m_dialogParent, tr("Löschen"),
                tr("Datei <b>%1</b> konnte nicht gelöscht werden!").arg(target), QMessageBox::Ok);
            proposal = target;
            break;
        }
    }
}
