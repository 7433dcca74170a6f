#include "changereport.h"

#include <QDebug>

ChangeReport::ChangeReport(QObject *parent)
    : QObject(parent)
{
}

ChangeReport *ChangeReport::instance()
{
    static ChangeReport *report = new ChangeReport;
    return report;
}

void ChangeReport::changeNotSaved(const QString &databaseText)
{
    const QString message = tr("Änderung nicht gespeichert: ") + databaseText;
    qWarning().noquote() << message;
    emit failed(message);
}

void ChangeReport::statementsFailed(int count, const QString &firstDatabaseText)
{
    if (count == 1) {
        changeNotSaved(firstDatabaseText);
        return;
    }
    const QString message = tr("Änderung nicht gespeichert: ")
        + tr("%1 Anweisungen fehlgeschlagen (%2)").arg(count).arg(firstDatabaseText);
    qWarning().noquote() << message;
    emit failed(message);
}

void ChangeReport::actionCancelled()
{
    emit failed(tr("Abgebrochen: nichts geändert"));
}

void ChangeReport::journalNotWritable(const QString &reason)
{
    const QString message = tr("Änderungsprotokoll nicht schreibbar: ") + reason;
    qWarning().noquote() << message;
    emit failed(message);
}

void ChangeReport::openingNotice(const QString &message)
{
    qWarning().noquote() << message;
    emit failed(message);
}
