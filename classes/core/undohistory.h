#ifndef UNDOHISTORY_H
#define UNDOHISTORY_H

#include "undostep.h"

#include <QObject>
#include <QString>
#include <QVector>

// The steps of the open main database that can be undone and redone, in
// order. Every committed write action on the connection becomes one step;
// undo and redo are write actions of their own (all or nothing, journaled
// like any change). Memory is bounded: at most kMaxSteps steps and about
// kMaxBytes of row images together; the oldest steps go first, a step
// larger than the whole bound is kept only as one that cannot be undone.
class UndoHistory : public QObject
{
    Q_OBJECT
public:
    static const int kMaxSteps = 100;
    static const qint64 kMaxBytes = 64 * 1024 * 1024;

    explicit UndoHistory(QObject *parent = nullptr);
    ~UndoHistory() override;

    // The history of the program's window.
    static UndoHistory *instance();

    // Starts recording the write actions on connectionName (empty: the main
    // connection) for a newly opened file; steps of an earlier file are
    // dropped (cleared tells so). A file that is only read records nothing.
    void startFor(const QString &file, bool readOnly, const QString &connectionName = QString());

    bool isEnabled() const { return m_enabled; }
    bool canUndo() const;
    bool canRedo() const;
    // Name of the step undo or redo would take; empty when none.
    QString undoName() const;
    QString redoName() const;
    // Why the last step cannot be undone; empty when it can or there is none.
    QString undoRefusal() const;
    int undoCount() const { return m_undo.size(); }
    int redoCount() const { return m_redo.size(); }
    qint64 heldBytes() const;

    // Takes back the last step, or does again the last one taken back. False
    // with the German reason when refused or failed; the stacks stay then.
    bool undo(QString *error = nullptr);
    bool redo(QString *error = nullptr);

    // Called for every committed step (by the recording).
    void push(UndoStep step);

signals:
    void changed();
    // Steps of another file were dropped.
    void cleared(const QString &message);
    // After undo or redo: the record to show, -1 for what does not apply
    // (a value set names its appliance and manufacturer too).
    void restored(qint64 manufacturerId, qint64 applianceId, qint64 valueSetId);

private:
    bool apply(UndoStep::Direction direction, QString *error);
    void trim();
    void installRecorder();
    void announceRestored(const UndoStep::Record &record);

    QString m_connectionName;
    QString m_file;
    bool m_enabled = false;
    bool m_applying = false;
    QVector<UndoStep> m_undo;
    QVector<UndoStep> m_redo;
};

#endif // UNDOHISTORY_H
