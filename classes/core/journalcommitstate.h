#ifndef JOURNALCOMMITSTATE_H
#define JOURNALCOMMITSTATE_H

#include <QSqlDatabase>
#include <QString>

class ChangeJournal;

// How far the change journal is committed: the journal's size at the last
// commit, kept in the small SQLite file "journal.state" beside the journal.
// The main connection attaches it, so the size is written in the same
// transaction as the change itself: after a crash between the journal's
// sync and the commit, the lines beyond the recorded size belong to a change
// the file never got.
class JournalCommitState
{
public:
    // Attaches the state file to db (created when missing, then holding the
    // journal's present size) and brings the journal back to the recorded
    // size: an uncommitted tail is moved into a file of its own beside the
    // journal. Returns a text for the user when something was found (tail
    // moved aside, journal shorter than recorded), empty otherwise.
    static QString attachAndRepair(QSqlDatabase db, const ChangeJournal &journal);

    // Inside the open transaction of db: records size as the committed size.
    // True without doing anything when db has no state attached.
    static bool record(QSqlDatabase db, qint64 size, QString *error = nullptr);

    // The state file that belongs to a journal.
    static QString statePath(const ChangeJournal &journal);

private:
    static bool isAttached(QSqlDatabase db);
    static qint64 recordedSize(QSqlDatabase db);
    static QString moveTailAside(const ChangeJournal &journal, qint64 committed);
};

#endif // JOURNALCOMMITSTATE_H
