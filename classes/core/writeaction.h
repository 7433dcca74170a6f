#ifndef WRITEACTION_H
#define WRITEACTION_H

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

class ActionRecorder;

// One user action against one database connection. Its statements run
// inside one transaction; a statement that fails is not journaled, the
// action goes on with the next one. At the end the journal lines of the
// statements that succeeded are written and flushed, then the transaction
// commits. When the journal cannot be written or the commit fails, the
// whole action is rolled back and the journal cut back to its former size,
// so the journal holds exactly what is in the file. A file locked by
// another program ends the action at the first statement it refuses, and
// the action is rolled back. Failures are reported once per action through
// ChangeReport.
//
// Actions nest: an action opened while another one is open on the same
// connection joins it; the outermost one commits or rolls back.
class WriteAction
{
public:
    enum Mode {
        KeepGoing,     // failed statements are skipped, the others commit
        AllOrNothing,  // one failed statement rolls the whole action back
    };

    // An empty name means the main connection "Kolvex".
    explicit WriteAction(const QString &connectionName = QString(), Mode mode = KeepGoing);
    // Finishes the action when finish() was not called.
    ~WriteAction();
    WriteAction(const WriteAction &) = delete;
    WriteAction &operator=(const WriteAction &) = delete;

    QSqlDatabase database() const;
    // Whether this action joined one that was already open.
    bool isNested() const;

    // Executes sql; when it succeeds its text goes to the journal with the
    // action, and the new row id of an insert to lastInsertId when given.
    bool run(const QString &sql, QVariant *lastInsertId = nullptr);
    // The same for an UPDATE or DELETE of one record: when it reaches no row
    // (the record was deleted meanwhile) it counts as failed and is not
    // journaled.
    bool runOnRecord(const QString &sql);
    // Executes sql inside the transaction without journaling it.
    bool runUnjournaled(const QString &sql);
    // Counts a failure that did not come from run() (a failed look-up, no
    // free id) with the text to report.
    void noteFailure(const QString &text);

    // Failures of statements run through this object (nested ones included
    // for the outermost action).
    int failureCount() const;
    // The database's text of the last statement that failed in run() or
    // runUnjournaled() of this object; empty when none failed.
    QString lastError() const;

    // The user stopped the action: nothing more runs, and the outermost
    // action rolls back everything, journals nothing and reports the cancel.
    void cancel();
    bool isCancelled() const;

    // Outermost action: journal, commit or roll back, report. Returns whether
    // the action's changes are in the file (statements that failed on the way
    // do not count against it in KeepGoing mode). A nested action returns
    // true: the outermost one decides.
    bool finish();

    // Called by every outermost action that wrote journal lines, after they
    // are on the disk and before the commit (tests stop the process there).
    static void setBeforeCommitHook(void (*hook)());

    // How many outermost actions have finished so far (committed or not): a
    // value read from the file before is still the file's while it is the same.
    static quint64 finishedCount();

    // Whether an action is open on the connection of that name.
    static bool isOpenOn(const QString &connectionName);

    // Report text for a copy when the id range has no free id left.
    static QString rangeFullText();

    // Undo recording: the caller's name of the action ("Zelle ändern"); the
    // first name given to an action counts. Where outermost actions get a
    // recorder from (none by default, or when the source returns none).
    void setStepName(const QString &name);
    using RecorderSource =
        std::function<std::unique_ptr<ActionRecorder>(const QString &connectionName)>;
    static void setRecorderSource(const RecorderSource &source);

private:
    struct Shared;
    // The outermost open action of each connection.
    static QHash<QString, Shared *> &openActions();
    bool execute(const QString &sql, bool journal, QVariant *lastInsertId,
                 bool needsRow = false);
    void fail(const QString &text);
    bool finishOutermost();
    void report() const;
    static RecorderSource &recorderSource();
    static quint64 &finished();

    QString m_connectionName;
    Shared *m_shared = nullptr;
    bool m_outermost = false;
    bool m_finished = false;
    bool m_result = true;
    int m_failures = 0;
    QString m_lastError;
};

#endif // WRITEACTION_H
