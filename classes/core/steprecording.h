#ifndef STEPRECORDING_H
#define STEPRECORDING_H

#include "actionrecorder.h"
#include "undostep.h"
#include "writestatement.h"

#include <QHash>
#include <QSet>
#include <functional>

// Records one write action as an UndoStep: before each statement the rows
// it will change (read with the statement's own condition), after an
// insert the new row, before the commit every touched row as the action
// leaves it. A statement it cannot take back makes the step one that only
// says it cannot be undone.
class StepRecording : public ActionRecorder
{
public:
    // committed receives the step of an action whose changes are in the file.
    explicit StepRecording(std::function<void(UndoStep)> committed);

    QString beforeStatement(QSqlDatabase db, const QString &sql, bool journaled) override;
    void afterStatement(const QString &sql, int rowsAffected, const QVariant &insertId) override;
    void beforeCommit(QSqlDatabase db) override;
    void committed(const QString &name) override;

    // The name of a step after its first change: "Feuerstätte löschen", ...
    static QString defaultName(WriteStatement::Kind kind, const QString &table);

private:
    UndoStep::Table *tableFor(QSqlDatabase db, const QString &name, bool journaled);
    bool isTemporary(QSqlDatabase db, const QString &table);
    void touch(UndoStep::Table &table, qint64 id, const UndoStep::Image &before);
    // The columns an update needs in the images (its key and the columns
    // it sets, in table order); empty when the statement needs whole rows.
    QStringList columnsOfUpdate(const QStringList &columns, int keyColumn) const;
    bool fitsImages(const UndoStep::Table &table) const;
    // Completes images that hold some columns to whole rows, for a
    // statement that needs them.
    bool widenToWholeRows(QSqlDatabase db, UndoStep::Table &table);
    void giveUp(const QString &reason);
    // The statement limited to the rows its condition found: one pass over
    // the table is enough.
    QString byRowIds(const QString &table, const QList<qint64> &ids) const;
    void noteAssignments(const UndoStep::Table &table);
    // The one row a condition "key=N" names when this action already holds
    // its image and it exists now (inserted or changed by the action and not
    // deleted since): its row id, or -1 when the rows must be read.
    qint64 heldRowOfCondition(const UndoStep::Table &table) const;
    bool readAfterImages(QSqlDatabase db, UndoStep::Table &table, QString *error);

    std::function<void(UndoStep)> m_committed;
    UndoStep m_step;
    bool m_changedSomething = false;
    bool m_checkedTriggers = false;
    QString m_firstName;
    // The statement under way and the rows its condition found.
    WriteStatement m_pending;
    int m_pendingRows = -1;
    QList<qint64> m_pendingIds;
    // Per table: rows whose state after the action must be read again
    // (deleted ones are known to be gone).
    QHash<QString, QSet<qint64>> m_toRead;
    // Tables (lower case) whose key column is their row id.
    QSet<QString> m_rowidKeyTables;
    // Per table: the columns the action's updates set, and the tables where
    // an insert or an update of another form needs whole rows read again.
    // Only those columns can differ from the row as it was before: the
    // other values are taken from the image read before the first change.
    QHash<QString, QSet<QString>> m_assigned;
    QHash<QString, QSet<qint64>> m_inserted;
    QSet<QString> m_readWholeRows;
    QHash<QString, int> m_tableIndex;
    QHash<QString, bool> m_temporary;   // per table name in lower case
};

#endif // STEPRECORDING_H
