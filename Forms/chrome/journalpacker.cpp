#include "journalpacker.h"

#include "busycursor.h"
#include "changejournal.h"

#include <QDir>
#include <QMessageBox>

JournalPacker::JournalPacker(QWidget *dialogParent)
    : QObject(dialogParent)
    , m_dialogParent(dialogParent)
{
}

void JournalPacker::pack()
{
    const ChangeJournal journal = ChangeJournal::current();
    if (!journal.hasJournal()) {
        emit statusMessage(tr("Kein Journal zum Packen vorhanden: %1")
                               .arg(QDir::toNativeSeparators(journal.path())),
                           10000);
        return;
    }
    QString error;
    bool packed;
    {
        BusyCursor busy;
        packed = journal.pack(&error);
    }
    if (packed)
        emit statusMessage(tr("Journal gepackt: %1")
                               .arg(QDir::toNativeSeparators(journal.packedPath())),
                           10000);
    else
        QMessageBox::warning(m_dialogParent, tr("Fehler"),
                             tr("Das Journal konnte nicht nach %1 gepackt werden:\n%2")
                                 .arg(QDir::toNativeSeparators(journal.packedPath()), error));
}
