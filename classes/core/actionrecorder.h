#ifndef ACTIONRECORDER_H
#define ACTIONRECORDER_H

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// Watches the statements of one outermost write action so that the action
// can be taken back later. The action calls it around each statement and
// at its end; whoever installs the recorder source (the undo history)
// decides what becomes of a committed action.
class ActionRecorder
{
public:
    virtual ~ActionRecorder();

    // Before sql runs on db. May return a statement of the very same effect
    // to run instead (the journal still gets sql); empty for sql itself.
    virtual QString beforeStatement(QSqlDatabase db, const QString &sql, bool journaled) = 0;
    // After sql ran successfully: the rows it changed and the row id of an insert.
    virtual void afterStatement(const QString &sql, int rowsAffected, const QVariant &insertId) = 0;
    // Inside the transaction, right before the commit.
    virtual void beforeCommit(QSqlDatabase db) = 0;
    // The action's changes are in the file; name is the one the caller gave (may be empty).
    virtual void committed(const QString &name) = 0;
};

#endif // ACTIONRECORDER_H
