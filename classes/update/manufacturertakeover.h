#ifndef MANUFACTURERTAKEOVER_H
#define MANUFACTURERTAKEOVER_H

#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include "takeoverscoperead.h"

#include <functional>

// Takes a manufacturer's returned database file back into the main file
// (connection "Kolvex"): the manufacturer's appliances that are not entered
// by hand, and their value sets. compare() reads the returned file (and the
// base copy of the file that was sent, when there is one) through read-only
// attachments and lists what differs; apply() runs the chosen lines as one
// write action, journaled, and writes the statements it ran to the update
// script "<Name>_<yyyyMMdd>.sql" beside the main file. The returned file
// and the base copy are only read.
//
// Shows nothing: the caller asks for the file, shows the lines, sets the
// wait cursor and reports the result.
class ManufacturerTakeOver
{
public:
    enum Kind { New, Changed, Deleted, Conflict };

    struct Change
    {
        QString table;        // "Geraete" or "Werte"
        Kind kind = New;
        qint64 returnedId = 0;   // id in the returned file (0 for a deletion)
        qint64 mainId = 0;       // id it has or gets in the main file
        QStringList columns;  // changed columns (all taken columns for a new record)
        bool chosen = true;
        // For showing the line: the main id of the appliance it belongs to,
        // a short name of the record, and per column the main file's and the
        // returned file's value (empty lists for new and deleted records).
        qint64 applianceId = 0;
        QString label;
        QStringList mainValues;
        QStringList returnedValues;
    };

    ManufacturerTakeOver(qint64 manufacturerId, const QString &returnedFile,
                         const QString &baseFile = QString());

    // Compares the files. False with errorText() when a file cannot be read,
    // lacks the tables, or the id range has too few free ids.
    bool compare();
    QString errorText() const { return m_error; }
    QList<Change> changes() const { return m_changes; }
    // What is reported besides the lines (a missing attachment, a line that
    // could not be taken over, ...), German.
    QStringList notes() const { return m_notes; }
    void setChosen(int index, bool chosen);

    // Applies the chosen lines as one write action. False with errorText()
    // when anything fails; the main file is then unchanged.
    bool apply();

    // Called during apply() with the statements done and their total.
    void setProgressHandler(const std::function<void(int, int)> &handler) { m_progress = handler; }

    // After apply(): the script written (empty when none), the statements run,
    // and the German end message.
    QString scriptPath() const { return m_scriptPath; }
    QStringList statements() const { return m_statements; }
    QString resultText() const { return m_result; }
    bool hasBase() const { return !m_baseFile.isEmpty(); }

    // German name of a kind, as the preview shows it.
    static QString kindName(Kind kind);

private:
    enum Action { Insert, Update, Remove };
    using Row = TakeOverScopeRead::Row;
    struct TableScope
    {
        QString table;
        QString key;
        QStringList columns;  // common columns, key first
        QHash<qint64, Row> returned, main, base;
    };
    // Literal values of a record to insert or the changed columns to set.
    struct Pending
    {
        QStringList columns;
        QStringList literals;
    };

    bool attachFiles();
    void detachFiles();
    QString scopeSelect(const QString &schema, const TableScope &scope,
                        const QStringList &againstSchemas, int *comparisons) const;
    bool readScopes(TableScope &scope, QList<QSet<qint64>> &fromReturned,
                    QList<QSet<qint64>> &fromMain);
    bool diffRows(const TableScope &scope, const QString &left, const QString &right,
                  const QSet<qint64> &ids, QHash<qint64, QSet<QString>> &diffs);
    bool compareTable(TableScope &scope);
    bool allocateIds(const TableScope &scope, QList<int> &changeIndexes, qint64 low, qint64 high);
    bool usedIds(const QString &schema, const TableScope &scope, const QList<qint64> &ids,
                 QSet<qint64> &used);
    bool readLiterals(const TableScope &scope);
    bool readDisplay(const TableScope &scope);
    void resolveReferences(const TableScope &scope);
    QSet<QString> referenceDiff(const TableScope &scope, const Row &left, const Row &right) const;
    qint64 mappedAppliance(qint64 returnedId) const;

    void classify(TableScope &scope, const QHash<qint64, QSet<QString>> &diffRM,
                  const QHash<qint64, QSet<QString>> &diffRB,
                  const QHash<qint64, QSet<QString>> &diffMB);
    int addChange(const TableScope &scope, Kind kind, Action action, qint64 returnedId, qint64 mainId,
                  const QSet<QString> &columns, bool chosen);
    bool insertTargetExists(qint64 mainAppliance, const QSet<qint64> &deletedAppliances) const;
    QStringList buildStatements(QStringList &unjournaled);
    QString insertStatement(const Change &change, const Pending &pending) const;
    QString updateStatement(const Change &change, const Pending &pending) const;
    void addValueSetDeletion(const QList<qint64> &ids, QStringList &statements,
                             QStringList &unjournaled) const;
    bool run(const QStringList &statements, const QStringList &unjournaled);
    QString freeScriptPath() const;
    bool writeScript(const QString &path, const QStringList &statements);
    QString summary() const;
    bool fail(const QString &text);

    qint64 m_manufacturerId;
    QString m_returnedFile;
    QString m_baseFile;
    QString m_baseUri;  // as attached, read-only
    QString m_error;
    QList<Change> m_changes;
    QHash<int, Action> m_actions;  // by change index
    QHash<int, Pending> m_pending; // by change index
    QHash<qint64, Row> m_references;  // Werte lines: references in main ids
    // Returned id of a record to insert -> its change index, per table.
    QHash<QString, QHash<qint64, int>> m_insertLine;
    QStringList m_notes;
    QStringList m_applyNotes;
    QHash<qint64, qint64> m_applianceMap; // returned TirmaId -> main TirmaId
    QHash<qint64, qint64> m_valueSetMap;  // returned WerteId -> main WerteId
    QHash<qint64, Row> m_returnedValueSets;
    QSet<qint64> m_attachments;
    TableScope m_geraete;
    TableScope m_werte;
    std::function<void(int, int)> m_progress;
    QString m_scriptPath;
    QStringList m_statements;
    QString m_result;
    bool m_applied = false;
};

#endif // MANUFACTURERTAKEOVER_H
